#pragma once
// What the cluster test reports: the summary for the terminal, the table of clusters and the
// table of points, and the numbers behind them (each cluster's time range, channels, peak).
#include "select/LineSink.h"
#include "tools/ClusterTest.h"

#include <string>
#include <vector>

namespace orva {

inline constexpr std::string_view kClusterTableHeader =
    "cluster,sign,mass,p,start_ms,end_ms,channels,points,peak_t,peak_channel,peak_ms";
inline constexpr std::string_view kPointTableHeader = "channel,sample,time_ms,t,p_uncorrected,cluster,p_corrected";
/// With TFCE the points table ends with each point's score (signed as t).
inline constexpr std::string_view kPointTableTfceColumn = ",tfce";

/// Where a cluster lies: its first and last tested sample (indices into the result's
/// samples), its channels (indices into the result's channels, ascending) and its point of
/// largest |t| (the first on ties).
struct TClusterExtent {
    int FirstSample = 0;
    int LastSample = 0;
    std::vector<int> Channels;
    int PeakPoint = 0;
};
TClusterExtent ClusterExtent(const TClusterTestResult& result, const TCluster& cluster);

/// value with `decimals` places (round to nearest on the exact binary value), '.' as the
/// separator, no minus sign on a value that rounds to zero; "nan", "inf", "-inf".
std::string FixedDecimal(double value, int decimals);

/// The lines printed after a test: the design, n, the threshold, the permutations, the
/// zero-variance points, then one line per cluster, most significant first.
std::vector<std::string> ClusterSummary(const TClusterTestResult& result);

/// The two tables, header first, lines without their ends.
void WriteClusterTable(const TClusterTestResult& result, TLineSink& sink);
void WritePointTable(const TClusterTestResult& result, TLineSink& sink);
/// The null, one value per line, each the shortest text that reads back to the same double.
void WriteNullValues(const TClusterTestResult& result, TLineSink& sink);

} // namespace orva
