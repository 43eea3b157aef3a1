#pragma once
// The scalp map's geometry and colours, kept free of any drawing so that every coordinate,
// colour and contour can be checked on its own: the head seen from above (nose up, left
// ear on the left) through the azimuthal equidistant projection from the top of the head.
#include "head/DiscProjection.h"
#include "head/SensorPositions.h"

#include <cstdint>
#include <vector>

namespace orva::plot {

using orva::DiscToSphere;
using orva::ProjectToDisc;
using orva::TDiscPoint;

/// The angle of the head outline from the top: 90 degrees, the level of the ears.
inline constexpr double kOutlineAngle = 1.5707963267948966;

/// How far the map reaches: the angle from the top of the outermost sensor (0 without any).
double MapReach(const std::vector<TPoint3>& sensors);

/// Where one map lies in its panel, in the panel's pixels.
struct TMapFrame {
    double CentreX = 0;
    double CentreY = 0;
    double PixelsPerRadian = 0;
    int TitleHeight = 0;
};

/// The frame of a map in a panel of width x height pixels below a title strip: the head,
/// its ears and nose, and the whole map fit in the space left, centred.
TMapFrame ComputeMapFrame(int width, int height, int titleHeight, double reach);

/// A map point in panel pixels and back; y grows downwards, so the nose is up.
struct TPixelPoint {
    double X = 0;
    double Y = 0;
};
TPixelPoint DiscToPixel(const TMapFrame& frame, TDiscPoint p);
TDiscPoint PixelToDisc(const TMapFrame& frame, TPixelPoint p);

/// The pixels of a panel that the map covers: the centre of pixel (column, row) lies within
/// reach of the top of the head. Indices are row * width + column, in increasing order;
/// Points holds the point on the sphere of each.
struct TMapPixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::int32_t> Index;
    std::vector<TPoint3> Points;
};
TMapPixels CoveredPixels(const TMapFrame& frame, int width, int height, double reach);

/// The diverging colour of value within -range .. +range: blue below 0, white at 0, red
/// above; beyond the range the colour of its end.
struct TMapColour {
    std::uint8_t R = 255, G = 255, B = 255;
    bool operator==(const TMapColour&) const = default;
};
TMapColour DivergingColour(double value, double range);

/// The colour range of a picture: the largest magnitude of any value (1 when all are 0 or
/// there are none), so that no map of the picture reaches beyond it.
double FitColourRange(const std::vector<std::vector<double>>& values);

/// The levels of the colour bar's ticks and of the contour lines: the multiples of a round
/// step (1, 2 or 5 times a power of ten, about four a side) within -range .. +range.
std::vector<double> ContourLevels(double range);

/// One straight piece of a contour line, in grid coordinates (column, row of pixel centres).
struct TContourSegment {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
/// The pieces of the line value == level through a grid of width x height values (row
/// major) by marching squares; cells with a NaN corner are left out.
std::vector<TContourSegment> ContourSegments(const std::vector<float>& grid, int width, int height, double level);

} // namespace orva::plot
