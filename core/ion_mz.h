// The mass and the m/z of an ion, written once for every calculation: an ion of
// charge z is its neutral formula with z electrons removed (z > 0) or added
// (z < 0), and its m/z is that mass over |z|. C6H6 at +1: 78.046950 - 0.000549 =
// 78.046402 u, m/z 78.046402; at +2 (78.046950 - 2 x 0.000549) / 2 = 39.022926.
#pragma once

namespace tarnevo::core {

// The electron rest mass (CODATA 2018), in u.
inline constexpr double electronMass = 0.000548579909;  // u

// The charge's magnitude as a divisor. The calculations refuse a charge of 0
// before they get here; should one slip through, it counts as 1, so that an m/z
// is the mass itself rather than an infinity that would end up in a report.
inline long double ChargeMagnitude(int charge) {
    if (charge == 0) return 1.0L;
    const auto z = static_cast<long double>(charge);
    return z < 0 ? -z : z;
}

// Mass (u) of the ion whose neutral formula weighs lightestMass (its
// lightest-isotope mass) at the given signed charge: lightestMass - charge x
// electronMass, in extended precision.
inline long double IonMassOf(long double lightestMass, int charge) {
    return lightestMass - static_cast<long double>(charge) * static_cast<long double>(electronMass);
}

// m/z of an ion of mass ionMass (u) at the given signed charge: ionMass / |charge|.
inline double MzOf(double ionMass, int charge) {
    return ionMass / static_cast<double>(ChargeMagnitude(charge));
}

// The same in extended precision, for the formula search, which compares m/z at
// a window end without a rounding to double in between.
inline long double MzOf(long double ionMass, int charge) { return ionMass / ChargeMagnitude(charge); }

// The inverse of MzOf(IonMassOf(mass, charge), charge): the neutral
// lightest-isotope mass (u) whose ion lies at m/z mz, mz x |charge| + charge x
// electronMass. The formula search turns its m/z window into masses with it.
inline long double LightestMassAtMz(long double mz, int charge) {
    return mz * ChargeMagnitude(charge) +
           static_cast<long double>(charge) * static_cast<long double>(electronMass);
}

}  // namespace tarnevo::core
