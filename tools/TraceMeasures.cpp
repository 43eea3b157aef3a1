#include "tools/TraceMeasures.h"

#include <cmath>
#include <string>

namespace orva {

namespace {

// Whether a lies beyond b in the direction of the polarity.
bool Beyond(double a, double b, TPolarity polarity) { return polarity == TPolarity::Positive ? a > b : a < b; }

double MeanOf(std::span<const double> trace, int first, int last)
{
    double sum = 0;
    for (int s = first; s <= last; ++s)
        sum += trace[static_cast<std::size_t>(s)];
    return sum / (last - first + 1);
}

bool IsLocalPeak(std::span<const double> trace, int s, TPolarity polarity, int n)
{
    const int samples = static_cast<int>(trace.size());
    if (s - n < 0 || s + n >= samples)
        return false;
    const double value = trace[static_cast<std::size_t>(s)];
    return Beyond(value, MeanOf(trace, s - n, s - 1), polarity) && Beyond(value, MeanOf(trace, s + 1, s + n), polarity);
}

double AreaValue(double x, TAreaKind kind)
{
    switch (kind) {
    case TAreaKind::Positive:
        return x > 0 ? x : 0;
    case TAreaKind::Negative:
        return x < 0 ? -x : 0;
    case TAreaKind::Rectified:
        return std::fabs(x);
    case TAreaKind::Integral:
        break;
    }
    return x;
}

// The trapezoid between samples s and s + 1 in sample steps: the area in uV x ms is this
// times the interval. Every area adds these in sample order, so the running area of the
// fractional latency ends at exactly the window's area.
double Trapezoid(std::span<const double> trace, int s, TAreaKind kind)
{
    return (AreaValue(trace[static_cast<std::size_t>(s)], kind) + AreaValue(trace[static_cast<std::size_t>(s) + 1], kind)) /
           2;
}

double AreaInSteps(std::span<const double> trace, TSampleRange window, TAreaKind kind)
{
    double sum = 0;
    for (int s = window.First; s < window.Last; ++s)
        sum += Trapezoid(trace, s, kind);
    return sum;
}

} // namespace

std::string_view MeasureName(TMeasureKind kind)
{
    switch (kind) {
    case TMeasureKind::Mean:
        return "mean";
    case TMeasureKind::Peak:
        return "peak";
    case TMeasureKind::PeakLatency:
        return "peak-latency";
    case TMeasureKind::Area:
        return "area";
    case TMeasureKind::PositiveArea:
        return "positive-area";
    case TMeasureKind::NegativeArea:
        return "negative-area";
    case TMeasureKind::Integral:
        return "integral";
    case TMeasureKind::FractionalAreaLatency:
        return "fractional-area-latency";
    case TMeasureKind::FractionalPeakLatency:
        return "fractional-peak-latency";
    }
    return "";
}

std::string MeasureNamesText()
{
    std::string text;
    const std::size_t count = std::size(kMeasureKinds);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += i + 1 == count ? " or " : ", ";
        text += MeasureName(kMeasureKinds[i]);
    }
    return text;
}

std::string_view AreaKindName(TAreaKind kind)
{
    switch (kind) {
    case TAreaKind::Positive:
        return "positive";
    case TAreaKind::Negative:
        return "negative";
    case TAreaKind::Rectified:
        return "rectified";
    case TAreaKind::Integral:
        return "integral";
    }
    return "";
}

std::optional<TAreaKind> AreaKindFromName(std::string_view name)
{
    for (TAreaKind kind : {TAreaKind::Positive, TAreaKind::Negative, TAreaKind::Rectified, TAreaKind::Integral})
        if (AreaKindName(kind) == name)
            return kind;
    return std::nullopt;
}

TAreaKind FractionalAreaKind(const TTraceSettings& settings)
{
    if (settings.Area)
        return *settings.Area;
    return settings.Polarity == TPolarity::Positive ? TAreaKind::Positive : TAreaKind::Negative;
}

std::optional<TMeasureKind> MeasureFromName(std::string_view name)
{
    for (TMeasureKind kind : kMeasureKinds)
        if (MeasureName(kind) == name)
            return kind;
    return std::nullopt;
}

TPeak FindPeak(std::span<const double> trace, TSampleRange window, TPolarity polarity, int neighbours)
{
    TPeak simple{window.First, false};
    std::optional<int> local;
    for (int s = window.First; s <= window.Last; ++s) {
        const double value = trace[static_cast<std::size_t>(s)];
        if (Beyond(value, trace[static_cast<std::size_t>(simple.Index)], polarity))
            simple.Index = s;
        if (neighbours >= 1 && IsLocalPeak(trace, s, polarity, neighbours) &&
            (!local || Beyond(value, trace[static_cast<std::size_t>(*local)], polarity)))
            local = s;
    }
    if (local)
        return TPeak{*local, true};
    return simple;
}

double WindowMean(std::span<const double> trace, TSampleRange window)
{
    return MeanOf(trace, window.First, window.Last);
}

double WindowArea(std::span<const double> trace, TSampleRange window, TAreaKind kind, double interval)
{
    return AreaInSteps(trace, window, kind) * interval;
}

std::optional<int> FractionalAreaSample(std::span<const double> trace, TSampleRange window, TAreaKind kind,
                                        double fraction)
{
    const double whole = AreaInSteps(trace, window, kind);
    if (whole == 0)
        return std::nullopt;
    // Only a signed integral can be negative; its running area must fall to the fraction.
    const double sign = whole < 0 ? -1 : 1;
    const double target = fraction * whole * sign;
    double running = 0;
    for (int s = window.First;; ++s) {
        if (running * sign >= target || s == window.Last)
            return s;
        running += Trapezoid(trace, s, kind);
    }
}

std::optional<int> FractionalPeakSample(std::span<const double> trace, TSampleRange window, int peak,
                                        TPolarity polarity, double fraction, bool offset)
{
    const double level = fraction * trace[static_cast<std::size_t>(peak)];
    const int step = offset ? 1 : -1;
    for (int s = peak + step; s >= window.First && s <= window.Last; s += step) {
        const double value = trace[static_cast<std::size_t>(s)];
        if (polarity == TPolarity::Positive ? value <= level : value >= level)
            return s;
    }
    return std::nullopt;
}

TTraceValue MeasureTraceValue(std::span<const double> trace, TSampleRange window, const TSampleTimes& times,
                              TMeasureKind kind, const TTraceSettings& settings)
{
    switch (kind) {
    case TMeasureKind::Mean:
        return {WindowMean(trace, window), {}};
    case TMeasureKind::Area:
        return {WindowArea(trace, window, TAreaKind::Rectified, times.Interval()), {}};
    case TMeasureKind::PositiveArea:
        return {WindowArea(trace, window, TAreaKind::Positive, times.Interval()), {}};
    case TMeasureKind::NegativeArea:
        return {WindowArea(trace, window, TAreaKind::Negative, times.Interval()), {}};
    case TMeasureKind::Integral:
        return {WindowArea(trace, window, TAreaKind::Integral, times.Interval()), {}};
    case TMeasureKind::FractionalAreaLatency: {
        const auto s = FractionalAreaSample(trace, window, FractionalAreaKind(settings), settings.Fraction);
        if (!s)
            return {std::nullopt, kNoArea};
        return {times.At(*s), {}};
    }
    case TMeasureKind::Peak:
    case TMeasureKind::PeakLatency:
    case TMeasureKind::FractionalPeakLatency:
        break;
    }
    const TPeak peak = FindPeak(trace, window, settings.Polarity, settings.Neighbours);
    const std::string_view note = settings.Neighbours >= 1 && !peak.Local ? kNoLocalPeak : std::string_view();
    if (kind == TMeasureKind::Peak)
        return {trace[static_cast<std::size_t>(peak.Index)], note};
    if (kind == TMeasureKind::PeakLatency)
        return {times.At(peak.Index), note};
    const auto s = FractionalPeakSample(trace, window, peak.Index, settings.Polarity, settings.Fraction, settings.Offset);
    if (!s)
        return {std::nullopt, kNoCrossing};
    return {times.At(*s), note};
}

std::vector<double> CalibratedTrace(const TORVAFile& file, const TORVACell& cell, int o, int h)
{
    std::vector<double> trace;
    trace.reserve(static_cast<std::size_t>(cell.SamplesPerObservation));
    for (int s = 0; s < cell.SamplesPerObservation; ++s)
        trace.push_back(CalibratedValue(file, cell.Data(o, s, h), h));
    return trace;
}

TTraceMeasures MeasureCellTrace(const TORVAFile& file, const TORVACell& cell, int o, int h, TSampleRange window,
                                const TTraceSettings& settings)
{
    TTraceMeasures m;
    m.Window = window;
    const std::vector<double> trace = CalibratedTrace(file, cell, o, h);
    m.Mean = WindowMean(trace, m.Window);
    m.Peak = FindPeak(trace, m.Window, settings.Polarity, settings.Neighbours);
    m.PeakValue = trace[static_cast<std::size_t>(m.Peak.Index)];
    m.PeakTime = MeasureSampleTime(file, cell, m.Peak.Index);
    m.FractionalArea = FractionalAreaSample(trace, m.Window, FractionalAreaKind(settings), settings.Fraction);
    m.FractionalPeak =
        FractionalPeakSample(trace, m.Window, m.Peak.Index, settings.Polarity, settings.Fraction, settings.Offset);
    return m;
}

} // namespace orva
