#include "ui/UfrmShowcell.h"

#include "plot/PlotGeometry.h"
#include "select/NumberFormat.h"
#include "tests/support/ViewTestDocuments.h"
#include "tests/ui/QtTestEnvironment.h"
#include "tests/ui/ScriptedDialogs.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/
namespace {

using test::AverageDocument;
using test::SessionDocument;
using test::TCellShape;

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

std::int16_t Constant100(int, int, int, int) { return 100; } // 10.0 uV at ScaleBins 10

class ShowcellTest : public ::testing::Test {
protected:
    TfrmShowcell& Open(std::shared_ptr<TORVAFile> file, QSize plot = QSize(341, 149))
    {
        documents.push_back(file); // the windows hold only weak references
        windows.push_back(std::make_unique<TfrmShowcell>(dialogs));
        TfrmShowcell& w = *windows.back();
        w.SetFile(file);
        w.show();
        SetPlotSize(w, plot);
        return w;
    }
    // The window is resized so that its plot gets exactly the given size (the reference
    // plot is smaller than the plot of a window at its minimum size).
    static void SetPlotSize(TfrmShowcell& w, QSize plot)
    {
        w.setMinimumSize(0, 0);
        for (int attempt = 0; attempt < 5 && w.Image1->size() != plot; ++attempt) {
            w.resize(w.size() + plot - w.Image1->size());
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(w.Image1->size(), plot);
        ASSERT_EQ(w.Image1->Bitmap.size(), plot);
    }
    static QRgb Pixel(const TfrmShowcell& w, int x, int y) { return w.Image1->Bitmap.pixel(x, y); }
    static int CountPixels(const TfrmShowcell& w, QRgb colour)
    {
        const QImage& b = w.Image1->Bitmap;
        int n = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x)
                n += b.pixel(x, y) == colour;
        return n;
    }

    test::TScriptedDialogs dialogs;
    std::vector<std::shared_ptr<TORVAFile>> documents;
    std::vector<std::unique_ptr<TfrmShowcell>> windows;
};

TEST_F(ShowcellTest, ReferencePlotPixels)
{
    auto file = AverageDocument({{1, 250, 250}}, 1, Constant100);
    TfrmShowcell& w = Open(file);
    EXPECT_EQ(w.seXgrid->maximum(), 1000);

    // Row 10 crosses only the vertical lines; the one at 67 lies under the black marker.
    const std::vector<int> vertical{33, 67, 101, 135, 169, 202, 236, 270, 304, 338};
    for (int x = 0; x < 341; ++x) {
        const bool onLine = std::find(vertical.begin(), vertical.end(), x) != vertical.end();
        EXPECT_EQ(Pixel(w, x, 10), x == 67 ? kBlack : onLine ? kSilver : kWhite) << "x " << x;
    }
    // Column 340 crosses the horizontal lines, the axis and no trace.
    const std::set<int> horizontal{2, 8, 15, 22, 28, 35, 41, 48, 55, 61, 68, 80, 87, 93, 100, 107, 113, 120, 126, 133,
                                   140, 146};
    for (int y = 0; y < 149; ++y)
        EXPECT_EQ(Pixel(w, 340, y), y == 74 ? kBlack : horizontal.count(y) ? kSilver : kWhite) << "y " << y;

    // The trace: the first sample one pixel above the others, the last at x = 336.
    EXPECT_EQ(Pixel(w, 0, 72), kBlue);
    for (int x = 1; x <= 336; ++x)
        EXPECT_EQ(Pixel(w, x, 73), kBlue) << "x " << x;
    EXPECT_EQ(Pixel(w, 337, 73), kWhite);
    EXPECT_EQ(CountPixels(w, kBlue), 337);
    // 1-pixel pens without antialiasing: no other colour anywhere.
    EXPECT_EQ(CountPixels(w, kWhite) + CountPixels(w, kSilver) + CountPixels(w, kBlack) + CountPixels(w, kBlue),
              341 * 149);
}

TEST_F(ShowcellTest, TracePassesThroughEverySamplePoint)
{
    auto file = AverageDocument({{2, 250, 250}}, 3);
    TfrmShowcell& w = Open(file);
    w.seObs->setValue(2);
    w.seChan->setValue(3);
    TPlotInput in;
    in.Width = 341;
    in.Height = 149;
    in.Samples = 250;
    in.SamplesPerSecond = 250;
    in.XGrid = 100;
    in.YGrid = 40;
    for (int k = 0; k < 250; ++k)
        in.Voltages.push_back(static_cast<float>(test::PatternValue(0, 1, k, 2) / 10.0));
    EXPECT_EQ(w.Voltages(), in.Voltages);
    for (const TPlotPoint& p : ComputePlotGeometry(in).Trace) {
        if (p.Y >= 0 && p.Y < 149) {
            EXPECT_EQ(Pixel(w, p.X, p.Y), kBlue) << p.X << "," << p.Y;
        }
    }
}

TEST_F(ShowcellTest, SessionFileHasNoMarkerAndCalibratesPerChannel)
{
    // (2050 - 2001) * 400 / 1604 = 12.22 uV on channel 2.
    auto file = SessionDocument({{1, 250, 250}}, 2, [](int, int, int, int) -> std::int16_t { return 2050; });
    TfrmShowcell& w = Open(file);
    w.seChan->setValue(2);
    EXPECT_EQ(w.Voltages().front(), static_cast<float>(49 * 400 / 1604.0));
    for (int y = 0; y < 149; ++y) {
        if (y != 74) {
            EXPECT_NE(Pixel(w, 67, y), kBlack) << "y " << y;
        }
    }
    EXPECT_FALSE(w.lblProblem->isVisible());
}

struct TProblemCase {
    const char* name;
    std::function<void(TORVAFile&)> breakIt;
    const char* why;
    bool verticalGrid;
};

TEST_F(ShowcellTest, ZeroDivisorDrawsNoTraceAndSaysWhy)
{
    const std::vector<TProblemCase> cases{
        {"scale bins", [](TORVAFile& f) { f.GeneralInformation.ScaleBins = 0; }, "Scale bins", true},
        {"sampling rate", [](TORVAFile& f) { f.Cells[0].SamplesPerSecond = 0; }, "0 samples per second", false},
    };
    for (const auto& c : cases) {
        auto file = AverageDocument({{1, 250, 250}}, 1, Constant100);
        c.breakIt(*file);
        TfrmShowcell& w = Open(file);
        EXPECT_EQ(CountPixels(w, kBlue), 0) << c.name;
        EXPECT_TRUE(w.lblProblem->isVisible()) << c.name;
        EXPECT_TRUE(w.lblProblem->text().contains(QLatin1String(c.why)))
            << c.name << ": " << w.lblProblem->text().toStdString();
        EXPECT_EQ(Pixel(w, 33, 10) == kSilver, c.verticalGrid) << c.name;
        EXPECT_EQ(Pixel(w, 5, 74), kBlack) << c.name;
        // The stored values are still listed.
        ASSERT_EQ(w.StringGrid1->rowCount(), 250) << c.name;
        EXPECT_EQ(w.StringGrid1->item(0, 1)->text(), QStringLiteral("100")) << c.name;
    }
}

TEST_F(ShowcellTest, ZeroGainOnlyAffectsItsChannel)
{
    auto file = SessionDocument({{1, 20, 250}}, 2);
    file->DataDescription.Gains[1] = 0;
    TfrmShowcell& w = Open(file);
    EXPECT_FALSE(w.lblProblem->isVisible());
    EXPECT_GT(CountPixels(w, kBlue), 0);
    w.seChan->setValue(2);
    EXPECT_TRUE(w.lblProblem->isVisible());
    EXPECT_TRUE(w.lblProblem->text().contains(QLatin1String("channel 2")));
    EXPECT_EQ(CountPixels(w, kBlue), 0);
    EXPECT_TRUE(w.Voltages().empty());
    EXPECT_EQ(w.StringGrid1->item(0, 2)->text(), QString());
    w.seChan->setValue(1);
    EXPECT_FALSE(w.lblProblem->isVisible());
}

TEST_F(ShowcellTest, TableListsSampleValueAndVoltage)
{
    auto file = AverageDocument({{1, 5, 250}}, 2, [](int, int, int s, int c) -> std::int16_t {
        return static_cast<std::int16_t>(c == 1 ? -1234 + s : 0);
    });
    TfrmShowcell& w = Open(file);
    QTableWidget* t = w.StringGrid1;
    ASSERT_EQ(t->columnCount(), 3);
    EXPECT_EQ(t->horizontalHeaderItem(0)->text(), QStringLiteral("sample"));
    EXPECT_EQ(t->horizontalHeaderItem(1)->text(), QStringLiteral("value"));
    EXPECT_EQ(t->horizontalHeaderItem(2)->text(), QStringLiteral("voltage"));
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(t->columnWidth(c), 40);
    EXPECT_EQ(t->width(), TfrmShowcell::kTableWidth);
    EXPECT_EQ(t->verticalHeader()->defaultSectionSize(), w.lblCell->sizeHint().height() + 2);

    w.seChan->setValue(2);
    ASSERT_EQ(t->rowCount(), 5);
    EXPECT_EQ(t->item(0, 0)->text(), QStringLiteral("0"));
    EXPECT_EQ(t->item(4, 0)->text(), QStringLiteral("4"));
    EXPECT_EQ(t->item(0, 1)->text(), QStringLiteral("-1234"));
    EXPECT_EQ(t->item(0, 2)->text().toStdString(), Format4_1(-123.4f, '.'));
    // The table is for reading only.
    EXPECT_EQ(t->editTriggers(), QAbstractItemView::NoEditTriggers);

    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    w.CellChange();
    QLocale::setDefault(previous);
    EXPECT_EQ(t->item(0, 2)->text().toStdString(), Format4_1(-123.4f, ','));
}

TEST_F(ShowcellTest, CellChangeAdaptsObservationRange)
{
    TfrmShowcell& w = Open(AverageDocument({{5, 10, 250}, {3, 10, 250}, {8, 10, 250}}, 4));
    EXPECT_EQ(w.seCell->maximum(), 3);
    EXPECT_EQ(w.seChan->maximum(), 4);
    EXPECT_EQ(w.seObs->maximum(), 5);
    w.seObs->setValue(5);
    w.seCell->setValue(2); // fewer observations: lowered to the last one
    EXPECT_EQ(w.seObs->value(), 3);
    EXPECT_EQ(w.seObs->maximum(), 3);
    w.seCell->setValue(3); // more observations: kept, range raised
    EXPECT_EQ(w.seObs->value(), 3);
    EXPECT_EQ(w.seObs->maximum(), 8);
    EXPECT_EQ(w.StringGrid1->item(0, 1)->text().toInt(), test::PatternValue(2, 2, 0, 0));
}

TEST_F(ShowcellTest, XGridLoweredToObservationLength)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}, {1, 30, 1000}}, 1));
    w.seXgrid->setValue(300);
    w.seCell->setValue(2);
    EXPECT_EQ(w.seXgrid->maximum(), 30);
    EXPECT_EQ(w.seXgrid->value(), 30);
}

TEST_F(ShowcellTest, SpinEditsStepButCannotBeTyped)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 8));
    EXPECT_EQ(w.seXgrid->singleStep(), 100);
    EXPECT_EQ(w.seYgrid->singleStep(), 10);
    EXPECT_EQ(w.seYgrid->maximum(), 450);
    EXPECT_EQ(w.seYgrid->value(), 40);
    w.seChan->setFocus();
    QTest::keyClick(w.seChan, Qt::Key_5);
    EXPECT_EQ(w.seChan->value(), 1);
    QTest::keyClick(w.seChan, Qt::Key_Up);
    EXPECT_EQ(w.seChan->value(), 2);
    QTest::keyClick(w.seYgrid, Qt::Key_Up);
    EXPECT_EQ(w.seYgrid->value(), 50);
}

TEST_F(ShowcellTest, InitialSizeIsTheMinimum)
{
    TfrmShowcell w(dialogs);
    EXPECT_EQ(w.minimumSize(), QSize(514, 220));
    EXPECT_EQ(w.size(), QSize(514, 220));
    w.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Image1->Bitmap.size(), w.Image1->size());
    EXPECT_EQ(w.StringGrid1->geometry().right(), w.Image1->geometry().right() + 4 + TfrmShowcell::kTableWidth);
}

TEST_F(ShowcellTest, ResizingRedrawsForTheNewSize)
{
    TfrmShowcell& w = Open(AverageDocument({{1, 250, 250}}, 1, Constant100));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Cell graph"));
    const int tableWidth = w.StringGrid1->width();
    SetPlotSize(w, QSize(682, 298));
    EXPECT_EQ(w.StringGrid1->width(), tableWidth);
    EXPECT_EQ(Pixel(w, 673, 298 / 2 - 3), kBlue); // 10 uV = 3.3 px; last sample at 249/252 of 682
    EXPECT_EQ(Pixel(w, 674, 298 / 2 - 3), kWhite);
    // Axis and marker (x 135) share one pixel, and the trace covers one of the marker's.
    EXPECT_EQ(Pixel(w, 135, 146), kBlue);
    EXPECT_EQ(CountPixels(w, kBlack), 682 + 298 - 2);
}

TEST_F(ShowcellTest, DocumentWithoutCellsOpensEmpty)
{
    TfrmShowcell& w = Open(AverageDocument({}, 4));
    EXPECT_FALSE(w.seCell->isEnabled());
    EXPECT_FALSE(w.seObs->isEnabled());
    EXPECT_EQ(w.seCell->maximum(), 1);
    EXPECT_EQ(w.StringGrid1->rowCount(), 0);
    EXPECT_TRUE(w.lblProblem->text().contains(QLatin1String("no cells")));
    EXPECT_EQ(CountPixels(w, kBlue), 0);
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(ShowcellTest, CellWithoutObservationsShowsNoTrace)
{
    TfrmShowcell& w = Open(AverageDocument({{2, 10, 250}, {0, 10, 250}}, 1));
    w.seCell->setValue(2);
    EXPECT_FALSE(w.seObs->isEnabled());
    EXPECT_EQ(w.seObs->value(), 1);
    EXPECT_TRUE(w.lblProblem->text().contains(QLatin1String("no observations")));
    EXPECT_EQ(CountPixels(w, kBlue), 0);
}

TEST_F(ShowcellTest, ClosedDocumentIsRefusedOnce)
{
    auto file = AverageDocument({{1, 10, 250}}, 2);
    TfrmShowcell& w = Open(file);
    ASSERT_TRUE(w.isVisible());
    file.reset();
    documents.clear(); // the main window closed the document
    w.seChan->setValue(2);
    w.seYgrid->setValue(50);
    ASSERT_EQ(dialogs.Messages.size(), 1u) << dialogs.MessageTexts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The document of this window has been closed."));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(ShowcellTest, UpdateBeforeSetFileDoesNothing)
{
    TfrmShowcell w(dialogs);
    w.show();
    QCoreApplication::processEvents();
    w.CellChange();
    w.seCellChange();
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(w.StringGrid1->rowCount(), 0);
}

} // namespace
} // namespace orva::ui
