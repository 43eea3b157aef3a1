#pragma once
// Data quality of the averages of a session file: the standardized measurement error of
// each cell, channel and window, over exactly the trials that the average takes, analytic
// for the mean amplitude and by bootstrap for any measure.
#include "tools/ErpAverage.h"
#include "tools/PortableRandom.h"
#include "tools/TraceMeasures.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

/// One window from Start to End ms, inclusive, on the time axis of the average.
struct TQualityWindow {
    double Start = 0;
    double End = 0;
};

/// What to compute. Average holds the options of the average whose trials are judged:
/// observations, bad trials and its baseline (BaselineMs), which places 0 ms on the
/// session's samples as the average file places it. The lists hold zero-based indices as
/// ParseSelectionList gives them; left out, every cell and channel.
struct TQualityOptions {
    TAverageOptions Average;
    /// The windows; left out (empty), every 100 ms window from 0 ms outward that lies wholly
    /// inside each cell's epoch.
    std::vector<TQualityWindow> Windows;
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Channels;
    /// Bootstrap averages per cell (0: none) and the measures each is scored on, as measure
    /// takes them. A bootstrap average without a value (no area, no crossing) is left out of
    /// its measure's sd.
    int Bootstrap = 0;
    std::uint64_t Seed = 1;
    std::vector<TMeasureKind> Measures;
    TTraceSettings Settings;
};

/// One row of the table (zero-based cell and channel). The SME fields are empty for a cell
/// with fewer than two trials, BaselineSd also where the epoch has fewer than two samples
/// before 0 ms. Bsme holds one entry per measure, in the order asked for.
struct TQualityRow {
    int Cell = 0;
    int Channel = 0;
    TQualityWindow Window;
    int Trials = 0;
    std::optional<double> Asme;
    std::optional<double> BaselineSd;
    std::vector<std::optional<double>> Bsme;
};

/// Every row of one file, nested cell > window > channel, and the notes for stderr (one per
/// cell whose SME cannot be computed).
struct TQualityTable {
    std::vector<TQualityRow> Rows;
    std::vector<std::string> Notes;
};

/// The time in ms of zero-based sample s of a session cell when 0 ms lies baselineMs after its
/// first sample: the time measure gives the same sample in the average file.
double QualityTime(const TORVACell& cell, int s, std::int32_t baselineMs);

/// The default windows of a cell: [k x 100, (k + 1) x 100] for every whole k for which both
/// ends lie from the first sample's time to the last's.
std::vector<TQualityWindow> DefaultQualityWindows(const TORVACell& cell, std::int32_t baselineMs);

/// Refuses (EORVAError naming the file) an average file (its observations are subjects, not
/// trials), what average refuses for the same options, lists outside the file, a window that
/// is reversed or not finite or holds no sample of a chosen cell, a cell too short for any
/// default window, a bootstrap of one average, a bootstrap without a measure or measures
/// without one, a negative neighbour count and a fraction outside 0 to 1.
void CheckQuality(const TORVAFile& session, const TQualityOptions& options);

/// Checks, then computes the table of session.
TQualityTable MeasureQuality(const TORVAFile& session, const TQualityOptions& options);

/// The bootstrap's random numbers: xoshiro256** seeded through splitmix64, the same on every
/// platform. Cell c (zero-based) of a file draws from its own stream, seeded with
/// Seed + (c + 1) x 0x9E3779B97F4A7C15 (mod 2^64), so no other cell or thread changes it.
class TQualityRandom {
public:
    TQualityRandom(std::uint64_t seed, int cell);
    std::uint64_t Next();
    /// A whole number from 0 to n - 1 (n >= 1), uniform: the top bits of Next() that can
    /// hold n - 1, drawn again while they exceed it.
    int Below(int n);

private:
    TXoshiro256 generator_;
};

/// The SME table's numbers as text: four decimals, '.'.
std::string QualityNumber(double value);

} // namespace orva
