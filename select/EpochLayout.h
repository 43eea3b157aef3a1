#pragma once
// The epochs of an export to a recording format (BrainVision, EDF+, BIDS): which cells,
// observations and channels go out, in which order, and where each epoch and its stimulus
// lie in the output's one continuous run of samples.
#include "model/ORVAFile.h"
#include "select/Selection.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva {

/// Typed lists as ParseSelectionList gives them (zero-based, in the order typed); a list
/// left out means everything. A given observation list must fit every listed cell.
struct TEpochSelection {
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Observations;
    std::optional<TSelectionList> Channels;
};

/// One exported epoch: observation Observation of cell Cell (both zero-based).
struct TExportedEpoch {
    int Cell = 0;
    int Observation = 0;
    /// Zero-based sample of the output at which the epoch begins.
    std::int64_t FirstSample = 0;
    /// Samples of the epoch (the cell's SamplesPerObservation).
    int Samples = 0;
    /// Samples from FirstSample to the stimulus: the sample at BaselineDuration ms for an
    /// average file (nearest, halves up, clamped to the epoch), 0 for a session file.
    int StimulusOffset = 0;
};

/// What an export writes: the channels in order, the epochs in order (cell by cell,
/// observation by observation, as listed; cells without observations or samples give
/// none) and their one sampling rate (0 when there is no epoch).
struct TEpochLayout {
    std::vector<int> Channels;
    std::vector<TExportedEpoch> Epochs;
    int SamplingRate = 0;
    /// Samples in all: the end of the last epoch.
    std::int64_t TotalSamples() const;
};

/// Checks the selection (entries outside the document, a channel listed twice, channels
/// that cannot be calibrated, exported cells of different sampling rates, naming two cells
/// and their rates) and lays the epochs out. Refusals are EORVAError naming the document.
TEpochLayout LayOutEpochs(const TORVAFile& file, const TEpochSelection& selection);

/// A cell's name for markers, annotations and TSV files: its bytes read as Windows-1252,
/// written as UTF-8, every byte below 32 replaced by a space, trailing spaces removed;
/// "Cell" + number (counted from 1) when nothing is left.
std::string EventName(const TORVAFile& file, int cell);

/// E1 ... En: the names under which numbered net sensors are commonly known.
std::vector<std::string> DefaultChannelNames(int channels);

/// One UTF-8 name per line (LF or CR LF), exactly `channels` of them, non-empty, unique,
/// at most 16 bytes each. Refusals name the file and the line, or for a wrong count both
/// counts and `input` (the data file the names are meant for).
std::vector<std::string> ReadChannelNames(const std::filesystem::path& path, int channels,
                                          const std::string& input);

/// The names of the exported channels in layout order, from names (one per channel of the
/// file). Checks first that the layout fits the document (a layout of LayOutEpochs does) and
/// refuses, naming the document, a layout without epochs, a wrong count of names and an
/// exported name that is empty or repeats.
std::vector<std::string> ExportedChannelNames(const TORVAFile& file, const TEpochLayout& layout,
                                              const std::vector<std::string>& names);

/// The names of the file's channels: those of namesFile when one is given (ReadChannelNames
/// for this document), else DefaultChannelNames.
std::vector<std::string> ChannelNamesFor(const TORVAFile& file, const std::optional<std::filesystem::path>& namesFile);

} // namespace orva
