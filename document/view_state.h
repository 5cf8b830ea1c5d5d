// What the results view keeps between calculations: the dialog presets (the last
// entries, shown again next time and kept across File New) and the welcome flag.
// The document holds the stored results, which the view draws from there.
#pragma once

#include <array>
#include <string>

#include "document/identify_presets.h"
#include "document/labelling_presets.h"
#include "output/calculation_state.h"

namespace tarnevo::doc {

// The user-defined elements of the current ion, in index order Jx .. Qz.
struct UserElementList {
    int count = 0;
    std::array<int, output::kMaxDetailElements> elementIndex{};
    std::array<int, output::kMaxDetailElements> atomCount{};
    std::string symbols;  // two characters per element, e.g. "JxQy"

    void Clear() { *this = UserElementList{}; }
};

// The resolved peaks a cluster may be asked for beyond its pattern: none, at
// the same resolving power R at every m/z, or at R at a reference m/z falling
// with the square root of m/z (an Orbitrap's); with or without the profile in
// the plot.
struct ResolutionPresets {
    int choice = 0;  // 0 none, 1 the same R everywhere, 2 Orbitrap
    double resolvingPower = 60000.0;
    double referenceMz = 200.0;
    bool drawProfile = false;
};

struct ViewState {
    bool showWelcome = true;
    output::CalcKind calcKind = output::CalcKind::IsotopeCluster;

    // Presets shared by the cluster-type dialogs.
    std::string formulaText;
    int charge = 1;
    bool saveReminder = true;
    // The ion type of a molecule typed as the formula ("[M+H]+"); empty: the
    // formula is the ion. The first dialogs of a cluster and of a labelled
    // pattern offer it.
    std::string ionTypeText;
    ResolutionPresets resolution;

    // The user-defined elements of the current ion; its count is the view's
    // detailCount. The cluster's largest and total FA are results: they live
    // in the stored cluster only.
    UserElementList userElements;

    // Series of ions with repeating units (RU): presets of the two dialogs and
    // the advice screen's CONTINUE button, which exists while the flag is set.
    std::string endCapText;
    std::string chargingIonText;
    bool hasEndCap = false;
    int chargingIonCount = 1;
    bool rangeByMz = false;
    int firstRUCount = 1;
    int lastRUCount = 10;
    int ionCount = 0;
    bool continueButtonShown = false;

    // Molecular formulae from m/z: every formula listed, not only the first 200.
    bool listAllFormulae = false;

    // Correction for loss of H: m/z of the first measured peak.
    double firstPeakMz = 200.0;

    // Isotopic data of one element, and the enriched element of a fit: the
    // symbol as typed.
    std::string elementSymbol;

    LabellingPresets labelling;

    // Identify Ion from Pattern: the last question.
    IdentifyPresets identify;
};

}  // namespace tarnevo::doc
