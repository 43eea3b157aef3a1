#pragma once
// ERP measures: one number per file, cell, observation, channel and measure (the mean
// amplitude in a time window, a peak amplitude or its latency), as a CSV table for the
// statistics program.
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "select/Selection.h"
#include "select/TimeWindow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

enum class TMeasureKind { Mean, Peak, PeakLatency };
enum class TPolarity { Positive, Negative };

/// "mean", "peak", "peak-latency": the name on the command line and in the table.
std::string_view MeasureName(TMeasureKind kind);
/// The measure of that name, or nothing.
std::optional<TMeasureKind> MeasureFromName(std::string_view name);

/// What to measure. The window holds every sample whose time t (ms) lies in
/// WindowStart <= t <= WindowEnd. Neighbours 0 looks for the simple peak; N >= 1 for a local
/// peak (see FindPeak). The lists hold zero-based indices as ParseSelectionList gives them;
/// a list left out means everything each cell has.
struct TMeasureOptions {
    double WindowStart = 0;
    double WindowEnd = 0;
    std::vector<TMeasureKind> Measures;
    TPolarity Polarity = TPolarity::Positive;
    int Neighbours = 0;
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Observations;
    std::optional<TSelectionList> Channels;
};

/// The first row of every measure table.
inline constexpr std::string_view kMeasureHeader =
    "file,cell,cell_name,observation,channel,measure,window_start_ms,window_end_ms,value,note";
/// Rows end with LF alone, as in the long table.
inline constexpr std::string_view kMeasureLineEnd = "\n";
/// The note of a peak found without the local peak that was asked for.
inline constexpr std::string_view kNoLocalPeak = "no local peak";

/// The peak of trace within window: the sample of the largest value (Negative: smallest),
/// the first on ties. With neighbours N >= 1 only local peaks count: samples with N samples
/// on each side within the trace (they may lie outside the window) whose value is beyond
/// the mean of the N before it and beyond the mean of the N after it. Local is false when
/// a local peak was asked for and there was none; Index is then the simple peak.
struct TPeak {
    int Index = 0;
    bool Local = false;
};
TPeak FindPeak(const std::vector<double>& trace, TSampleRange window, TPolarity polarity, int neighbours);

/// The arithmetic mean of trace over the window.
double WindowMean(const std::vector<double>& trace, TSampleRange window);

/// The calibrated values of observation o, channel h of a cell, in sample order.
std::vector<double> CalibratedTrace(const TORVAFile& file, const TORVACell& cell, int o, int h);

/// Every measure of one trace (zero-based cell c, observation o, channel h) in the window;
/// the options must have passed CheckMeasures.
struct TTraceMeasures {
    TSampleRange Window;
    double Mean = 0;
    TPeak Peak;
    double PeakValue = 0;
    double PeakTime = 0;
};
TTraceMeasures MeasureTrace(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options);

/// Refuses (EORVAError naming the file) what the long table refuses for the same lists, a
/// window that is empty or reversed, no measure, a negative neighbour count, and a listed
/// cell without a sample in the window (naming the cell and the time range of its samples).
void CheckMeasures(const TORVAFile& file, const TMeasureOptions& options);

/// Checks as CheckMeasures does, then writes the rows of file (not the header), nested
/// cell > observation > channel > measure, each in list order. Numbers have '.' and three
/// decimals; the window columns repeat the window asked for.
void WriteMeasureRows(const TORVAFile& file, const TMeasureOptions& options, TLineSink& sink);

/// The rows of WriteMeasureRows as columns, one entry per row in the same order, for clients
/// that take arrays: numbers counted from 1, values exact (not rounded).
struct TMeasureColumns {
    std::vector<std::int32_t> Cell;
    std::vector<std::int32_t> Observation;
    std::vector<std::int32_t> Channel;
    std::vector<TMeasureKind> Measure;
    std::vector<double> Value;
    /// The row's note: kNoLocalPeak or nothing.
    std::vector<bool> NoLocalPeak;
};
/// Checks as CheckMeasures does, then fills the columns.
TMeasureColumns MeasureColumns(const TORVAFile& file, const TMeasureOptions& options);

} // namespace orva
