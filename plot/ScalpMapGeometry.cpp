#include "plot/ScalpMapGeometry.h"

#include "plot/PlotScale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orva::plot {

namespace {

// The nose reaches this far beyond the outline, the ears this far to the sides.
constexpr double kNoseReach = 1.15;
constexpr double kEarReach = 1.08;
constexpr int kMarginPixels = 4;

// Colour stops from -1 to +1 in steps of a half: dark blue, blue, white, red, dark red.
constexpr std::array<TMapColour, 5> kStops = {
    TMapColour{5, 48, 97}, TMapColour{67, 147, 195}, TMapColour{255, 255, 255},
    TMapColour{214, 96, 77}, TMapColour{103, 0, 31}};

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, double t)
{
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * t));
}

} // namespace

double MapReach(const std::vector<TPoint3>& sensors)
{
    double reach = 0;
    for (const TPoint3& s : sensors) {
        const TDiscPoint p = ProjectToDisc(s);
        reach = std::max(reach, std::hypot(p.X, p.Y));
    }
    return reach;
}

TMapFrame ComputeMapFrame(int width, int height, int titleHeight, double reach)
{
    TMapFrame frame;
    frame.TitleHeight = titleHeight;
    const int side = std::min(width, height - titleHeight);
    const double extent = std::max({reach, kOutlineAngle * kNoseReach, kOutlineAngle * kEarReach});
    frame.PixelsPerRadian = std::max(0.0, (side / 2.0 - kMarginPixels) / extent);
    frame.CentreX = width / 2.0;
    frame.CentreY = titleHeight + (height - titleHeight) / 2.0;
    return frame;
}

TPixelPoint DiscToPixel(const TMapFrame& f, TDiscPoint p)
{
    return {f.CentreX + p.X * f.PixelsPerRadian, f.CentreY - p.Y * f.PixelsPerRadian};
}

TDiscPoint PixelToDisc(const TMapFrame& f, TPixelPoint p)
{
    if (f.PixelsPerRadian <= 0)
        return {};
    return {(p.X - f.CentreX) / f.PixelsPerRadian, (f.CentreY - p.Y) / f.PixelsPerRadian};
}

TMapPixels CoveredPixels(const TMapFrame& frame, int width, int height, double reach)
{
    TMapPixels pixels;
    pixels.Width = width;
    pixels.Height = height;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            const TDiscPoint p = PixelToDisc(frame, {column + 0.5, row + 0.5});
            if (frame.PixelsPerRadian > 0 && std::hypot(p.X, p.Y) <= reach) {
                pixels.Index.push_back(row * width + column);
                pixels.Points.push_back(DiscToSphere(p));
            }
        }
    return pixels;
}

TMapColour DivergingColour(double value, double range)
{
    if (!(range > 0) || std::isnan(value))
        return kStops[2];
    const double t = (std::clamp(value / range, -1.0, 1.0) + 1) * 2; // 0 .. 4
    const std::size_t i = std::min<std::size_t>(3, static_cast<std::size_t>(t));
    const double f = t - static_cast<double>(i);
    return {Mix(kStops[i].R, kStops[i + 1].R, f), Mix(kStops[i].G, kStops[i + 1].G, f),
            Mix(kStops[i].B, kStops[i + 1].B, f)};
}

double FitColourRange(const std::vector<std::vector<double>>& values)
{
    double largest = 0;
    for (const auto& map : values)
        for (double v : map)
            if (std::isfinite(v))
                largest = std::max(largest, std::abs(v));
    return largest > 0 ? largest : 1;
}

std::vector<double> ContourLevels(double range)
{
    std::vector<double> levels;
    if (!(range > 0) || !std::isfinite(range))
        return levels;
    const double step = NiceStep(range / 4);
    const int count = static_cast<int>(std::floor(range / step + 1e-9));
    for (int i = -count; i <= count; ++i)
        levels.push_back(i * step);
    return levels;
}

std::vector<TContourSegment> ContourSegments(const std::vector<float>& grid, int width, int height, double level)
{
    std::vector<TContourSegment> segments;
    auto at = [&](int x, int y) { return static_cast<double>(grid[static_cast<std::size_t>(y) * width + x]); };
    // Where the line crosses the edge from corner a (value va) to corner b.
    auto cross = [level](double ax, double ay, double va, double bx, double by, double vb) {
        const double t = (level - va) / (vb - va);
        return std::array<double, 2>{ax + (bx - ax) * t, ay + (by - ay) * t};
    };
    for (int y = 0; y + 1 < height; ++y)
        for (int x = 0; x + 1 < width; ++x) {
            // Corners clockwise from the top left, and the edges after each corner.
            const std::array<double, 4> v = {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)};
            if (std::any_of(v.begin(), v.end(), [](double a) { return std::isnan(a); }))
                continue;
            const std::array<double, 4> cx = {double(x), x + 1.0, x + 1.0, double(x)};
            const std::array<double, 4> cy = {double(y), double(y), y + 1.0, y + 1.0};
            std::array<std::array<double, 2>, 4> edge{};
            std::array<bool, 4> crossed{};
            int count = 0;
            for (int e = 0; e < 4; ++e) {
                const int a = e, b = (e + 1) % 4;
                if ((v[a] > level) != (v[b] > level)) {
                    edge[e] = cross(cx[a], cy[a], v[a], cx[b], cy[b], v[b]);
                    crossed[e] = true;
                    ++count;
                }
            }
            auto add = [&](int e1, int e2) {
                segments.push_back({edge[e1][0], edge[e1][1], edge[e2][0], edge[e2][1]});
            };
            if (count == 2) {
                int first = -1;
                for (int e = 0; e < 4; ++e)
                    if (crossed[e]) {
                        if (first < 0)
                            first = e;
                        else
                            add(first, e);
                    }
            } else if (count == 4) {
                // A saddle: the mean of the corners says which corners the lines keep apart.
                const bool centreAbove = (v[0] + v[1] + v[2] + v[3]) / 4 > level;
                if (centreAbove == (v[0] > level)) {
                    add(0, 1);
                    add(2, 3);
                } else {
                    add(3, 0);
                    add(1, 2);
                }
            }
        }
    return segments;
}

} // namespace orva::plot
