// Pins the one definition of an ion's mass and m/z (core/ion_mz.h) against values
// worked by hand from C6H6: 6 x 12 + 6 x 1.00782503207 = 78.04695019242 u neutral,
// the electron 0.000548579909 u. Each charge moves the mass by one electron per
// unit of charge (removed for positive, added for negative) and divides by |z|.
// The inverse the formula search uses must give back the neutral mass it started
// from, and a charge of 0, refused by every calculation before, must still give a
// finite m/z (the mass itself) rather than an infinity.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "core/formula_search.h"
#include "core/ion_mz.h"

namespace tarnevo::core {
namespace {

constexpr long double kBenzene = 78.04695019242L;   // 6 x 12 + 6 x 1.00782503207, u
constexpr long double kElectron = 0.000548579909L;  // u

struct ChargeCase {
    int charge;
    long double ionMass;  // hand: kBenzene - charge x kElectron
    long double mz;       // hand: ionMass / |charge|
};

void PrintTo(const ChargeCase& c, std::ostream* out) { *out << "z=" << c.charge; }

class IonMzByCharge : public ::testing::TestWithParam<ChargeCase> {};

TEST_P(IonMzByCharge, MassLosesOneElectronPerPositiveChargeAndMzDividesByItsMagnitude) {
    const ChargeCase& c = GetParam();
    const long double ionMass = IonMassOf(kBenzene, c.charge);
    EXPECT_NEAR(static_cast<double>(ionMass), static_cast<double>(c.ionMass), 1e-12);
    EXPECT_NEAR(static_cast<double>(MzOf(ionMass, c.charge)), static_cast<double>(c.mz), 1e-12);
    EXPECT_NEAR(MzOf(static_cast<double>(ionMass), c.charge), static_cast<double>(c.mz), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Benzene, IonMzByCharge,
    ::testing::Values(ChargeCase{1, 78.046401612511L, 78.046401612511L},    // 78.04695019242 - 0.00054857991
                      ChargeCase{2, 78.045853032602L, 39.022926516301L},    // two electrons off, / 2
                      ChargeCase{-1, 78.047498772329L, 78.047498772329L},   // one electron on
                      ChargeCase{-3, 78.048595932147L, 26.016198644049L}),  // three on, / 3
    [](const ::testing::TestParamInfo<ChargeCase>& param) {
        return param.param.charge < 0 ? "Minus" + std::to_string(-param.param.charge)
                                      : "Plus" + std::to_string(param.param.charge);
    });

TEST(IonMz, ChargeZeroIsTakenAsOneInsteadOfDividingByZero) {
    const long double ionMass = IonMassOf(kBenzene, 0);
    EXPECT_EQ(ionMass, kBenzene);  // no electron moves
    EXPECT_TRUE(std::isfinite(MzOf(static_cast<double>(ionMass), 0)));
    EXPECT_EQ(MzOf(static_cast<double>(ionMass), 0), static_cast<double>(kBenzene));
    EXPECT_EQ(MzOf(ionMass, 0), kBenzene);
    EXPECT_EQ(IonMz(kBenzene, 0), kBenzene);
}

TEST(IonMz, TheWindowMassIsTheInverseOfTheMz) {
    // For every charge the search allows, turning an m/z back into a neutral mass
    // and forward again lands where it started, to the rounding of a few extended
    // operations (about 1e-19 relative).
    for (int charge = -9; charge <= 9; ++charge) {
        if (charge == 0) continue;
        for (const long double mz : {18.0105L, 500.25L, 9876.54321L}) {
            const long double neutral = LightestMassAtMz(mz, charge);
            EXPECT_NEAR(static_cast<double>(MzOf(IonMassOf(neutral, charge), charge) / mz), 1.0, 1e-17)
                << "z=" << charge << " m/z " << static_cast<double>(mz);
        }
    }
}

TEST(IonMz, TheFormulaSearchMzIsTheIonMassOverTheCharge) {
    // The search's m/z of a partial formula, the one every found formula carries.
    for (const int charge : {1, -1, 2, -4}) {
        EXPECT_EQ(IonMz(kBenzene, charge), MzOf(IonMassOf(kBenzene, charge), charge)) << "z=" << charge;
    }
    EXPECT_NEAR(static_cast<double>(IonMz(kBenzene, 2)), 39.022926516301, 1e-12);
}

}  // namespace
}  // namespace tarnevo::core
