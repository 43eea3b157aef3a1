#pragma once
// The ERP measures of one calibrated trace in a time window (window mean, peak and its
// latency, the areas, the fractional area and fractional peak latencies): the arithmetic
// that the measure table, its window's picture and the data quality's bootstrap share.
#include "model/ORVAFile.h"
#include "select/TimeWindow.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace orva {

enum class TMeasureKind {
    Mean,
    Peak,
    PeakLatency,
    Area,
    PositiveArea,
    NegativeArea,
    Integral,
    FractionalAreaLatency,
    FractionalPeakLatency,
};
enum class TPolarity { Positive, Negative };
/// Which values an area adds up: |x|, x where positive, -x where negative, or x with its sign.
enum class TAreaKind { Positive, Negative, Rectified, Integral };

/// Every measure, in the order the names are listed to the user.
inline constexpr TMeasureKind kMeasureKinds[] = {
    TMeasureKind::Mean,         TMeasureKind::Peak,     TMeasureKind::PeakLatency,
    TMeasureKind::Area,         TMeasureKind::PositiveArea, TMeasureKind::NegativeArea,
    TMeasureKind::Integral,     TMeasureKind::FractionalAreaLatency, TMeasureKind::FractionalPeakLatency,
};

/// "mean", "peak", "peak-latency", "area", ...: the name on the command line and in the table.
std::string_view MeasureName(TMeasureKind kind);
/// The measure of that name, or nothing.
std::optional<TMeasureKind> MeasureFromName(std::string_view name);
/// The names of every measure, "mean, peak, ... or fractional-peak-latency", for messages.
std::string MeasureNamesText();

/// "positive", "negative", "rectified", "integral"; and back.
std::string_view AreaKindName(TAreaKind kind);
std::optional<TAreaKind> AreaKindFromName(std::string_view name);

/// The note of a peak found without the local peak that was asked for.
inline constexpr std::string_view kNoLocalPeak = "no local peak";
/// The note of a fractional area latency whose area is 0: it has no value.
inline constexpr std::string_view kNoArea = "no area";
/// The note of a fractional peak latency without a sample at the fraction: it has no value.
inline constexpr std::string_view kNoCrossing = "no crossing";

/// How the measures are taken, whatever the window. Neighbours 0 looks for the simple peak;
/// N >= 1 for a local peak (see FindPeak). Fraction (0 to 1) serves both fractional
/// latencies; Area is the area of the fractional area latency (none: positive for a
/// positive polarity, negative for a negative one); Offset looks after the peak instead of
/// before it.
struct TTraceSettings {
    TPolarity Polarity = TPolarity::Positive;
    int Neighbours = 0;
    double Fraction = 0.5;
    std::optional<TAreaKind> Area;
    bool Offset = false;
};
/// The area of the fractional area latency under these settings.
TAreaKind FractionalAreaKind(const TTraceSettings& settings);

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

/// The area of the values of kind over the window by the trapezoid rule, interval (ms)
/// between samples: uV x ms. A window of one sample has none (0). The area of |x|, or of
/// the positive or negative part, is that of the samples so transformed: a zero crossing
/// between two samples is not sought.
double WindowArea(std::span<const double> trace, TSampleRange window, TAreaKind kind, double interval);

/// The first window sample at which the area of kind from the window's first sample
/// reaches fraction of the whole window's area (for a negative integral: falls to); nothing
/// when that area is 0.
std::optional<int> FractionalAreaSample(std::span<const double> trace, TSampleRange window, TAreaKind kind,
                                        double fraction);

/// From the peak at sample peak, the nearest window sample before it (offset: after it)
/// whose value is at or below fraction x the peak's value (a negative polarity: at or
/// above); nothing when no window sample is.
std::optional<int> FractionalPeakSample(std::span<const double> trace, TSampleRange window, int peak,
                                        TPolarity polarity, double fraction, bool offset);

/// One measure of one trace: the value, or nothing when the trace has none, and the note the
/// table writes beside it (empty, or one of the notes above).
struct TTraceValue {
    std::optional<double> Value;
    std::string_view Note;
};
/// Measure kind of trace (calibrated values in sample order) in window, a non-empty range of
/// its samples; times gives the latencies and the sampling interval of the areas.
/// Neighbours must not be negative, the fraction must lie from 0 to 1. The fractional peak
/// latency of a peak that is not the local one asked for is noted kNoLocalPeak unless
/// there is no crossing.
TTraceValue MeasureTraceValue(std::span<const double> trace, TSampleRange window, const TSampleTimes& times,
                              TMeasureKind kind, const TTraceSettings& settings);

/// The calibrated values of observation o, channel h of a cell, in sample order.
std::vector<double> CalibratedTrace(const TORVAFile& file, const TORVACell& cell, int o, int h);

/// The mean, the peak and the samples of the fractional latencies of one trace in a
/// window, as the measure window shows them.
struct TTraceMeasures {
    TSampleRange Window;
    double Mean = 0;
    TPeak Peak;
    double PeakValue = 0;
    double PeakTime = 0;
    std::optional<int> FractionalArea;
    std::optional<int> FractionalPeak;
};
/// Those of observation o, channel h of a cell in window, a non-empty range of its samples.
TTraceMeasures MeasureCellTrace(const TORVAFile& file, const TORVACell& cell, int o, int h, TSampleRange window,
                                const TTraceSettings& settings);

} // namespace orva
