#include "fine/precise_masses.h"

// IsoSpec's table header uses its export macro without including the header
// that defines it.
#include <IsoSpec++/platform.h>

#include <IsoSpec++/element_tables.h>

#include <cstddef>

namespace tarnevo::fine {
namespace {

// The mass number of an element's lightest isotope: its five-decimal mass
// rounded (34.96885 u of 35Cl gives 35); the heavy ones lie delta above it.
int LightestMassNumber(const core::ElementTable& table, int element) {
    return core::NominalMassNumber(table[element].lightMass);
}

double PreciseOr(double fallback, std::string_view symbol, int massNumber) {
    return PreciseIsotopeMass(symbol, massNumber).value_or(fallback);
}

void MakeElementPrecise(core::ElementTable& table, int element) {
    const std::string_view symbol = core::SymbolOf(element);
    const int lightestMassNumber = LightestMassNumber(table, element);
    core::ElementRecord& record = table[element];
    record.lightMass = PreciseOr(record.lightMass, symbol, lightestMassNumber);
    for (int k = 0; k < record.heavyCount; ++k) {
        double& heavyMass = table.heavyMassPool[record.firstDelta + k];
        heavyMass = PreciseOr(heavyMass, symbol, lightestMassNumber + table.HeavyDelta(element, k));
    }
}

}  // namespace

std::optional<double> PreciseIsotopeMass(std::string_view symbol, int massNumber) {
    for (std::size_t i = 0; i < IsoSpec::isospec_number_of_isotopic_entries; ++i) {
        // IsoSpec keeps the mass number as a double holding a whole number.
        if (symbol == IsoSpec::elem_table_symbol[i] &&
            static_cast<int>(IsoSpec::elem_table_massNo[i]) == massNumber)
            return IsoSpec::elem_table_mass[i];
    }
    return std::nullopt;
}

core::ElementTable PreciseElementTable() {
    core::ElementTable table;
    for (int element = 0; element <= core::kLastNaturalElement; ++element) MakeElementPrecise(table, element);
    return table;
}

}  // namespace tarnevo::fine
