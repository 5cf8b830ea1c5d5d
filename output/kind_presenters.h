// The presenter of each calculation kind, one file each; PresenterOf
// (result_presenter.h) hands them out by kind.
#pragma once

#include "output/result_presenter.h"

namespace tarnevo::output::detail {

const ResultPresenter& IsotopeClusterPresenter();
const ResultPresenter& LabelledAtomsPresenter();
const ResultPresenter& EnrichmentFromSpectrumPresenter();
const ResultPresenter& FormulaFromMzPresenter();
const ResultPresenter& LossOfHPresenter();
const ResultPresenter& RepeatingUnitsPresenter();
const ResultPresenter& IsotopicDataPresenter();
const ResultPresenter& IonIdentificationPresenter();

}  // namespace tarnevo::output::detail
