#include "plot/MeasurePicture.h"

#include "plot/PlotGeometry.h"
#include "plot/PlotPainter.h"
#include "plot/PlotScale.h"

#include <QPainter>

namespace orva::plot {

TMeasureMarks ComputeMeasureMarks(const TPlotScene& scene, QSize area, const TTraceMeasures& measures)
{
    TPlotInput in;
    in.Width = area.width();
    in.Height = area.height();
    in.Samples = scene.Samples;
    in.SamplesPerSecond = scene.SamplesPerSecond;
    in.RangeUv = scene.Options.RangeUv;
    in.NegativeUp = scene.Options.NegativeUp;
    for (const TPlotSeries& series : scene.Series)
        if (series.Highlight || scene.Series.size() == 1)
            in.Voltages = series.Voltages;
    const TPlotGeometry g = ComputePlotGeometry(in);
    TMeasureMarks marks;
    if (g.Trace.empty())
        return marks;
    auto at = [&](int s) { return g.Trace[static_cast<std::size_t>(s)]; };
    marks.WindowLeft = at(measures.Window.First).X;
    marks.WindowRight = at(measures.Window.Last).X;
    marks.PeakX = at(measures.Peak.Index).X;
    marks.PeakY = at(measures.Peak.Index).Y;
    return marks;
}

QImage MeasurePicture(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options, QSize size)
{
    TPlotOptions plot;
    plot.Axes = true;
    TPlotScene scene = BuildPlotScene(file, c, o, h, plot);
    scene.Options.RangeUv = FitRange(SceneVoltages(scene));
    const TTraceMeasures measures = MeasureTrace(file, c, o, h, options);

    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const TPlotPaintResult painted = PaintPlot(painter, size, scene);
    const TMeasureMarks marks = ComputeMeasureMarks(scene, painted.Area.size(), measures);
    painter.translate(painted.Area.topLeft());
    painter.setClipRect(0, 0, painted.Area.width(), painted.Area.height());
    // The band is translucent, so the trace and grid show through it.
    painter.fillRect(QRect(marks.WindowLeft, 0, std::max(marks.WindowRight - marks.WindowLeft, 1),
                           painted.Area.height()),
                     QColor(255, 160, 0, 70));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawLine(marks.PeakX, 0, marks.PeakX, painted.Area.height());
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QPoint(marks.PeakX, marks.PeakY), 4, 4);
    return image;
}

} // namespace orva::plot
