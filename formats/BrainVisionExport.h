#pragma once
// BrainVision Core Data Format 1.0: a text header (.vhdr), a text marker file (.vmrk) and
// the samples as little-endian float32 microvolts, multiplexed (.eeg), all of one stem.
#include "model/ORVAFile.h"
#include "select/EpochLayout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva {

/// The three files of one set: the header's path, and beside it the same stem with .vmrk
/// and .eeg.
struct TBrainVisionPaths {
    std::filesystem::path Header;
    std::filesystem::path Markers;
    std::filesystem::path Data;
};
TBrainVisionPaths BrainVisionPaths(const std::filesystem::path& vhdrPath);

/// The sampling interval in microseconds, 1,000,000 / rate, as the shortest decimal text
/// that reads back as that double: "4000" for 250 Hz, "3906.25" for 256 Hz.
std::string SamplingIntervalText(int rate);

/// A cell's name as BrainVision files carry it: EventName with every comma written "\1".
std::string BrainVisionText(const std::string& text);

/// Writes the set whose header is vhdrPath (its name must end in .vhdr): the epochs of
/// layout, channels named by channelNames (one per channel of the file, as
/// ChannelNamesFor gives them). Everything is checked (ExportedChannelNames) before any
/// file is touched; each file replaces its target only once all three are complete, the
/// header last. Refusals are EORVAError naming the document or the file.
void WriteBrainVision(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames,
                      const std::filesystem::path& vhdrPath);

/// LayOutEpochs, ChannelNamesFor and WriteBrainVision in one.
void ExportBrainVision(const TORVAFile& file, const TEpochSelection& selection,
                       const std::optional<std::filesystem::path>& channelNamesFile,
                       const std::filesystem::path& vhdrPath);

} // namespace orva
