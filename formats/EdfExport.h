#pragma once
// EDF+C: one data record per epoch, the raw 16-bit samples as the digital values, each
// channel's calibration in its physical limits, and an EDF Annotations signal that names
// each epoch's cell at its stimulus.
#include "model/ORVAFile.h"
#include "select/EpochLayout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva {

/// The physical minimum and maximum of channel c (zero-based): the calibrated values of
/// the digital limits -32768 and 32767 as the closest 8-character texts (EdfNumber); the
/// minimum is above the maximum for a negative gain. Refuses, naming the channel, a
/// calibration that divides by zero and limits that do not fit 8 characters or would read
/// back as one value.
struct TEdfPhysicalRange {
    std::string Minimum;
    std::string Maximum;
};
TEdfPhysicalRange EdfPhysicalRange(const TORVAFile& file, int c);

/// The checks of WriteEdf, without writing anything.
void CheckEdf(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames);

/// Writes the epochs of layout to edfPath, channels labelled by channelNames (one per
/// channel of the file, as ChannelNamesFor gives them). Everything is checked before the
/// file is touched: besides ExportedChannelNames, epochs of different lengths (naming two
/// cells), labels that are not printable ASCII of at most 16 characters, and physical
/// limits (EdfPhysicalRange). The file replaces its target only once it is complete.
void WriteEdf(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames,
              const std::filesystem::path& edfPath);

/// LayOutEpochs, ChannelNamesFor and WriteEdf in one.
void ExportEdf(const TORVAFile& file, const TEpochSelection& selection,
               const std::optional<std::filesystem::path>& channelNamesFile, const std::filesystem::path& edfPath);

} // namespace orva
