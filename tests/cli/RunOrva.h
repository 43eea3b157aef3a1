#pragma once
#include <string>
#include <vector>

namespace orva::test {

struct TOrvaRun {
    int ExitStatus = -1;
    std::string Out;
    std::string Err;
};

/// Runs the batch tool (beside the test program) with the arguments, UTF-8 texts passed
/// to it unchanged; its output and errors are collected.
TOrvaRun RunOrva(const std::vector<std::string>& args);

} // namespace orva::test
