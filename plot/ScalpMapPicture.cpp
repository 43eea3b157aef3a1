#include "plot/ScalpMapPicture.h"

#include "plot/PlotPicture.h"
#include "plot/QtText.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orva::plot {

namespace {

const QColor kContourColour(40, 40, 40, 150);

QColor Colour(TMapColour c)
{
    return QColor(c.R, c.G, c.B);
}

QPen Pen(const QColor& colour, double width)
{
    QPen pen(colour);
    pen.setWidthF(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// Pixel sizes keep the texts the same on the window's bitmap, a PNG and an SVG.
QFont PixelFont(int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Number(double value)
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(std::abs(value) < 1e-12 ? 0.0 : value, 'g', 6);
}

QImage MapImage(QSize panel, const std::vector<float>& grid, double range)
{
    QImage image(panel, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int row = 0; row < panel.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int column = 0; column < panel.width(); ++column) {
            const float v = grid[static_cast<std::size_t>(row) * panel.width() + column];
            if (!std::isnan(v)) {
                const TMapColour c = DivergingColour(v, range);
                line[column] = qRgb(c.R, c.G, c.B);
            }
        }
    }
    return image;
}

void DrawContours(QPainter& painter, QSize panel, const std::vector<float>& grid, double range, double scale)
{
    painter.setPen(Pen(kContourColour, std::max(0.6, scale)));
    for (double level : ContourLevels(range)) {
        QVector<QLineF> lines;
        for (const TContourSegment& s : ContourSegments(grid, panel.width(), panel.height(), level))
            lines.append(QLineF(s.X1 + 0.5, s.Y1 + 0.5, s.X2 + 0.5, s.Y2 + 0.5));
        painter.drawLines(lines);
    }
}

void DrawSensors(QPainter& painter, const TMapFrame& frame, const std::vector<TPoint3>& sensors,
                 const TScalpMapScene& scene, double scale)
{
    const double radius = std::max(1.2, 1.6 * scale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const TPoint3& s : sensors) {
        const TPixelPoint p = DiscToPixel(frame, ProjectToDisc(s));
        painter.drawEllipse(QPointF(p.X, p.Y), radius, radius);
    }
    if (!scene.ShowLabels)
        return;
    painter.setPen(Qt::black);
    painter.setFont(PixelFont(std::max(7, static_cast<int>(std::lround(8 * scale)))));
    const QFontMetricsF fm(painter.font());
    for (std::size_t i = 0; i < sensors.size() && i < scene.Labels.size(); ++i) {
        const TPixelPoint p = DiscToPixel(frame, ProjectToDisc(sensors[i]));
        const QString text = NativeToText(scene.Labels[i]);
        painter.drawText(QPointF(p.X - fm.horizontalAdvance(text) / 2, p.Y - radius - 1.5), text);
    }
}

void DrawColourBar(QPainter& painter, QRect area, double range)
{
    painter.setFont(PixelFont(11));
    const QFontMetrics fm(painter.font());
    const int top = area.top() + kMapTitleHeight + fm.height();
    const int bottom = area.bottom() - fm.height();
    const QRect bar(area.left() + 8, top, 14, std::max(1, bottom - top));
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    for (int i = 0; i <= 20; ++i) {
        const double t = i / 20.0;
        gradient.setColorAt(t, Colour(DivergingColour(range * (1 - 2 * t), range)));
    }
    painter.fillRect(bar, gradient);
    painter.setPen(Pen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(bar).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.drawText(QRect(bar.left(), area.top() + kMapTitleHeight - 2, area.right() - bar.left(), fm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("\u00B5V"));
    for (double level : ContourLevels(range)) {
        const double y = bar.top() + (range - level) / (2 * range) * bar.height();
        painter.drawLine(QPointF(bar.right() + 1, y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 6, y - fm.height() / 2.0, area.right() - bar.right() - 6, fm.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, Number(level));
    }
}

// The spline is solved for directions on the unit sphere.
std::vector<TPoint3> OnUnitSphere(std::vector<TPoint3> points)
{
    for (TPoint3& p : points) {
        const double r = std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z);
        if (r > 0)
            p = {p.X / r, p.Y / r, p.Z / r};
    }
    return points;
}

// The spline's kernel g tabulated over the cosine from -1 to 1 and read by linear
// interpolation: g is smooth enough that the table's steps of 2^-15 leave errors far
// below a float's resolution, at a fraction of the cost of the Legendre series per pixel.
class TKernelTable {
public:
    TKernelTable() : values_(kSteps + 2)
    {
        for (int i = 0; i <= kSteps; ++i)
            values_[static_cast<std::size_t>(i)] = SplineKernel(-1.0 + 2.0 * i / kSteps);
        values_[kSteps + 1] = values_[kSteps];
    }
    double operator()(double cosAngle) const
    {
        const double x = (std::clamp(cosAngle, -1.0, 1.0) + 1.0) * (kSteps / 2.0);
        const auto i = static_cast<std::size_t>(x);
        const double f = x - static_cast<double>(i);
        return values_[i] + (values_[i + 1] - values_[i]) * f;
    }

private:
    static constexpr int kSteps = 1 << 16;
    std::vector<double> values_;
};

} // namespace

// The outline at 90 degrees from the top, the nose above it and an ear on each side.
void DrawHeadOutline(QPainter& painter, const TMapFrame& frame, double scale)
{
    const double r = kOutlineAngle * frame.PixelsPerRadian;
    const QPointF centre(frame.CentreX, frame.CentreY);
    painter.setPen(Pen(Qt::black, 1.5 * scale));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, r, r);
    const double side = 0.18; // radians each side of the top where the nose meets the outline
    QPainterPath nose;
    nose.moveTo(centre + QPointF(-r * std::sin(side), -r * std::cos(side)));
    nose.lineTo(centre + QPointF(0, -r * 1.15));
    nose.lineTo(centre + QPointF(r * std::sin(side), -r * std::cos(side)));
    painter.drawPath(nose);
    const double earWidth = 0.16 * r, earHeight = 0.36 * r;
    // The outer halves of two small ellipses centred on the outline.
    painter.drawArc(QRectF(frame.CentreX - r - earWidth / 2, frame.CentreY - earHeight / 2, earWidth, earHeight),
                    90 * 16, 180 * 16);
    painter.drawArc(QRectF(frame.CentreX + r - earWidth / 2, frame.CentreY - earHeight / 2, earWidth, earHeight),
                    -90 * 16, 180 * 16);
}

std::vector<double> KernelRows(const std::vector<TPoint3>& points, const std::vector<TPoint3>& sensors)
{
    static const TKernelTable kernel;
    std::vector<double> rows(points.size() * sensors.size());
    std::size_t k = 0;
    for (const TPoint3& p : points)
        for (const TPoint3& s : sensors)
            rows[k++] = kernel(p.X * s.X + p.Y * s.Y + p.Z * s.Z);
    return rows;
}

QSize ScalpMapPictureSize(QSize panel, int maps)
{
    return QSize(panel.width() * std::max(1, maps) + kColourBarWidth, panel.height());
}

TScalpMapRenderer::TScalpMapRenderer(std::vector<TPoint3> sensors)
    : sensors_(OnUnitSphere(std::move(sensors))), spline_(sensors_), reach_(MapReach(sensors_))
{
}

const TMapPixels& TScalpMapRenderer::PixelsFor(QSize panel)
{
    if (panel != cachedPanel_) {
        const TMapFrame frame = ComputeMapFrame(panel.width(), panel.height(), kMapTitleHeight, reach_);
        pixels_ = CoveredPixels(frame, panel.width(), panel.height(), reach_);
        kernels_ = KernelRows(pixels_.Points, sensors_);
        cachedPanel_ = panel;
    }
    return pixels_;
}

std::vector<float> TScalpMapRenderer::PanelValues(QSize panel, const std::vector<double>& values)
{
    const TMapPixels& pixels = PixelsFor(panel);
    std::vector<float> grid(static_cast<std::size_t>(panel.width()) * panel.height(),
                            std::numeric_limits<float>::quiet_NaN());
    std::vector<double> v(values);
    v.resize(sensors_.size(), 0.0);
    // The spline's weights c_1..c_n and c0 for these values; each pixel's value is then
    // its row of kernel values times the weights, plus c0.
    const std::vector<double> c = spline_.Coefficients(v);
    const std::size_t n = sensors_.size();
    for (std::size_t p = 0; p < pixels.Index.size(); ++p) {
        const double* g = kernels_.data() + p * n;
        double sum = c[n];
        for (std::size_t i = 0; i < n; ++i)
            sum += g[i] * c[i];
        grid[static_cast<std::size_t>(pixels.Index[p])] = static_cast<float>(sum);
    }
    return grid;
}

void TScalpMapRenderer::Paint(QPainter& painter, QSize panel, const TScalpMapScene& scene)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const TMapFrame frame = ComputeMapFrame(panel.width(), panel.height(), kMapTitleHeight, reach_);
    // Pens and dots grow with the map, a 300-pixel panel drawing them at their base size.
    const double scale = std::clamp(std::min(panel.width(), panel.height()) / 300.0, 0.5, 4.0);
    for (std::size_t m = 0; m < scene.Maps.size(); ++m) {
        painter.save();
        painter.translate(static_cast<int>(m) * panel.width(), 0);
        const std::vector<float> grid = PanelValues(panel, scene.Maps[m].Values);
        painter.drawImage(QPoint(0, 0), MapImage(panel, grid, scene.RangeUv));
        DrawContours(painter, panel, grid, scene.RangeUv, scale);
        DrawHeadOutline(painter, frame, scale);
        DrawSensors(painter, frame, sensors_, scene, scale);
        painter.setPen(Qt::black);
        painter.setFont(PixelFont(13, true));
        painter.drawText(QRect(0, 0, panel.width(), kMapTitleHeight), Qt::AlignCenter,
                         NativeToText(scene.Maps[m].Title));
        painter.restore();
    }
    const QSize size = ScalpMapPictureSize(panel, static_cast<int>(scene.Maps.size()));
    DrawColourBar(painter, QRect(size.width() - kColourBarWidth, 0, kColourBarWidth, size.height()), scene.RangeUv);
    painter.restore();
}

QImage TScalpMapRenderer::Render(QSize panel, const TScalpMapScene& scene)
{
    QImage image(ScalpMapPictureSize(panel, static_cast<int>(scene.Maps.size())), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(painter, panel, scene);
    return image;
}

void TScalpMapRenderer::Save(const QString& path, QSize panel, const TScalpMapScene& scene)
{
    SavePicture(path, ScalpMapPictureSize(panel, static_cast<int>(scene.Maps.size())), QStringLiteral("Scalp map"),
                [&](QPainter& painter) { Paint(painter, panel, scene); });
}

} // namespace orva::plot
