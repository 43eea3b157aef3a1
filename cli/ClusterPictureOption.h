#pragma once
// The --picture option of orva cluster-test, declared and drawn here so that the command
// stays free of Qt: the command declares it with one call and draws with another.
#include "cli/ClusterTestCommand.h"
#include "cli/CommandLine.h"

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

/// Where the picture goes, when asked for.
struct TClusterPictureRequest {
    std::optional<std::string> Path;
};

/// Declares --picture STATS.png|svg. The name's extension is checked as the line is parsed;
/// a build without the pictures refuses the option there too.
std::shared_ptr<TClusterPictureRequest> AddClusterPicture(CLI::App* command);

/// Draws the run's result when asked and prints the picture's path: a scalp map per
/// significant cluster (p below alpha, default 0.05) when the run had positions for every
/// tested channel, the matrix alone otherwise.
void SaveClusterPicture(const TClusterPictureRequest& request, const TClusterTestRun& run,
                        const std::optional<std::string>& alpha);

} // namespace orva::cli
