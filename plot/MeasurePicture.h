#pragma once
// The measure window's picture: the chosen trace as the cell graph draws it, with the
// measurement window shaded and what the chosen measures find marked (the peak, the areas,
// the fractional latencies), so that the user sees what was measured.
#include "export/MeasureExport.h"
#include "plot/PlotGeometry.h"
#include "plot/PlotScene.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

namespace orva::plot {

/// Where the marks lie in a plot area of the given size: the shaded band from the first to
/// the last window sample, the peak's point, the points of the fractional latencies found,
/// and the trace's points over the window with the axis for the areas, in the area's own
/// pixels, on the same mapping as the drawn trace.
struct TMeasureMarks {
    int WindowLeft = 0;
    int WindowRight = 0;
    int PeakX = 0;
    int PeakY = 0;
    std::optional<TPlotPoint> FractionalArea;
    std::optional<TPlotPoint> FractionalPeak;
    int AxisY = 0;
    std::vector<TPlotPoint> WindowTrace;
};
TMeasureMarks ComputeMeasureMarks(const TPlotScene& scene, QSize area, const TTraceMeasures& measures);

/// The picture of trace (zero-based cell c, observation o, channel h) with the marks of
/// options.Measures (the peak always), the range fitted to the trace; options must have
/// passed CheckMeasures for the file.
QImage MeasurePicture(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options, QSize size);

} // namespace orva::plot
