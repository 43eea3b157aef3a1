#pragma once
// Draws a cell graph scene with QPainter on any paint device: the window's bitmap, a PNG
// or an SVG. At the default options this is the plot as it has always been drawn.
#include "plot/PlotScene.h"

#include <QRect>
#include <QSize>

class QPainter;

namespace orva::plot {

struct TPlotPaintResult {
    QRect Area;          ///< where the plot itself lies (the whole picture without axes)
    std::size_t Clipped = 0; ///< samples of all traces that lie beyond the range
};

/// Paints the scene into the rectangle (0, 0) - size of the painter's device.
TPlotPaintResult PaintPlot(QPainter& painter, QSize size, const TPlotScene& scene);

} // namespace orva::plot
