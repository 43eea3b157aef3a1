#include "plot/PlotGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orva::plot {

namespace {

// Far outside any bitmap; keeps absurd scales (huge baseline, tiny sample interval) from
// overflowing the integer conversion while every visible coordinate stays exact.
constexpr double kCoordinateLimit = 1.0e9;

int Trunc(double value)
{
    if (std::isnan(value))
        return 0;
    if (value > kCoordinateLimit)
        value = kCoordinateLimit;
    if (value < -kCoordinateLimit)
        value = -kCoordinateLimit;
    return static_cast<int>(std::trunc(value));
}

// Products and differences of the single-precision factors are formed in double, which
// holds every product of two floats exactly.
std::vector<int> VerticalGrid(const TPlotInput& in, float pxPerMs)
{
    std::vector<int> xs;
    if (in.XGrid <= 0)
        return xs;
    const std::int64_t n = (static_cast<std::int64_t>(in.Samples) * 1000 / in.SamplesPerSecond) / in.XGrid;
    for (std::int64_t i = 1; i <= n; ++i)
        xs.push_back(Trunc(static_cast<double>(in.XGrid * i) * static_cast<double>(pxPerMs)));
    return xs;
}

std::vector<int> HorizontalGrid(const TPlotInput& in, float pxPerUv)
{
    std::vector<int> ys;
    if (in.YGrid <= 0)
        return ys;
    const int half = in.Height / 2;
    const int n = (in.RangeUv / 2) / in.YGrid;
    for (int i = 1; i <= n; ++i) {
        const int d = Trunc(static_cast<double>(in.YGrid * i) * static_cast<double>(pxPerUv));
        ys.push_back(half - d);
        ys.push_back(half + d);
    }
    return ys;
}

} // namespace

std::vector<TPlotPoint> ComputeTrace(const std::vector<float>& v, float msPerSample, float pxPerMs, float pxPerUv,
                                     int height, bool negativeUp)
{
    std::vector<TPlotPoint> points;
    if (v.empty())
        return points;
    points.reserve(v.size());
    const int half = height / 2;
    // Negative up mirrors the voltages; the truncations stay the same for either sign.
    const double uv = negativeUp ? -static_cast<double>(pxPerUv) : static_cast<double>(pxPerUv);
    // The start point truncates after the subtraction, the later points before it.
    points.push_back({0, Trunc(static_cast<double>(half) - static_cast<double>(v[0]) * uv)});
    for (std::size_t i = 1; i < v.size(); ++i) {
        const double x = static_cast<double>(i) * static_cast<double>(msPerSample) * static_cast<double>(pxPerMs);
        points.push_back({Trunc(x), half - Trunc(static_cast<double>(v[i]) * uv)});
    }
    return points;
}

TClipping FindClipping(const std::vector<TPlotPoint>& trace, int height)
{
    TClipping clipping;
    for (const TPlotPoint& p : trace) {
        if (p.Y < 0)
            clipping.AboveX.push_back(p.X);
        else if (p.Y >= height)
            clipping.BelowX.push_back(p.X);
    }
    return clipping;
}

std::optional<int> XGridMaximum(int samples, int samplesPerSecond)
{
    if (samplesPerSecond == 0)
        return std::nullopt;
    const float msPerSample = static_cast<float>(1000.0 / samplesPerSecond);
    const int length = Trunc(static_cast<double>(samples) * static_cast<double>(msPerSample));
    return length < 0 ? 0 : length;
}

TPlotGeometry ComputePlotGeometry(const TPlotInput& input)
{
    TPlotInput in = input;
    if (in.Samples < 0)
        in.Samples = 0;

    TPlotGeometry g;
    // A range below 2 uV would leave no half range for the grid; it is taken as 2.
    in.RangeUv = std::max(in.RangeUv, 2);
    g.PxPerUv = static_cast<float>(in.Height / static_cast<double>(in.RangeUv));
    g.AxisY = in.Height / 2;
    g.HorizontalGridY = HorizontalGrid(in, g.PxPerUv);
    // Without a sampling rate there is no time axis: no vertical grid, marker or trace.
    if (in.SamplesPerSecond == 0)
        return g;

    const float msPerSample = static_cast<float>(1000.0 / in.SamplesPerSecond);
    const float pxPerMs =
        static_cast<float>(in.Width / (static_cast<double>(in.Samples + 2) * static_cast<double>(msPerSample)));
    g.MsPerSample = msPerSample;
    g.PxPerMs = pxPerMs;
    g.VerticalGridX = VerticalGrid(in, pxPerMs);
    if (in.BaselineDuration)
        g.MarkerX = Trunc(static_cast<double>(*in.BaselineDuration) * static_cast<double>(pxPerMs));
    g.Trace = ComputeTrace(in.Voltages, msPerSample, pxPerMs, g.PxPerUv, in.Height, in.NegativeUp);
    return g;
}

} // namespace orva::plot
