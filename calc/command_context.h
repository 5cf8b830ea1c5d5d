// What a calculation command works on: the program-wide tables, the view's
// presets, the document that receives the results, and the user-interface port
// through which it asks and reports.
#pragma once

#include "core/program_context.h"
#include "document/document.h"
#include "document/view_state.h"
#include "port/ui_port.h"

namespace tarnevo::calc {

struct CommandContext {
    core::ProgramContext& program;
    doc::ViewState& view;
    doc::Document& document;
    port::UserInterfacePort& ui;
};

}  // namespace tarnevo::calc
