#include "plot/PlotPainter.h"

#include "plot/PlotGeometry.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace orva::plot {

namespace {

const QColor kGridColour(192, 192, 192);
const QColor kClipColour(255, 0, 0);
constexpr int kTickLength = 4;
constexpr int kClipMarkLength = 6;

QColor Colour(TRgb c)
{
    return QColor(c.R, c.G, c.B);
}

QPen SolidPen(const QColor& colour, int width = 1)
{
    QPen pen(colour);
    pen.setWidth(width);
    pen.setCosmetic(true);
    pen.setStyle(Qt::SolidLine);
    return pen;
}

// Pixel sizes keep the labels the same on the window's bitmap, a PNG and an SVG.
QFont LabelFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}

QString Number(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 6);
}

// Where the plot lies inside the picture: room on the left for the voltage labels, below
// for the time labels, above for the unit and on the right for "ms".
QRect PlotArea(QSize size, const TPlotScene& scene, const QFontMetrics& fm)
{
    if (!scene.Options.Axes)
        return QRect(QPoint(0, 0), size);
    const int half = std::max(2, scene.Options.RangeUv) / 2;
    int labelWidth = fm.horizontalAdvance(QStringLiteral("\u00B5V"));
    for (double v : {static_cast<double>(-half), static_cast<double>(half), -half / 3.0})
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(Number(v)));
    const int left = labelWidth + kTickLength + 4;
    const int top = fm.height() + 2;
    const int right = fm.horizontalAdvance(QStringLiteral("ms")) + 6;
    const int bottom = fm.height() + kTickLength + 3;
    return QRect(left, top, std::max(1, size.width() - left - right), std::max(1, size.height() - top - bottom));
}

void DrawTrace(QPainter& painter, const TPlotSeries& series, const std::vector<TPlotPoint>& points)
{
    if (points.empty())
        return;
    painter.setPen(SolidPen(Colour(series.Colour), series.PenWidth));
    QPolygon trace;
    trace.reserve(static_cast<int>(points.size()));
    for (const TPlotPoint& p : points)
        trace << QPoint(p.X, p.Y);
    painter.drawPolyline(trace);
    // Qt's line rule may leave out the pixel of a sample where the trace turns sharply;
    // every sample's own pixel is drawn, as a move-to/line-to trace draws it.
    if (series.PenWidth == 1)
        painter.drawPoints(trace);
}

void DrawClipMarks(QPainter& painter, const TClipping& clipping, int height)
{
    painter.setPen(SolidPen(kClipColour));
    for (int x : clipping.AboveX)
        painter.drawLine(x, 0, x, kClipMarkLength - 1);
    for (int x : clipping.BelowX)
        painter.drawLine(x, height - 1, x, height - kClipMarkLength);
}

void DrawAxes(QPainter& painter, const QRect& area, const TPlotScene& scene, const TPlotGeometry& g)
{
    const QFontMetrics fm = painter.fontMetrics();
    painter.setPen(SolidPen(Qt::black));
    painter.drawRect(area.adjusted(-1, -1, 0, 0));
    for (const TAxisTick& t : VoltageTicks(scene.Options.RangeUv, area.height(), g.PxPerUv, scene.Options.NegativeUp,
                                          fm.height() + 8)) {
        const int y = area.top() + t.Position;
        painter.drawLine(area.left() - kTickLength - 1, y, area.left() - 2, y);
        const QRect box(0, y - fm.height() / 2, area.left() - kTickLength - 3, fm.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, Number(t.Value));
    }
    painter.drawText(QRect(0, 0, area.left() - kTickLength - 3, fm.height()), Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("\u00B5V"));

    const QRect unit(area.right() + 3, area.bottom() + kTickLength + 2, fm.horizontalAdvance(QStringLiteral("ms")) + 2,
                     fm.height());
    painter.drawText(unit, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("ms"));
    if (!g.MsPerSample || !g.PxPerMs)
        return;
    QRect previous;
    for (const TAxisTick& t : TimeTicks(scene.Samples, *g.MsPerSample, *g.PxPerMs, scene.BaselineDuration.value_or(0),
                                        area.width(), fm.horizontalAdvance(QStringLiteral("-0000")) + 12)) {
        const int x = area.left() + t.Position;
        painter.drawLine(x, area.bottom() + 2, x, area.bottom() + kTickLength + 1);
        const QString text = Number(t.Value);
        const int w = fm.horizontalAdvance(text);
        const QRect box(x - w / 2, area.bottom() + kTickLength + 2, w, fm.height());
        if (!previous.isNull() && box.left() <= previous.right() + 3)
            continue;
        if (box.intersects(unit))
            continue;
        painter.drawText(box, Qt::AlignCenter, text);
        previous = box;
    }
}

void DrawLegend(QPainter& painter, const QRect& area, const TPlotScene& scene)
{
    const QFontMetrics fm = painter.fontMetrics();
    std::vector<const TPlotSeries*> entries;
    int textWidth = 0;
    for (const TPlotSeries& s : scene.Series)
        if (!s.Label.empty()) {
            entries.push_back(&s);
            textWidth = std::max(textWidth, fm.horizontalAdvance(QString::fromStdString(s.Label)));
        }
    if (entries.empty())
        return;
    constexpr int kSwatch = 16;
    const int rowHeight = fm.height();
    const QRect box(area.right() - (textWidth + kSwatch + 14) - 3, area.top() + 3, textWidth + kSwatch + 14,
                    static_cast<int>(entries.size()) * rowHeight + 6);
    painter.setPen(SolidPen(kGridColour));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int y = box.top() + 3 + static_cast<int>(i) * rowHeight;
        painter.setPen(SolidPen(Colour(entries[i]->Colour), std::max(2, entries[i]->PenWidth)));
        painter.drawLine(box.left() + 5, y + rowHeight / 2, box.left() + 5 + kSwatch, y + rowHeight / 2);
        painter.setPen(SolidPen(Qt::black));
        painter.drawText(QRect(box.left() + kSwatch + 9, y, textWidth + 2, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(entries[i]->Label));
    }
}

} // namespace

TPlotPaintResult PaintPlot(QPainter& painter, QSize size, const TPlotScene& scene)
{
    const TPlotOptions& o = scene.Options;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(LabelFont());
    painter.setPen(SolidPen(Qt::black));
    painter.fillRect(0, 0, size.width(), size.height(), Qt::white);

    TPlotPaintResult result;
    result.Area = PlotArea(size, scene, painter.fontMetrics());
    const int w = result.Area.width();
    const int h = result.Area.height();

    TPlotInput in;
    in.Width = w;
    in.Height = h;
    in.Samples = scene.Samples;
    in.SamplesPerSecond = scene.SamplesPerSecond;
    in.XGrid = o.XGrid;
    in.YGrid = o.YGrid;
    in.BaselineDuration = scene.BaselineDuration;
    in.RangeUv = o.RangeUv;
    in.NegativeUp = o.NegativeUp;
    const TPlotGeometry g = ComputePlotGeometry(in);

    painter.save();
    painter.translate(result.Area.topLeft());
    if (o.Axes)
        painter.setClipRect(0, 0, w, h);
    painter.setPen(SolidPen(kGridColour));
    for (int x : g.VerticalGridX)
        painter.drawLine(x, 0, x, h);
    for (int y : g.HorizontalGridY)
        painter.drawLine(0, y, w, y);
    painter.setPen(SolidPen(Qt::black));
    painter.drawLine(0, g.AxisY, w, g.AxisY);
    if (g.MarkerX)
        painter.drawLine(*g.MarkerX, 0, *g.MarkerX, h);

    if (g.PxPerMs) {
        // Each trace on the chosen cell's time scale at its own sampling rate.
        std::vector<std::vector<TPlotPoint>> traces;
        for (const TPlotSeries& s : scene.Series) {
            const float msPerSample = s.SamplesPerSecond > 0 ? static_cast<float>(1000.0 / s.SamplesPerSecond) : 0.0f;
            traces.push_back(s.SamplesPerSecond > 0 ? ComputeTrace(s.Voltages, msPerSample, *g.PxPerMs, g.PxPerUv, h,
                                                                   o.NegativeUp)
                                                    : std::vector<TPlotPoint>());
        }
        for (bool highlighted : {false, true})
            for (std::size_t i = 0; i < traces.size(); ++i)
                if (scene.Series[i].Highlight == highlighted)
                    DrawTrace(painter, scene.Series[i], traces[i]);
        for (const auto& trace : traces) {
            const TClipping clipping = FindClipping(trace, h);
            result.Clipped += clipping.Count();
            if (o.MarkClipped)
                DrawClipMarks(painter, clipping, h);
        }
    }
    painter.restore();

    if (o.Axes)
        DrawAxes(painter, result.Area, scene, g);
    if (scene.Legend)
        DrawLegend(painter, result.Area, scene);
    painter.restore();
    return result;
}

} // namespace orva::plot
