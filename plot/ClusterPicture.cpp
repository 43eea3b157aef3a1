#include "plot/ClusterPicture.h"

#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#include "plot/ScalpMapPicture.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orva::plot {

namespace {

constexpr int kTitleHeight = 24;
constexpr int kLabelWidth = 56;
constexpr int kMatrixWidth = 480;
constexpr int kAxisHeight = 36;
constexpr int kBarWidth = 64;
constexpr int kMapSide = 220;
constexpr int kMostMaps = 6;
// How much of white a faded point takes.
constexpr double kFade = 0.75;

int MatrixHeight(const TClusterTestResult& r)
{
    return std::clamp(r.NumChannels() * 4, 240, 640);
}

QFont PixelFont(int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Number(double value, int decimals)
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals);
}

QString Compact(double value)
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(std::abs(value) < 1e-12 ? 0.0 : value, 'g', 6);
}

// About six round steps over the span.
double TickStep(double span)
{
    for (double step : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0})
        if (span / step <= 8)
            return step;
    return 10000;
}

double Range(const TClusterPictureScene& scene)
{
    return FitColourRange({scene.Result.T});
}

void DrawMatrix(QPainter& painter, const TClusterPictureScene& scene, QRectF area, double range)
{
    const TClusterTestResult& r = scene.Result;
    const int channels = r.NumChannels(), samples = r.NumSamples();
    if (channels == 0 || samples == 0)
        return;
    QImage image(samples, channels, QImage::Format_RGB32);
    const std::vector<TMapColour> colours = PointColours(scene, range);
    for (int c = 0; c < channels; ++c)
        for (int s = 0; s < samples; ++s) {
            const TMapColour k = colours[static_cast<std::size_t>(c) * samples + s];
            image.setPixel(s, c, qRgb(k.R, k.G, k.B));
        }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(area, image);
    painter.restore();

    const double cellW = area.width() / samples, cellH = area.height() / channels;
    QPen outline(QColor(0, 0, 0, 200));
    outline.setWidthF(1.0);
    painter.setPen(outline);
    for (int k : SignificantClusters(scene)) {
        QVector<QLineF> lines;
        for (const TGridEdge& e : ClusterOutline(r, k))
            lines.append(QLineF(area.left() + e.X1 * cellW, area.top() + e.Y1 * cellH, area.left() + e.X2 * cellW,
                                area.top() + e.Y2 * cellH));
        painter.drawLines(lines);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);

    // Channel labels down the left, as many as fit.
    painter.setFont(PixelFont(9));
    const int every = std::max(1, static_cast<int>(std::ceil(11 / cellH)));
    for (int c = 0; c < channels; c += every) {
        const QString label = c < static_cast<int>(r.ChannelLabels.size())
                                  ? NativeToText(r.ChannelLabels[static_cast<std::size_t>(c)])
                                  : QString::number(c + 1);
        painter.drawText(QRectF(0, area.top() + c * cellH + cellH / 2 - 6, area.left() - 4, 12),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    // Time ticks below.
    const double first = r.TimesMs.front(), last = r.TimesMs.back();
    const double dt = samples > 1 ? (last - first) / (samples - 1) : 1;
    const double step = TickStep(last - first);
    painter.setFont(PixelFont(10));
    for (double t = std::ceil(first / step) * step; t <= last + 1e-9; t += step) {
        const double x = area.left() + ((t - first) / dt + 0.5) * cellW;
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        painter.drawText(QRectF(x - 30, area.bottom() + 5, 60, 12), Qt::AlignCenter, Compact(t));
    }
    painter.drawText(QRectF(area.left(), area.bottom() + 19, area.width(), 14), Qt::AlignCenter,
                     QStringLiteral("time (ms)"));
}

void DrawBar(QPainter& painter, QRectF area, double range)
{
    const QRectF bar(area.left() + 8, area.top(), 14, area.height());
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    for (int i = 0; i <= 20; ++i) {
        const TMapColour c = DivergingColour(range * (1 - 2 * i / 20.0), range);
        gradient.setColorAt(i / 20.0, QColor(c.R, c.G, c.B));
    }
    painter.fillRect(bar, gradient);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    painter.setFont(PixelFont(11));
    painter.drawText(QRectF(bar.left(), area.top() - 16, 40, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("t"));
    for (double level : ContourLevels(range)) {
        const double y = bar.top() + (range - level) / (2 * range) * bar.height();
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 6, y - 7, area.right() - bar.right() - 6, 14),
                         Qt::AlignLeft | Qt::AlignVCenter, Compact(level));
    }
}

void DrawMap(QPainter& painter, TScalpMapRenderer& renderer, const TClusterTestResult& r, int k, double range)
{
    const QSize panel(kMapSide, kMapSide);
    const TClusterMap map = ClusterMap(r, k);
    const std::vector<float> grid = renderer.PanelValues(panel, map.MeanT);
    QImage image(panel, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x) {
            const float v = grid[static_cast<std::size_t>(y) * panel.width() + x];
            if (!std::isnan(v)) {
                const TMapColour c = DivergingColour(v, range);
                image.setPixel(x, y, qRgb(c.R, c.G, c.B));
            }
        }
    painter.drawImage(QPoint(0, 0), image);
    const TMapFrame frame = ComputeMapFrame(panel.width(), panel.height(), kMapTitleHeight, MapReach(renderer.Sensors()));
    DrawHeadOutline(painter, frame, kMapSide / 300.0);
    for (std::size_t i = 0; i < renderer.Sensors().size(); ++i) {
        const TPixelPoint p = DiscToPixel(frame, ProjectToDisc(renderer.Sensors()[i]));
        const bool marked = i < map.Marked.size() && map.Marked[i];
        painter.setPen(marked ? QPen(Qt::black, 1) : Qt::NoPen);
        painter.setBrush(marked ? QBrush(Qt::white) : QBrush(Qt::black));
        const double radius = marked ? 2.8 : 1.2;
        painter.drawEllipse(QPointF(p.X, p.Y), radius, radius);
    }
    const TCluster& cluster = r.Clusters[static_cast<std::size_t>(k)];
    painter.setPen(Qt::black);
    painter.setFont(PixelFont(11, true));
    painter.drawText(QRect(0, 0, panel.width(), kMapTitleHeight), Qt::AlignCenter,
                     QStringLiteral("%1 to %2 ms, p = %3")
                         .arg(Compact(map.StartMs), Compact(map.EndMs), Number(cluster.P, cluster.P < 0.001 ? 4 : 3)));
}

} // namespace

std::vector<int> SignificantClusters(const TClusterPictureScene& scene)
{
    std::vector<int> out;
    for (std::size_t k = 0; k < scene.Result.Clusters.size(); ++k)
        if (scene.Result.Clusters[k].P < scene.Alpha)
            out.push_back(static_cast<int>(k));
    return out;
}

std::vector<bool> SignificantPoints(const TClusterPictureScene& scene)
{
    std::vector<bool> in(scene.Result.T.size(), false);
    for (int k : SignificantClusters(scene))
        for (int p : scene.Result.Clusters[static_cast<std::size_t>(k)].Points)
            if (p >= 0 && static_cast<std::size_t>(p) < in.size())
                in[static_cast<std::size_t>(p)] = true;
    return in;
}

std::vector<TMapColour> PointColours(const TClusterPictureScene& scene, double range)
{
    const std::vector<bool> in = SignificantPoints(scene);
    std::vector<TMapColour> colours;
    colours.reserve(scene.Result.T.size());
    for (std::size_t i = 0; i < scene.Result.T.size(); ++i) {
        TMapColour c = DivergingColour(scene.Result.T[i], range);
        if (!in[i]) {
            const auto fade = [](std::uint8_t v) {
                return static_cast<std::uint8_t>(std::lround(v + (255 - v) * kFade));
            };
            c = {fade(c.R), fade(c.G), fade(c.B)};
        }
        colours.push_back(c);
    }
    return colours;
}

TClusterMap ClusterMap(const TClusterTestResult& r, int cluster)
{
    const int channels = r.NumChannels(), samples = r.NumSamples();
    TClusterMap map;
    map.MeanT.assign(static_cast<std::size_t>(channels), 0.0);
    map.Marked.assign(static_cast<std::size_t>(channels), false);
    const auto& points = r.Clusters[static_cast<std::size_t>(cluster)].Points;
    if (points.empty() || samples == 0)
        return map;
    int first = samples, last = -1;
    for (int p : points) {
        first = std::min(first, p % samples);
        last = std::max(last, p % samples);
        map.Marked[static_cast<std::size_t>(p / samples)] = true;
    }
    for (int c = 0; c < channels; ++c) {
        double sum = 0;
        for (int s = first; s <= last; ++s)
            sum += r.T[static_cast<std::size_t>(c) * samples + s];
        map.MeanT[static_cast<std::size_t>(c)] = sum / (last - first + 1);
    }
    map.StartMs = r.TimesMs[static_cast<std::size_t>(first)];
    map.EndMs = r.TimesMs[static_cast<std::size_t>(last)];
    return map;
}

std::vector<TGridEdge> ClusterOutline(const TClusterTestResult& r, int cluster)
{
    const int channels = r.NumChannels(), samples = r.NumSamples();
    const std::vector<bool> mask = r.Clusters[static_cast<std::size_t>(cluster)].Mask(channels * samples);
    const auto in = [&](int c, int s) {
        return c >= 0 && c < channels && s >= 0 && s < samples && mask[static_cast<std::size_t>(c) * samples + s];
    };
    std::vector<TGridEdge> edges;
    for (int c = 0; c < channels; ++c)
        for (int s = 0; s < samples; ++s) {
            if (!in(c, s))
                continue;
            if (!in(c - 1, s))
                edges.push_back({s, c, s + 1, c});
            if (!in(c + 1, s))
                edges.push_back({s, c + 1, s + 1, c + 1});
            if (!in(c, s - 1))
                edges.push_back({s, c, s, c + 1});
            if (!in(c, s + 1))
                edges.push_back({s + 1, c, s + 1, c + 1});
        }
    return edges;
}

QSize ClusterMapSize() { return QSize(kMapSide, kMapSide); }

QImage RenderClusterMap(const TClusterPictureScene& scene, int cluster)
{
    QImage image(ClusterMapSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    TScalpMapRenderer renderer(scene.Directions);
    DrawMap(painter, renderer, scene.Result, cluster, Range(scene));
    return image;
}

QSize ClusterPictureSize(const TClusterPictureScene& scene)
{
    const int maps = scene.Directions.empty()
                         ? 0
                         : std::min(kMostMaps, static_cast<int>(SignificantClusters(scene).size()));
    const int width = kLabelWidth + kMatrixWidth + kBarWidth + maps * kMapSide + 8;
    const int height = std::max(kTitleHeight + MatrixHeight(scene.Result) + kAxisHeight, kMapSide + kTitleHeight);
    return QSize(width, height);
}

void PaintClusterPicture(QPainter& painter, const TClusterPictureScene& scene)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const TClusterTestResult& r = scene.Result;
    const double range = Range(scene);
    const QRectF matrix(kLabelWidth, kTitleHeight, kMatrixWidth, MatrixHeight(r));
    painter.setPen(Qt::black);
    painter.setFont(PixelFont(13, true));
    painter.drawText(QRectF(kLabelWidth, 0, kMatrixWidth, kTitleHeight), Qt::AlignCenter,
                     NativeToText(r.DesignText.empty() ? std::string("t") : r.DesignText));
    DrawMatrix(painter, scene, matrix, range);
    DrawBar(painter, QRectF(matrix.right(), matrix.top(), kBarWidth, matrix.height()), range);

    const std::vector<int> significant = SignificantClusters(scene);
    if (!scene.Directions.empty() && !significant.empty()) {
        TScalpMapRenderer renderer(scene.Directions);
        const int shown = std::min(kMostMaps, static_cast<int>(significant.size()));
        for (int m = 0; m < shown; ++m) {
            painter.save();
            painter.translate(matrix.right() + kBarWidth + 8 + m * kMapSide, kTitleHeight);
            DrawMap(painter, renderer, r, significant[static_cast<std::size_t>(m)], range);
            painter.restore();
        }
    }
    painter.restore();
}

QImage RenderClusterPicture(const TClusterPictureScene& scene)
{
    QImage image(ClusterPictureSize(scene), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintClusterPicture(painter, scene);
    return image;
}

void SaveClusterPicture(const QString& path, const TClusterPictureScene& scene)
{
    SavePicture(path, ClusterPictureSize(scene), QStringLiteral("Cluster test"),
                [&](QPainter& painter) { PaintClusterPicture(painter, scene); });
}

} // namespace orva::plot
