#pragma once
// The ERP measures of one calibrated trace in a time window (window mean, peak, peak
// latency): the arithmetic that the measure table, its window's picture and the data
// quality's bootstrap share.
#include "model/ORVAFile.h"
#include "select/TimeWindow.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace orva {

enum class TMeasureKind { Mean, Peak, PeakLatency };
enum class TPolarity { Positive, Negative };

/// Every measure, in the order the names are listed to the user.
inline constexpr TMeasureKind kMeasureKinds[] = {TMeasureKind::Mean, TMeasureKind::Peak, TMeasureKind::PeakLatency};

/// "mean", "peak", "peak-latency": the name on the command line and in the table.
std::string_view MeasureName(TMeasureKind kind);
/// The measure of that name, or nothing.
std::optional<TMeasureKind> MeasureFromName(std::string_view name);

/// The note of a peak found without the local peak that was asked for.
inline constexpr std::string_view kNoLocalPeak = "no local peak";

/// How the measures are taken, whatever the window. Neighbours 0 looks for the simple peak;
/// N >= 1 for a local peak (see FindPeak).
struct TTraceSettings {
    TPolarity Polarity = TPolarity::Positive;
    int Neighbours = 0;
};

/// The peak of trace within window: the sample of the largest value (Negative: smallest),
/// the first on ties. With neighbours N >= 1 only local peaks count: samples with N samples
/// on each side within the trace (they may lie outside the window) whose value is beyond
/// the mean of the N before it and beyond the mean of the N after it. Local is false when
/// a local peak was asked for and there was none; Index is then the simple peak.
struct TPeak {
    int Index = 0;
    bool Local = false;
};
TPeak FindPeak(std::span<const double> trace, TSampleRange window, TPolarity polarity, int neighbours);

/// The arithmetic mean of trace over the window.
double WindowMean(std::span<const double> trace, TSampleRange window);

/// One measure of one trace: the value, or nothing when the trace has none, and the note the
/// table writes beside it (empty, or one of the notes above).
struct TTraceValue {
    std::optional<double> Value;
    std::string_view Note;
};
/// Measure kind of trace (calibrated values in sample order) in window, a non-empty range of
/// its samples; times gives the latencies. Neighbours must not be negative.
TTraceValue MeasureTraceValue(std::span<const double> trace, TSampleRange window, const TSampleTimes& times,
                              TMeasureKind kind, const TTraceSettings& settings);

/// The calibrated values of observation o, channel h of a cell, in sample order.
std::vector<double> CalibratedTrace(const TORVAFile& file, const TORVACell& cell, int o, int h);

/// The mean and the peak of one trace in a window, as the measure window shows them.
struct TTraceMeasures {
    TSampleRange Window;
    double Mean = 0;
    TPeak Peak;
    double PeakValue = 0;
    double PeakTime = 0;
};
/// Those of observation o, channel h of a cell in window, a non-empty range of its samples.
TTraceMeasures MeasureCellTrace(const TORVAFile& file, const TORVACell& cell, int o, int h, TSampleRange window,
                                const TTraceSettings& settings);

} // namespace orva
