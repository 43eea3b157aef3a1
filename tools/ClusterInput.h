#pragma once
// The cluster test's data from data files: the design the files and cells make, the tested
// channels and samples, and every subject's (or trial's) calibrated values.
#include "model/ORVAFile.h"
#include "select/Selection.h"
#include "tools/ClusterTest.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace orva {

struct TClusterInputOptions {
    /// One or two cells, zero-based.
    std::vector<int> Cells;
    std::optional<double> WindowStart, WindowEnd;
    /// The tested channels (zero-based); nothing: every channel.
    std::optional<TSelectionList> Channels;
};

/// What the files and cells make: one average file and cells A B: paired (A - B per
/// subject); one cell: one sample; a session file and two cells: their trials as independent
/// groups; two files (second not null) and one cell: that cell of each as two groups.
/// Refuses, naming the file(s) and cells, mismatched cells or files, a window without
/// samples, listed channels outside the file, channels that cannot be calibrated. The
/// result has no neighbours yet; Result.Channels/SampleIndices/TimesMs/DesignText filled.
struct TClusterInput {
    TClusterData Data;
    std::vector<int> Channels;
    std::vector<int> SampleIndices;
    std::vector<double> TimesMs;
    std::string DesignText;
};
TClusterInput ClusterInputFromFiles(const TORVAFile& first, const TORVAFile* second,
                                    const TClusterInputOptions& options);

/// Where the channels' neighbours come from: the triangulation of the tested channels'
/// sensors (a positions file), or a neighbours file's lines, kept to the tested channels.
struct TNeighbourSource {
    std::optional<std::filesystem::path> Positions;
    std::optional<std::filesystem::path> NeighboursFile;
};

/// The neighbours among in.Channels; names are those of every channel of the file. Refuses
/// a tested channel without a position (or line) and what the readers refuse. Without a
/// source, no channel has a neighbour.
TChannelNeighbours TestedNeighbours(const TNeighbourSource& source, const TClusterInput& in,
                                    const std::vector<std::string>& names, const std::string& dataFile);

/// Input, neighbours and test in one: what the command and the Python call run.
TClusterTestResult ClusterTestOfFiles(const TORVAFile& first, const TORVAFile* second,
                                      const TClusterInputOptions& input, const TNeighbourSource& source,
                                      const std::vector<std::string>& names, const TClusterTestOptions& options,
                                      TProgressDisplay* progress = nullptr);

/// The result's names and places filled from the input (channels, samples, times, design).
void DescribeResult(TClusterTestResult& result, const TClusterInput& input, const std::vector<std::string>& labels);

} // namespace orva
