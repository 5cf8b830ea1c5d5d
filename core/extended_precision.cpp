#include "core/extended_precision.h"

#include <cmath>

namespace tarnevo::core {

#if defined(__x86_64__) || defined(__i386__)
namespace {
constexpr unsigned short kPrecisionMask = 0x0300;  // PC bits
constexpr unsigned short kRoundingMask = 0x0C00;   // RC bits
constexpr unsigned short kExtendedPrecision = 0x0300;
constexpr unsigned short kRoundToNearest = 0x0000;
}  // namespace

ExtendedPrecisionScope::ExtendedPrecisionScope() {
    __asm__ __volatile__("fnstcw %0" : "=m"(savedControlWord_));
    unsigned short word = static_cast<unsigned short>(
        (savedControlWord_ & ~(kPrecisionMask | kRoundingMask)) | kExtendedPrecision | kRoundToNearest);
    __asm__ __volatile__("fldcw %0" : : "m"(word));
}

ExtendedPrecisionScope::~ExtendedPrecisionScope() {
    __asm__ __volatile__("fldcw %0" : : "m"(savedControlWord_));
}
#else
ExtendedPrecisionScope::ExtendedPrecisionScope() = default;
ExtendedPrecisionScope::~ExtendedPrecisionScope() = default;
#endif

Extended ExtendedPower(Extended p, unsigned exponent) {
    if (exponent == 0) return 1.0L;
    return std::exp2l(static_cast<Extended>(exponent) * std::log2l(p));
}

}  // namespace tarnevo::core
