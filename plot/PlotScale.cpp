#include "plot/PlotScale.h"

#include <algorithm>
#include <cmath>

namespace orva::plot {

namespace {

// Positions far outside any picture are left out before they are converted to int.
constexpr double kPositionLimit = 1.0e7;

// Ticks at the multiples of step within [low, high]; the small slack keeps an end that is a
// multiple in exact arithmetic from being lost to rounding.
std::vector<double> Multiples(double low, double high, double step)
{
    std::vector<double> values;
    const double slack = step * 1e-9;
    for (double k = std::ceil((low - slack) / step); k * step <= high + slack; k += 1.0) {
        const double v = k * step;
        values.push_back(std::abs(v) < slack ? 0.0 : v);
    }
    return values;
}

} // namespace

const std::vector<int>& RangePresets()
{
    static const std::vector<int> presets{10, 20, 50, 100, 200, 500, kDefaultRangeUv, 2000, 5000};
    return presets;
}

double NiceStep(double rough)
{
    if (!(rough > 0) || !std::isfinite(rough))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-12))
            return m * power;
    return 10.0 * power;
}

int FitRange(const std::vector<std::vector<float>>& traces)
{
    double largest = 0;
    for (const auto& trace : traces)
        for (float v : trace)
            if (std::isfinite(v))
                largest = std::max(largest, std::abs(static_cast<double>(v)));
    const double half = std::ceil(largest * 1.1);
    if (half >= 1.0e8)
        return 200000000;
    return std::max(2, 2 * static_cast<int>(half));
}

int AdaptYGrid(int yGrid, int rangeUv)
{
    const int half = std::max(1, rangeUv / 2);
    if (yGrid == 0)
        return 0;
    const int lines = half / std::max(1, yGrid);
    if (lines >= 2 && lines <= 50)
        return yGrid;
    return std::max(1, static_cast<int>(NiceStep(half / 5.0)));
}

int YGridStep(int rangeUv)
{
    // The largest round step not above a ninetieth of the range: 10 uV at the default 900.
    const double rough = rangeUv / 90.0;
    if (rough <= 1.0)
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * power <= rough * (1 + 1e-12))
            return static_cast<int>(m * power);
    return static_cast<int>(power);
}

std::vector<TAxisTick> VoltageTicks(int rangeUv, int height, float pxPerUv, bool negativeUp, int minSpacing)
{
    std::vector<TAxisTick> ticks;
    if (height <= 0 || !(pxPerUv > 0) || minSpacing <= 0)
        return ticks;
    const double half = std::max(2, rangeUv) / 2.0;
    const double step = NiceStep(minSpacing / static_cast<double>(pxPerUv));
    const int axis = height / 2;
    for (double v : Multiples(-half, half, step)) {
        const double offset = std::trunc(v * static_cast<double>(pxPerUv));
        ticks.push_back({negativeUp ? axis + static_cast<int>(offset) : axis - static_cast<int>(offset), v});
    }
    // Top to bottom, as they are drawn.
    std::sort(ticks.begin(), ticks.end(), [](const TAxisTick& a, const TAxisTick& b) { return a.Position < b.Position; });
    return ticks;
}

std::vector<TAxisTick> TimeTicks(int samples, float msPerSample, float pxPerMs, int onsetMs, int width, int minSpacing)
{
    std::vector<TAxisTick> ticks;
    if (samples <= 0 || width <= 0 || !(pxPerMs > 0) || !(msPerSample > 0) || minSpacing <= 0)
        return ticks;
    const double length = (samples - 1) * static_cast<double>(msPerSample);
    const double step = NiceStep(minSpacing / static_cast<double>(pxPerMs));
    for (double t : Multiples(-onsetMs, length - onsetMs, step)) {
        const double x = std::trunc((t + onsetMs) * static_cast<double>(pxPerMs));
        if (x >= 0 && x < kPositionLimit && x < width)
            ticks.push_back({static_cast<int>(x), t});
    }
    return ticks;
}

} // namespace orva::plot
