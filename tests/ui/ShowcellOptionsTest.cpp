// The cell graph's options beyond the trace: range, polarity, overlays, pictures, the table.
#include "ui/UfrmShowcell.h"

#include "tests/support/TestFileBuilder.h"
#include "tests/ui/QtTestEnvironment.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/support/ViewTestDocuments.h"
#include "plot/PlotGeometry.h"
#include "ui/UfrmPictureSize.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/
namespace {

using test::AverageDocument;

const QRgb kBlue = qRgb(0, 0, 255);

class ShowcellOptionsTest : public ::testing::Test {
protected:
    TfrmShowcell& Open(std::shared_ptr<TORVAFile> file, QSize size = QSize(700, 400))
    {
        documents.push_back(file);
        windows.push_back(std::make_unique<TfrmShowcell>(dialogs));
        TfrmShowcell& w = *windows.back();
        w.SetFile(file);
        w.resize(size);
        w.show();
        QCoreApplication::processEvents();
        return w;
    }
    static int Count(const QImage& image, QRgb colour, int row = -1)
    {
        int n = 0;
        for (int y = row < 0 ? 0 : row; y < (row < 0 ? image.height() : row + 1); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == colour;
        return n;
    }
    // The rows that hold the trace's blue.
    static std::vector<int> BlueRows(const QImage& image)
    {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y)
            if (Count(image, kBlue, y) > 0)
                rows.push_back(y);
        return rows;
    }

    test::TScriptedDialogs dialogs;
    test::TTempDir temp;
    std::vector<std::shared_ptr<TORVAFile>> documents;
    std::vector<std::unique_ptr<TfrmShowcell>> windows;
};

std::int16_t FiveMicrovolts(int, int, int, int)
{
    return 50; // ScaleBins 10
}

TEST_F(ShowcellOptionsTest, SmallRangeMakesFiveMicrovoltsReadable)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 1, FiveMicrovolts));
    const QImage& b = w.Image1->Bitmap;
    const int axis = b.height() / 2;
    // At +-450 uV the 5 uV trace lies within two pixels of the axis.
    for (int y : BlueRows(b))
        EXPECT_LE(std::abs(y - axis), 2) << y;

    w.cbRange->setCurrentText(QStringLiteral("20"));
    EXPECT_EQ(w.Options().RangeUv, 20);
    EXPECT_EQ(w.seYgrid->value(), 2);    // a grid that suits +-10 uV
    EXPECT_EQ(w.seYgrid->maximum(), 10); // half the range
    EXPECT_EQ(w.seYgrid->singleStep(), 1);
    const int expected = axis - static_cast<int>(5 * static_cast<float>(b.height() / 20.0));
    EXPECT_EQ(b.pixel(b.width() / 2, expected), kBlue);
    EXPECT_LT(expected, axis - b.height() / 5) << "5 uV now takes a quarter of the height";

    // Back at the default the y grid keeps its usual steps.
    w.cbRange->setCurrentText(QStringLiteral("900"));
    EXPECT_EQ(w.seYgrid->maximum(), 450);
    EXPECT_EQ(w.seYgrid->singleStep(), 10);
}

TEST_F(ShowcellOptionsTest, FitShowsEverySampleAndFillsTheHeight)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 2));
    w.cbRange->setCurrentText(QStringLiteral("10"));
    w.btnFit->click();
    const int range = w.Options().RangeUv;
    float largest = 0;
    for (float v : w.Voltages())
        largest = std::max(largest, std::abs(v));
    EXPECT_GE(range / 2.0, largest);
    EXPECT_LE(range / 2.0, largest * 1.1 + 1);
    // The trace reaches close to both edges but never beyond them.
    const std::vector<int> rows = BlueRows(w.Image1->Bitmap);
    ASSERT_FALSE(rows.empty());
    EXPECT_LT(rows.front(), w.Image1->Bitmap.height() / 8);
    EXPECT_GT(rows.back(), w.Image1->Bitmap.height() * 7 / 8);
}

TEST_F(ShowcellOptionsTest, NegativeUpDrawsPositiveVoltagesBelowTheAxis)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 1, FiveMicrovolts));
    w.cbRange->setCurrentText(QStringLiteral("20"));
    const int axis = w.Image1->Bitmap.height() / 2;
    ASSERT_LT(BlueRows(w.Image1->Bitmap).back(), axis);
    w.cbNegativeUp->setChecked(true);
    for (int y : BlueRows(w.Image1->Bitmap))
        EXPECT_GT(y, axis);
}

TEST_F(ShowcellOptionsTest, OverlaysDrawEveryCellOrChannel)
{
    auto file = AverageDocument({{1, 100, 250}, {1, 100, 250}}, 3, [](int cell, int, int, int c) {
        return static_cast<std::int16_t>(cell == 1 ? 300 : c == 2 ? -300 : 0);
    });
    TfrmShowcell& w = Open(file);
    w.cbRange->setCurrentText(QStringLiteral("100"));
    const QImage& b = w.Image1->Bitmap;
    const QRgb secondCell = qRgb(220, 0, 0);
    const QRgb otherChannel = qRgb(150, 150, 150);
    EXPECT_EQ(Count(b, secondCell), 0);

    w.cbOverlay->setCurrentIndex(1); // cells
    ASSERT_EQ(w.Scene().Series.size(), 2u);
    const int y30 = b.height() / 2 - static_cast<int>(30 * static_cast<float>(b.height() / 100.0));
    EXPECT_GT(Count(b, secondCell, y30), b.width() / 2) << "cell 2 at 30 uV in its own colour";

    w.cbOverlay->setCurrentIndex(2); // channels
    EXPECT_EQ(Count(b, secondCell), 0);
    const int yMinus30 = b.height() / 2 + static_cast<int>(30 * static_cast<float>(b.height() / 100.0));
    EXPECT_GT(Count(b, otherChannel, yMinus30), b.width() / 2) << "channel 3 at -30 uV in grey";
    EXPECT_GT(Count(b, kBlue), b.width() / 2) << "the chosen channel stays blue";
}

TEST_F(ShowcellOptionsTest, ColumnsAreAsWideAsTheirWidestValue)
{
    // -504.5 and -3276.8 uV at ScaleBins 10: wider than the usual 40 pixels.
    auto file = AverageDocument({{1, 4, 250}}, 2, [](int, int, int s, int c) {
        return static_cast<std::int16_t>(c == 0 ? s : s == 1 ? -5045 : s == 2 ? -32768 : 7);
    });
    TfrmShowcell& w = Open(file);
    QTableWidget* t = w.StringGrid1;
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(t->columnWidth(c), 40) << "small values keep the usual width";
    EXPECT_EQ(t->width(), TfrmShowcell::kTableWidth);

    w.seChan->setValue(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(t->item(2, 2)->text(), QStringLiteral("-3276.8"));
    const QFontMetrics fm(t->font());
    const int margin = 2 * (t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1);
    int total = 0;
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < t->rowCount(); ++r)
            EXPECT_LE(fm.horizontalAdvance(t->item(r, c)->text()) + margin, t->columnWidth(c))
                << "row " << r << " column " << c << ": " << t->item(r, c)->text().toStdString();
        total += t->columnWidth(c);
    }
    EXPECT_GT(t->columnWidth(2), 40);
    // The table is as wide as its columns and the scroll bar, so no column is cut.
    EXPECT_GE(t->width(), total + t->verticalScrollBar()->sizeHint().width());
    EXPECT_EQ(w.Image1->Bitmap.size(), w.Image1->size());
}

TEST_F(ShowcellOptionsTest, CopyTableGivesTabSeparatedLines)
{
    auto file = AverageDocument({{1, 3, 250}}, 1, [](int, int, int s, int) {
        return static_cast<std::int16_t>(s == 1 ? -5045 : 100 * s);
    });
    TfrmShowcell& w = Open(file);
    w.miCopyTable->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("sample\tvalue\tvoltage\n0\t0\t 0.0\n1\t-5045\t-504.5\n2\t200\t20.0\n"));
}

TEST_F(ShowcellOptionsTest, SavedPictureIsThePlotAsShown)
{
    TfrmShowcell& w = Open(AverageDocument({{2, 250, 250}, {2, 250, 250}}, 3));
    w.cbOverlay->setCurrentIndex(1);
    w.cbAxes->setChecked(true);
    const QString png = QString::fromStdString(temp.Path("shown.png"));
    dialogs.SaveNames.push_back(png);
    w.miSavePicture->trigger();
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.MessageTexts().join("\n").toStdString();
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].Title, QStringLiteral("Save picture as..."));
    EXPECT_EQ(dialogs.FileDialogs[0].InitialFolder, QStringLiteral("/data/"));
    const QImage saved(png);
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), w.Image1->Bitmap);

    const QString svg = QString::fromStdString(temp.Path("shown.svg"));
    dialogs.SaveNames.push_back(svg);
    w.miSavePicture->trigger();
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains(QByteArray("viewBox=\"0 0 ") + QByteArray::number(w.Image1->Bitmap.width()) + ' ' +
                              QByteArray::number(w.Image1->Bitmap.height()) + '"'));
    EXPECT_TRUE(text.contains(">cell 2<")) << "the legend names the cells";
}

TEST_F(ShowcellOptionsTest, PictureAtAChosenSize)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 1));
    const QString png = QString::fromStdString(temp.Path("sized.png"));
    dialogs.SaveNames.push_back(png);
    QSize offered;
    test::OnNextModalDialog([&](QWidget* dialog) {
        auto* size = qobject_cast<TfrmPictureSize*>(dialog);
        ASSERT_NE(size, nullptr);
        offered = size->ChosenSize();
        size->seWidth->setValue(1200);
        size->seHeight->setValue(300);
        QTest::keyClick(size->seHeight, Qt::Key_Return);
    });
    w.miSavePictureSized->trigger();
    EXPECT_EQ(offered, w.Image1->Bitmap.size());
    EXPECT_EQ(QImage(png).size(), QSize(1200, 300));

    // Cancelling the size asks for no file.
    test::OnNextModalDialog([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    w.miSavePictureSized->trigger();
    EXPECT_EQ(dialogs.FileDialogs.size(), 1u);
}

TEST_F(ShowcellOptionsTest, PictureNameWithoutPictureExtensionIsReported)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 1));
    const std::string path = temp.Path("graph.bmp");
    dialogs.SaveNames.push_back(QString::fromStdString(path));
    w.miSavePicture->trigger();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_TRUE(dialogs.Messages[0].Text.contains(QLatin1String(".png or .svg")));
    EXPECT_FALSE(std::filesystem::exists(path));
    // A cancelled dialog writes nothing and says nothing.
    dialogs.SaveNames.push_back(std::nullopt);
    w.miSavePicture->trigger();
    EXPECT_EQ(dialogs.Messages.size(), 1u);
}

} // namespace
} // namespace orva::ui
