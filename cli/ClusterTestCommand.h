#pragma once
// The cluster-test command's run, for the outputs declared beside it (the picture).
#include "model/ORVAFile.h"
#include "tools/ClusterTest.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

/// What one run of "orva cluster-test" computed and read.
struct TClusterTestRun {
    TClusterTestResult Result;
    /// The first input, as loaded.
    TORVAFile File;
    /// The names of every channel of the file (--channel-names, else E1 ... En).
    std::vector<std::string> ChannelNames;
    /// --positions, when given.
    std::optional<std::filesystem::path> Positions;
};

} // namespace orva::cli
