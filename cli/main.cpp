#include <unistd.h>

#include <iostream>

#include "cli/cli.h"
#include "cli/standard_output.h"

int main(int argc, char** argv) {
    tarnevo::cli::PrepareStandardDescriptors();
    tarnevo::cli::DescriptorOutput standardOutput(STDOUT_FILENO);
    std::ostream out(&standardOutput);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = tarnevo::cli::RunProgram(arguments, out, std::cerr);
    const auto form = tarnevo::cli::AsksForJson(arguments) ? tarnevo::cli::FailureForm::Json
                                                           : tarnevo::cli::FailureForm::Text;
    return tarnevo::cli::FinishStandardOutput(status, out, standardOutput, std::cerr, form);
}
