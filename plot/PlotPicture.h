#pragma once
// Saves a cell graph scene as a picture file, PNG or SVG, chosen by the file's extension.
#include "plot/PlotPainter.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace orva::plot {

enum class TPictureFormat { Png, Svg };

/// The format a file name asks for by its extension (".png" or ".svg", any case); none for
/// any other name.
std::optional<TPictureFormat> PictureFormatOf(const QString& path);

/// The scene painted on a new bitmap of the given size.
QImage RenderPlot(QSize size, const TPlotScene& scene);

/// Writes a picture of the given size to path, in the format of its extension, drawn by
/// paint (onto a white bitmap, or into an SVG file with this title). The file is replaced
/// only once the picture is complete. Throws an EORVAError naming the file when the name
/// has neither extension, the size is out of bounds or the file cannot be written.
void SavePicture(const QString& path, QSize size, const QString& title, const std::function<void(QPainter&)>& paint);

/// Writes the scene at the given size to path, in the format of its extension. The file is
/// replaced only once the picture is complete. Throws an EORVAError naming the file when
/// the name has neither extension or the file cannot be written.
TPlotPaintResult SavePlotPicture(const QString& path, QSize size, const TPlotScene& scene);

/// The largest picture side accepted, in pixels.
inline constexpr int kMaximumPictureSide = 10000;

/// Reads "WxH" (for example "800x400") as a picture size; none unless both are whole
/// numbers within 1 .. kMaximumPictureSide.
std::optional<QSize> ParsePictureSize(const QString& text);

} // namespace orva::plot
