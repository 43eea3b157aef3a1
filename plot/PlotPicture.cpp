#include "plot/PlotPicture.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>

namespace orva::plot {

namespace {

void Fail(const QString& path, const std::string& cause)
{
    throw EORVAError(TextToNative(path), cause);
}

} // namespace

std::optional<TPictureFormat> PictureFormatOf(const QString& path)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return TPictureFormat::Png;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return TPictureFormat::Svg;
    return std::nullopt;
}

QImage RenderPlot(QSize size, const TPlotScene& scene)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPlot(painter, size, scene);
    return image;
}

void SavePicture(const QString& path, QSize size, const QString& title, const std::function<void(QPainter&)>& paint)
{
    const auto format = PictureFormatOf(path);
    if (!format)
        Fail(path, "A picture is saved as PNG or SVG: the name must end in .png or .svg");
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaximumPictureSide ||
        size.height() > kMaximumPictureSide)
        Fail(path, "The picture size must be 1 to " + std::to_string(kMaximumPictureSide) + " pixels a side");

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Fail(path, "Cannot create the file: " + file.errorString().toStdString());
    if (*format == TPictureFormat::Png) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paint(painter);
        }
        if (!image.save(&file, "PNG"))
            Fail(path, "Cannot write the picture");
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        // At 96 dpi the picture's millimetres are as many CSS pixels as it has pixels.
        svg.setResolution(96);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(title);
        svg.setDescription(QStringLiteral("ORVA Toolbox ") + title.toLower());
        QPainter painter;
        if (!painter.begin(&svg))
            Fail(path, "Cannot write the picture");
        paint(painter);
        painter.end();
    }
    if (!file.commit())
        Fail(path, "Cannot write the file: " + file.errorString().toStdString());
}

TPlotPaintResult SavePlotPicture(const QString& path, QSize size, const TPlotScene& scene)
{
    TPlotPaintResult result;
    SavePicture(path, size, QStringLiteral("Cell graph"),
                [&](QPainter& painter) { result = PaintPlot(painter, size, scene); });
    return result;
}

std::optional<QSize> ParsePictureSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int w = match.captured(1).toInt();
    const int h = match.captured(2).toInt();
    if (w < 1 || h < 1 || w > kMaximumPictureSide || h > kMaximumPictureSide)
        return std::nullopt;
    return QSize(w, h);
}

} // namespace orva::plot
