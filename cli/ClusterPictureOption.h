#pragma once
// The --picture option of orva cluster-test: declared and drawn here so that the command
// stays free of Qt; present only where the desktop program's pictures are built.
#include "cli/CommandLine.h"
#include "head/SensorPositions.h"
#include "tools/ClusterTest.h"

#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

/// Declares --picture STATS.png|svg into path.
CLI::Option* AddClusterPicture(CLI::App* command, std::optional<std::string>& path);

/// Refused before the test runs: a picture this build cannot draw or of another extension.
void CheckClusterPicture(const std::optional<std::string>& path);

/// Draws the result when a path was given and prints its path; directions holds one per
/// tested channel (empty when the neighbours came from a file: no maps).
void SaveClusterPictureIfAsked(const std::optional<std::string>& path, const TClusterTestResult& result,
                               const std::vector<TPoint3>& directions, double alpha);

} // namespace orva::cli
