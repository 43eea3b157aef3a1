#include "plot/MeasurePicture.h"

#include "plot/PlotPainter.h"
#include "plot/PlotScale.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>

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
    if (measures.FractionalArea)
        marks.FractionalArea = at(*measures.FractionalArea);
    if (measures.FractionalPeak)
        marks.FractionalPeak = at(*measures.FractionalPeak);
    marks.AxisY = g.AxisY;
    for (int s = measures.Window.First; s <= measures.Window.Last; ++s)
        marks.WindowTrace.push_back(at(s));
    return marks;
}

namespace {

bool Chosen(const TMeasureOptions& options, TMeasureKind kind)
{
    return std::find(options.Measures.begin(), options.Measures.end(), kind) != options.Measures.end();
}

// The areas between the trace and the axis over the window: the positive part in one
// colour, the negative part in another, each drawn where its measure counts it.
void FillAreas(QPainter& painter, const TMeasureMarks& marks, bool negativeUp, bool positive, bool negative, QSize area)
{
    if (marks.WindowTrace.empty() || (!positive && !negative))
        return;
    QPolygon shape;
    shape << QPoint(marks.WindowTrace.front().X, marks.AxisY);
    for (const TPlotPoint& p : marks.WindowTrace)
        shape << QPoint(p.X, p.Y);
    shape << QPoint(marks.WindowTrace.back().X, marks.AxisY);
    const QRect above(0, 0, area.width(), marks.AxisY);
    const QRect below(0, marks.AxisY, area.width(), area.height() - marks.AxisY);
    painter.save();
    painter.setPen(Qt::NoPen);
    if (positive) {
        painter.setClipRect(negativeUp ? below : above);
        painter.setBrush(QColor(0, 150, 70, 110));
        painter.drawPolygon(shape);
    }
    if (negative) {
        painter.setClipRect(negativeUp ? above : below);
        painter.setBrush(QColor(40, 90, 220, 110));
        painter.drawPolygon(shape);
    }
    painter.restore();
}

} // namespace

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
    const QSize area = painted.Area.size();
    const TMeasureMarks marks = ComputeMeasureMarks(scene, area, measures);
    painter.translate(painted.Area.topLeft());
    painter.setClipRect(0, 0, area.width(), area.height());
    // The band is translucent, so the trace and grid show through it.
    painter.fillRect(QRect(marks.WindowLeft, 0, std::max(marks.WindowRight - marks.WindowLeft, 1), area.height()),
                     QColor(255, 160, 0, 70));
    const bool both = Chosen(options, TMeasureKind::Area) || Chosen(options, TMeasureKind::Integral);
    const TAreaKind fractional = FractionalAreaKind(options);
    const bool fractionalArea = Chosen(options, TMeasureKind::FractionalAreaLatency);
    const bool positive = both || Chosen(options, TMeasureKind::PositiveArea) ||
                          (fractionalArea && fractional != TAreaKind::Negative);
    const bool negative = both || Chosen(options, TMeasureKind::NegativeArea) ||
                          (fractionalArea && fractional != TAreaKind::Positive);
    FillAreas(painter, marks, scene.Options.NegativeUp, positive, negative, area);
    painter.setClipRect(0, 0, area.width(), area.height());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawLine(marks.PeakX, 0, marks.PeakX, area.height());
    painter.setBrush(QColor(200, 0, 0));
    painter.drawEllipse(QPoint(marks.PeakX, marks.PeakY), 4, 4);
    if (fractionalArea && marks.FractionalArea) {
        painter.setPen(QPen(QColor(0, 110, 50), 2, Qt::DashLine));
        painter.drawLine(marks.FractionalArea->X, 0, marks.FractionalArea->X, area.height());
    }
    if (Chosen(options, TMeasureKind::FractionalPeakLatency) && marks.FractionalPeak) {
        // The level at the fraction of the peak, from the crossing to the peak.
        const TPlotPoint p = *marks.FractionalPeak;
        painter.setPen(QPen(QColor(130, 0, 160), 2, Qt::DashLine));
        painter.drawLine(p.X, 0, p.X, area.height());
        painter.drawLine(p.X, p.Y, marks.PeakX, p.Y);
        painter.setBrush(QColor(130, 0, 160));
        painter.drawEllipse(QPoint(p.X, p.Y), 4, 4);
    }
    return image;
}

} // namespace orva::plot
