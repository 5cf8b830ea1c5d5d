// What a calculation command works on: the program-wide tables, the view's
// presets, the document that receives the results, and the user-interface port
// through which it asks and reports.
#pragma once

#include "core/program_context.h"
#include "dialogs/ui_port.h"
#include "results/document.h"
#include "results/view_state.h"

namespace tarnevo::calc {

struct CommandContext {
    core::ProgramContext& program;
    results::ViewState& view;
    results::Document& document;
    dialogs::UserInterfacePort& ui;
};

}  // namespace tarnevo::calc
