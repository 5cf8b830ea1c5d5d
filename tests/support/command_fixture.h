// A fresh program, view and document around a scripted port (or a test's own
// kind of scripted port), as one run of the desktop program would hand them to a
// command handler.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "calc/command_context.h"
#include "tests/support/scripted_port.h"

namespace tarnevo::testing {

template <typename Port, typename TestBase = ::testing::Test>
class CommandFixtureWith : public TestBase {
protected:
    std::unique_ptr<core::ProgramContext> program = std::make_unique<core::ProgramContext>();
    doc::ViewState view;
    doc::Document document;
    Port port;
    calc::CommandContext context{*program, view, document, port};

    const output::CalculationState& State() const { return document.state; }

    // The state every refused or cancelled command leaves: a fresh data set.
    void ExpectNothingStored() const {
        EXPECT_TRUE(document.readyForCalculation);
        EXPECT_FALSE(document.IsModified());
    }
};

using CommandFixture = CommandFixtureWith<ScriptedPort>;

}  // namespace tarnevo::testing
