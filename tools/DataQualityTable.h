#pragma once
// The data quality table as text: its CSV rows and the summary of each cell printed for a
// person, shared by the batch tool and the desktop program.
#include "select/LineSink.h"
#include "tools/DataQuality.h"

#include <map>
#include <string>
#include <vector>

namespace orva {

/// Rows end with LF alone, as in the other tables.
inline constexpr std::string_view kQualityLineEnd = "\n";

/// "file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd" and a
/// bsme_M column per measure.
std::string QualityHeader(const std::vector<TMeasureKind>& measures);

/// The rows of file (not the header): numbers from 1, values with four decimals, empty
/// where the table holds nothing.
void WriteQualityRows(const TORVAFile& file, const TQualityTable& table, TLineSink& sink);

/// The aSME of one cell and window over its channels: the median (of an even count, the mean
/// of the middle two) and the largest with its zero-based channel; Channels 0 when no
/// channel has one.
struct TSmeSpread {
    int Cell = 0;
    TQualityWindow Window;
    int Trials = 0;
    int Channels = 0;
    double Median = 0;
    double Largest = 0;
    int LargestChannel = 0;
};
/// One entry per cell and window, in the table's order.
std::vector<TSmeSpread> SmeSpreads(const TQualityTable& table);

/// Per cell: "  cell 1 "name": 38 trials" and a line per window with the median and largest
/// aSME ("    0 to 100 ms: median 0.4321, largest 0.9876 (channel 12)").
std::string QualitySummary(const TORVAFile& file, const TQualityTable& table);

/// The root mean square over files of the aSME, per cell, window and channel (zero-based
/// cell and channel), for the files that have it.
class TSmeOverFiles {
public:
    /// The table of one file and the names of its cells, in file order.
    void Add(const std::vector<std::string>& cellNames, const TQualityTable& table);
    /// "RMS of aSME over N files, per cell and window (median and largest over channels):"
    /// and a line per cell and window.
    std::string Summary() const;

private:
    struct TKey {
        int Cell;
        double Start;
        double End;
        int Channel;
        auto operator<=>(const TKey&) const = default;
    };
    struct TSum {
        double Squares = 0;
        int Files = 0;
    };
    std::map<TKey, TSum> sums_;
    std::vector<std::string> cellNames_;
    int files_ = 0;
};

} // namespace orva
