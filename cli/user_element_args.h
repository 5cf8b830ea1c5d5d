// --define Jx=MASS[:DELTA=FA,DELTA=FA,...]: the isotopes of a user-defined
// element, as the desktop program asks for them in a dialog. Example:
// --define Jx=10.0129:1=0.8 is boron-like (lightest 10.0129 u, a heavy isotope one
// mass unit up with FA 0.8, leaving 0.2 for the lightest).
#pragma once

#include <string>
#include <vector>

#include "cli/cli_port.h"

namespace tarnevo::cli {

// Whether a definition must be used. A command's own --define names an element
// of its formula (one it does not hold is a mistake worth telling); the
// --define given beside a batch is there for the lines whose formulae hold it.
enum class DefinitionUse { Required, Optional };

// Prepares the answers of the user-element dialogs; the usage error, or empty.
// Definitions prepared later replace earlier ones of the same element.
std::string PrepareUserElementAnswers(CliPort& port, const std::vector<std::string>& definitions,
                                      DefinitionUse use = DefinitionUse::Required);

// Checks definitions as their dialogs would before any formula uses them: the
// usage error (its option named, as a calculation would name it), or empty.
std::string CheckUserElementDefinitions(const std::vector<std::string>& definitions);

}  // namespace tarnevo::cli
