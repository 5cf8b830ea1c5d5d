// The ion-form presets: the formula as typed, the charge and the save-reminder
// box, which the first dialog of every calculation on one ion shows again from
// the view's last entries. The dialog records name these fields alike; one
// without a formula field (the ionic parameters of the formula search) shares
// the other two.
#pragma once

#include "document/view_state.h"

namespace tarnevo::calc {

template <typename Form>
void PresetIonForm(const doc::ViewState& view, Form& form) {
    if constexpr (requires { form.formula; }) form.formula = view.formulaText;
    form.charge = view.charge;
    form.saveReminder = view.saveReminder;
}

// The accepted entries go back into the view before any check, so that a
// refused or cancelled run leaves them as the presets of the next one.
template <typename Form>
void KeepIonForm(const Form& form, doc::ViewState& view) {
    if constexpr (requires { form.formula; }) view.formulaText = form.formula;
    view.charge = form.charge;
    view.saveReminder = form.saveReminder;
}

}  // namespace tarnevo::calc
