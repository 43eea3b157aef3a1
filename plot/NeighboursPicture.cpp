#include "plot/NeighboursPicture.h"

#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#include "plot/ScalpMapPicture.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace orva::plot {

namespace {

// Room above the head for nothing but the nose: no title.
constexpr int kTitleHeight = 0;

TMapFrame FrameOf(QSize size, const TNeighboursScene& scene)
{
    return ComputeMapFrame(size.width(), size.height(), kTitleHeight, MapReach(scene.Directions));
}

double ScaleOf(QSize size)
{
    return std::clamp(std::min(size.width(), size.height()) / 300.0, 0.5, 4.0);
}

} // namespace

std::vector<TNeighbourLine> NeighbourLines(QSize size, const TNeighboursScene& scene)
{
    const TMapFrame frame = FrameOf(size, scene);
    std::vector<TNeighbourLine> lines;
    const int n = static_cast<int>(std::min(scene.Directions.size(), scene.Neighbours.size()));
    for (int i = 0; i < n; ++i)
        for (int j : scene.Neighbours[static_cast<std::size_t>(i)])
            if (j > i && j < n)
                lines.push_back({i, j, DiscToPixel(frame, ProjectToDisc(scene.Directions[static_cast<std::size_t>(i)])),
                                 DiscToPixel(frame, ProjectToDisc(scene.Directions[static_cast<std::size_t>(j)]))});
    return lines;
}

void PaintNeighbours(QPainter& painter, QSize size, const TNeighboursScene& scene)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const TMapFrame frame = FrameOf(size, scene);
    const double scale = ScaleOf(size);
    DrawHeadOutline(painter, frame, scale);

    QPen line(QColor(67, 147, 195));
    line.setWidthF(1.2 * scale);
    line.setCapStyle(Qt::RoundCap);
    painter.setPen(line);
    for (const TNeighbourLine& l : NeighbourLines(size, scene))
        painter.drawLine(QPointF(l.From.X, l.From.Y), QPointF(l.To.X, l.To.Y));

    const double radius = 2.5 * scale;
    painter.setFont([&] {
        QFont font;
        font.setPixelSize(std::max(7, static_cast<int>(std::lround(8 * scale))));
        return font;
    }());
    const QFontMetricsF fm(painter.font());
    for (std::size_t i = 0; i < scene.Directions.size(); ++i) {
        const TPixelPoint p = DiscToPixel(frame, ProjectToDisc(scene.Directions[i]));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QPointF(p.X, p.Y), radius, radius);
        if (i < scene.Labels.size()) {
            const QString text = NativeToText(scene.Labels[i]);
            painter.setPen(Qt::black);
            painter.drawText(QPointF(p.X - fm.horizontalAdvance(text) / 2, p.Y - radius - 1.5), text);
        }
    }
    painter.restore();
}

QImage RenderNeighbours(QSize size, const TNeighboursScene& scene)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintNeighbours(painter, size, scene);
    return image;
}

void SaveNeighboursPicture(const QString& path, QSize size, const TNeighboursScene& scene)
{
    SavePicture(path, size, QStringLiteral("Channel neighbours"),
                [&](QPainter& painter) { PaintNeighbours(painter, size, scene); });
}

} // namespace orva::plot
