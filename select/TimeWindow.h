#pragma once
// Sample times and time windows: which samples of a cell a window in ms takes, and the
// texts that refuse a window a cell has no sample in.
#include "model/ORVAFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

/// The sample times of one cell as numbers, for code that holds a trace without its file:
/// At(s) is exactly MeasureSampleTime of sample s.
struct TSampleTimes {
    std::int32_t SamplesPerSecond = 1;
    /// Subtracted from every time: the baseline of an average file, 0 in a session file.
    std::int32_t BaselineMs = 0;
    double At(int s) const;
    /// The time between two samples in ms.
    double Interval() const { return 1000.0 / SamplesPerSecond; }
};
TSampleTimes CellSampleTimes(const TORVAFile& file, const TORVACell& cell);

/// The time in ms of zero-based sample s of a cell: s * 1000 / rate, less the baseline of an
/// average file (0 at the stimulus); nothing is subtracted in a session file.
double MeasureSampleTime(const TORVAFile& file, const TORVACell& cell, int s);

/// The zero-based samples First .. Last (inclusive) of a cell that lie in the window;
/// nothing when no sample does. The cell's rate must be positive.
struct TSampleRange {
    int First = 0;
    int Last = -1;
};
std::optional<TSampleRange> WindowSamples(const TORVAFile& file, const TORVACell& cell, double start, double end);

/// Why cell c (zero-based) has no sample in the window start .. end ms: "Cell 2 has no sample
/// in the window 500 to 600 ms: its samples lie from -200 to 396 ms".
std::string NoSampleInWindowText(const TORVAFile& file, int c, double start, double end);
/// "its samples lie from -200 to 396 ms", or "it has no samples".
std::string CellTimeRangeText(const TORVAFile& file, const TORVACell& cell);

} // namespace orva
