// The dialogs of Isotope Labelling Effects (Ctrl+L): CLabFormDlg (ion and type
// of calculation), CLabCalcDlg (stop FA, number of enriched elements), CEnElemDlg
// and CEnDetailsDlg (each enriched element and its isotope FAs), CEnDetailDlg
// (the element of a fit), CMaxEnr2 / CMaxEnr3 (the most enriched isotope of a
// three- or four-isotope element).
#pragma once

#include "app/record_dialog.h"
#include "calc/labelling_input.h"

namespace tarnevo::app {

class CLabFormDlg : public GenericRecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CLabFormDlg)

public:
    CLabFormDlg(calc::LabellingFormInput& input, QWidget* parent);
};

// The isotope grid: mass, natural FA and enriched FA per isotope, rows 1-5 on
// the left and 6-10 on the right. Only the heavy isotopes' enriched FAs are
// editable; the others are shown read-only.
class CEnDetailsDlg : public RecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEnDetailsDlg)

public:
    CEnDetailsDlg(calc::EnrichmentDetailsInput& input, QWidget* parent);
};

class CMaxEnrDlg : public GenericRecordDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMaxEnrDlg)

public:
    CMaxEnrDlg(calc::MaxEnrichmentInput& input, QWidget* parent);
};

}  // namespace tarnevo::app
