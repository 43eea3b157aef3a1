// The cell graph's pictures: PNG and SVG files, clipping marks, axes and legend.
#include "plot/PlotPicture.h"

#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/support/ViewTestDocuments.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::plot {
namespace {

const QRgb kRed = qRgb(255, 0, 0);

// Two named cells whose traces rise to 30 and 60 uV.
TPlotScene TwoCellScene(bool axes)
{
    auto file = test::AverageDocument({{1, 100, 250}, {1, 100, 250}}, 2, [](int cell, int, int s, int) {
        return static_cast<std::int16_t>((cell + 1) * 3 * s); // ScaleBins 10: up to 29.7 and 59.4 uV
    });
    file->Cells[0].Name = "Standard";
    file->Cells[1].Name = "Target";
    TPlotOptions options;
    options.Overlay = TOverlay::Cells;
    options.Axes = axes;
    options.RangeUv = 200;
    return BuildPlotScene(*file, 0, 0, 1, options);
}

QString TempPath(const test::TTempDir& dir, const char* name)
{
    return QString::fromStdString(dir.Path(name));
}

int Count(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

TEST(PlotPicture, SvgHoldsTracesLegendAndAxisLabels)
{
    test::TTempDir dir;
    const QString path = TempPath(dir, "graph.svg");
    SavePlotPicture(path, QSize(480, 240), TwoCellScene(true));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(svg.contains(QLatin1String("<svg"))) << svg.left(200).toStdString();
    EXPECT_TRUE(svg.contains(QLatin1String("viewBox=\"0 0 480 240\"")));
    // 480 pixels at 96 dpi: a browser shows it 480 CSS pixels wide.
    EXPECT_TRUE(svg.contains(QLatin1String("width=\"127mm\""))) << svg.left(200).toStdString();
    for (const char* text : {">Standard<", ">Target<", ">ms<", ">-200<", ">0<", ">100<"})
        EXPECT_TRUE(svg.contains(QString::fromUtf8(text))) << text;
    EXPECT_TRUE(svg.contains(QString::fromUtf8(">\u00B5V<")));
    // Cell 1 in the trace blue, cell 2 in the second colour, each as a polyline of 100 points.
    EXPECT_TRUE(svg.contains(QLatin1String("stroke=\"#0000ff\"")));
    EXPECT_TRUE(svg.contains(QLatin1String("stroke=\"#dc0000\"")));
    EXPECT_GE(svg.count(QLatin1String("<polyline")), 2);
}

TEST(PlotPicture, PngIsThePictureAtTheChosenSize)
{
    test::TTempDir dir;
    const TPlotScene scene = TwoCellScene(false);
    for (const QSize size : {QSize(321, 157), QSize(800, 400)}) {
        const QString path = TempPath(dir, "graph.png");
        SavePlotPicture(path, size, scene);
        const QImage saved(path);
        ASSERT_EQ(saved.size(), size);
        EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), RenderPlot(size, scene));
        EXPECT_GT(Count(saved, qRgb(220, 0, 0)), 0) << "cell 2's trace";
    }
}

TEST(PlotPicture, OtherNamesAndSizesAreRefusedAndWriteNothing)
{
    test::TTempDir dir;
    const struct {
        const char* Name;
        QSize Size;
        const char* Says;
    } cases[] = {{"graph.jpg", QSize(100, 100), "must end in .png or .svg"},
                 {"graph", QSize(100, 100), "must end in .png or .svg"},
                 {"graph.png", QSize(0, 100), "1 to 10000 pixels"},
                 {"graph.svg", QSize(100, 10001), "1 to 10000 pixels"},
                 {"missing/graph.png", QSize(100, 100), "Cannot create the file"}};
    for (const auto& c : cases) {
        const QString path = TempPath(dir, c.Name);
        try {
            SavePlotPicture(path, c.Size, TwoCellScene(false));
            ADD_FAILURE() << c.Name << " was accepted";
        } catch (const EORVAError& e) {
            EXPECT_EQ(e.Path(), path.toStdString());
            EXPECT_NE(e.Cause().find(c.Says), std::string::npos) << e.Cause();
        }
        EXPECT_FALSE(std::filesystem::exists(path.toStdString())) << c.Name;
    }
}

TEST(PlotPicture, FormatFollowsTheExtension)
{
    const struct {
        const char* Name;
        std::optional<TPictureFormat> Format;
    } cases[] = {{"a.png", TPictureFormat::Png}, {"A.PNG", TPictureFormat::Png}, {"b.Svg", TPictureFormat::Svg},
                 {"a.png.txt", std::nullopt},     {"png", std::nullopt},           {"", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureFormatOf(QString::fromLatin1(c.Name)), c.Format) << c.Name;
}

TEST(PlotPicture, SizeIsReadAsWidthByHeight)
{
    const struct {
        const char* Text;
        std::optional<QSize> Size;
    } cases[] = {{"800x400", QSize(800, 400)}, {"1X1", QSize(1, 1)},  {"10000x10000", QSize(10000, 10000)},
                 {"0x10", std::nullopt},        {"10x", std::nullopt}, {"10001x5", std::nullopt},
                 {" 8x4", std::nullopt},        {"8*4", std::nullopt}, {"-8x4", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(ParsePictureSize(QString::fromLatin1(c.Text)), c.Size) << c.Text;
}

TEST(PlotPicture, ClippedSamplesAreCountedAndMarkedOnRequest)
{
    TPlotScene scene = TwoCellScene(false);
    scene.Options.RangeUv = 50; // +-25 uV: cell 1 lies above the plot from sample 85 on, cell 2 from sample 43 on
    for (const bool mark : {false, true}) {
        scene.Options.MarkClipped = mark;
        QImage image(400, 200, QImage::Format_RGB32);
        QPainter painter(&image);
        const TPlotPaintResult result = PaintPlot(painter, image.size(), scene);
        painter.end();
        EXPECT_EQ(result.Clipped, (100u - 85u) + (100u - 43u));
        EXPECT_EQ(result.Area, image.rect());
        EXPECT_EQ(Count(image, kRed) > 0, mark);
        if (mark) {
            EXPECT_EQ(image.pixel(388, 0), kRed);   // the last sample (x 388) lies beyond the top
            EXPECT_NE(image.pixel(10, 0), kRed);    // the first ones do not
            EXPECT_NE(image.pixel(388, 199), kRed); // nothing beyond the bottom
        }
    }
}

TEST(PlotPicture, AxesLeaveRoomForTheirLabels)
{
    const TPlotScene scene = TwoCellScene(true);
    QImage image(400, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    const TPlotPaintResult result = PaintPlot(painter, image.size(), scene);
    painter.end();
    EXPECT_TRUE(image.rect().contains(result.Area));
    EXPECT_GT(result.Area.left(), 10);
    EXPECT_LT(result.Area.bottom(), 190);
    // Nothing of the plot is drawn in the label margin but labels (black) and white.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < result.Area.left() - 1; ++x) {
            const QColor c(image.pixel(x, y));
            EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
        }
}

} // namespace
} // namespace orva::plot
