// Extended precision for the cluster enumeration: 80-bit long double (64-bit
// mantissa, 15-bit exponent). The probability of the first composition of a
// large ion (0.0097^200 for 200 tin atoms, about 1e-403) lies below the range
// of a double; every later probability is derived from it by ratios.
#pragma once

#include <cfloat>

namespace tarnevo::core {

using Extended = long double;

static_assert(LDBL_MANT_DIG >= 64, "the cluster engine needs a 64-bit mantissa");
static_assert(LDBL_MAX_EXP >= 16384, "the cluster engine needs a 15-bit exponent");

// Sets the x87 unit to a 64-bit mantissa with round-to-nearest for its lifetime
// and restores the previous control word afterwards. Does nothing where long
// double arithmetic does not run on the x87 unit.
class ExtendedPrecisionScope {
public:
    ExtendedPrecisionScope();
    ~ExtendedPrecisionScope();
    ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
    ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

private:
    unsigned short savedControlWord_ = 0;
};

// p raised to a non-negative integer power through the base-2 logarithm and
// exponential in extended precision.
Extended ExtendedPower(Extended p, unsigned exponent);

}  // namespace tarnevo::core
