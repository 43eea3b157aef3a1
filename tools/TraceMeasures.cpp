#include "tools/TraceMeasures.h"

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
    }
    return "";
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

TTraceValue MeasureTraceValue(std::span<const double> trace, TSampleRange window, const TSampleTimes& times,
                              TMeasureKind kind, const TTraceSettings& settings)
{
    if (kind == TMeasureKind::Mean)
        return {WindowMean(trace, window), {}};
    const TPeak peak = FindPeak(trace, window, settings.Polarity, settings.Neighbours);
    const std::string_view note = settings.Neighbours >= 1 && !peak.Local ? kNoLocalPeak : std::string_view();
    if (kind == TMeasureKind::Peak)
        return {trace[static_cast<std::size_t>(peak.Index)], note};
    return {times.At(peak.Index), note};
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
    return m;
}

} // namespace orva
