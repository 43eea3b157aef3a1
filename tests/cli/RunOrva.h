#pragma once
#include <string>
#include <vector>

namespace orva::test {

struct TOrvaRun {
    int ExitStatus = -1;
    std::string Out;
    std::string Err;
};

/// Runs the batch tool with the arguments (each quoted for the shell).
TOrvaRun RunOrva(const std::vector<std::string>& args);

} // namespace orva::test
