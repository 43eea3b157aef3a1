#pragma once
#include "model/ORVAFile.h"

#include <filesystem>
#include <vector>

namespace orva {

/// A 64-channel average file: 3 cells of 12 subjects, 250 samples at 250 Hz,
/// ERP-like waveforms with noise after a 200 ms baseline.
TORVAFile MakeDemoAverageFile();

/// A 64-channel session file: 2 cells of 40 trials, 250 samples at 250 Hz,
/// with per-channel zeros and gains as an acquisition board gives them.
TORVAFile MakeDemoSessionFile();

/// Writes demo.ave and demo.ses into folder (created if missing); returns their paths.
std::vector<std::filesystem::path> WriteDemoFiles(const std::filesystem::path& folder);

} // namespace orva
