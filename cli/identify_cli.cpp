#include "cli/identify_cli.h"

namespace tarnevo::cli {

int RunIdentifyCommand(const Arguments& /*arguments*/, std::ostream& /*out*/, std::ostream& /*errors*/) {
    return 0;
}

}  // namespace tarnevo::cli
