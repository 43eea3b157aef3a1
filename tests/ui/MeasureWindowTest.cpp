#include "ui/UfrmMeasure.h"

#include "export/MeasureExport.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/support/ViewTestDocuments.h"
#include "plot/MeasurePicture.h"
#include "ui/UfrmMeasureOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/
namespace {

// 250 samples at 250 Hz from -200 ms (sample k at 4k - 200 ms); channel 1 is flat but for
// a spike of +8 uV at sample 60 (40 ms) and a dip of -5 uV at sample 90 (160 ms).
std::int16_t Spikes(int, int, int s, int c)
{
    if (c != 0)
        return static_cast<std::int16_t>(s - 125);
    return s == 60 ? 80 : s == 90 ? -50 : 0; // ScaleBins 10
}

TEST(MeasureMarks, LieOnTheWindowSamplesAndThePeak)
{
    const auto file = test::AverageDocument({{1, 250, 250}}, 2, Spikes);
    // A plot 252 pixels wide spans S + 2 = 252 sample steps: sample k lies at x = k.
    const QSize area(252, 200);
    TMeasureOptions options;
    options.Measures = {TMeasureKind::Peak};
    const struct {
        const char* Name;
        double Start, End;
        TPolarity Polarity;
        int Left, Right, PeakX;
        bool AboveAxis;
    } cases[] = {
        {"spike inside", 0, 100, TPolarity::Positive, 50, 75, 60, true},
        {"dip inside, negative", 100, 200, TPolarity::Negative, 75, 100, 90, false},
        {"both inside, positive", -200, 796, TPolarity::Positive, 0, 249, 60, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        options.WindowStart = c.Start;
        options.WindowEnd = c.End;
        options.Polarity = c.Polarity;
        TPlotScene scene = BuildPlotScene(*file, 0, 0, 0, TPlotOptions{});
        const TMeasureMarks marks = ComputeMeasureMarks(scene, area, MeasureTrace(*file, 0, 0, 0, options));
        EXPECT_EQ(marks.WindowLeft, c.Left);
        EXPECT_EQ(marks.WindowRight, c.Right);
        EXPECT_EQ(marks.PeakX, c.PeakX);
        EXPECT_EQ(marks.PeakY < area.height() / 2, c.AboveAxis);
    }
}

TEST(MeasureMarks, MarkTheFractionalLatenciesOnTheirSamples)
{
    const auto file = test::AverageDocument({{1, 250, 250}}, 2, Spikes);
    const QSize area(252, 200);
    TMeasureOptions options;
    options.Measures = {TMeasureKind::FractionalAreaLatency, TMeasureKind::FractionalPeakLatency};
    options.WindowStart = 0;
    options.WindowEnd = 100;
    options.Offset = true;
    const TPlotScene scene = BuildPlotScene(*file, 0, 0, 0, TPlotOptions{});
    TMeasureMarks marks = ComputeMeasureMarks(scene, area, MeasureTrace(*file, 0, 0, 0, options));
    // Half the area of the spike is reached at it (sample 60); half its height just after it.
    ASSERT_TRUE(marks.FractionalArea && marks.FractionalPeak);
    EXPECT_EQ(marks.FractionalArea->X, 60);
    EXPECT_EQ(marks.FractionalPeak->X, 61);
    EXPECT_EQ(marks.WindowTrace.size(), 26u);
    EXPECT_EQ(marks.WindowTrace[10].Y, marks.PeakY);
    options.Offset = false;
    options.WindowStart = 40; // the spike is the window's first sample: nothing before it
    marks = ComputeMeasureMarks(scene, area, MeasureTrace(*file, 0, 0, 0, options));
    EXPECT_FALSE(marks.FractionalPeak);
}

class MeasureWindowTest : public ::testing::Test {
protected:
    TfrmMeasure& Open(std::shared_ptr<TORVAFile> file)
    {
        document = file; // the window holds only a weak reference
        window = std::make_unique<TfrmMeasure>(dialogs);
        window->SetFile(file);
        window->show();
        return *window;
    }
    test::TScriptedDialogs dialogs;
    test::TTempDir dir;
    std::shared_ptr<TORVAFile> document;
    std::unique_ptr<TfrmMeasure> window;
};

// A label with a mnemonic but no buddy shows its "&" and Alt+letter goes nowhere.
TEST_F(MeasureWindowTest, EveryMnemonicLabelLeadsToAControl)
{
    TfrmMeasure& w = Open(test::AverageDocument({{1, 250, 250}}, 2, Spikes));
    int mnemonics = 0;
    for (const QLabel* label : w.findChildren<QLabel*>()) {
        if (!label->text().contains(QLatin1Char('&')))
            continue;
        ++mnemonics;
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    }
    EXPECT_GE(mnemonics, 6);
}

TEST_F(MeasureWindowTest, ShowsTheMeasuresOfTheChosenTrace)
{
    TfrmMeasure& w = Open(test::AverageDocument({{1, 250, 250}}, 2, Spikes));
    w.edtWindowStart->setText(QStringLiteral("100"));
    w.edtWindowEnd->setText(QStringLiteral("200"));
    w.cbPolarity->setCurrentIndex(1);
    // (samples 75 .. 100: 26 of them, one of -5 uV)
    EXPECT_EQ(w.lblValues->text(), QStringLiteral("mean -0.192 uV, peak -5.000 uV at 160.000 ms"));
    EXPECT_FALSE(w.lblPicture->pixmap().isNull());
    w.seNeighbours->setValue(1);
    EXPECT_EQ(w.lblValues->text(), QStringLiteral("mean -0.192 uV, peak -5.000 uV at 160.000 ms"));
    w.cbPolarity->setCurrentIndex(0); // a flat stretch has no local peak
    EXPECT_EQ(w.lblValues->text(), QStringLiteral("mean -0.192 uV, peak 0.000 uV at 100.000 ms (no local peak)"));
    w.edtWindowStart->setText(QStringLiteral("1"));
    w.edtWindowEnd->setText(QStringLiteral("3"));
    EXPECT_EQ(w.lblValues->text(),
              QStringLiteral("Cell 1 has no sample in the window 1 to 3 ms: its samples lie from -200 to 796 ms"));
    EXPECT_TRUE(w.lblPicture->pixmap().isNull());
}

TEST_F(MeasureWindowTest, ShowsAndSavesTheNewMeasuresWithTheirSettings)
{
    TfrmMeasure& w = Open(test::AverageDocument({{1, 250, 250}}, 2, Spikes));
    TMeasureChoices& c = *w.measureChoices;
    w.edtWindowStart->setText(QStringLiteral("0"));
    w.edtWindowEnd->setText(QStringLiteral("100"));
    c.chkArea->setChecked(true);
    c.chkFractionalArea->setChecked(true);
    c.chkFractionalPeak->setChecked(true);
    c.cbSide->setCurrentIndex(1);
    // The spike of 8 uV at 40 ms alone: 8 steps of 4 ms, half of it reached at the spike,
    // half its height at the next sample.
    EXPECT_EQ(w.lblValues->text(), QStringLiteral("mean 0.308 uV, peak 8.000 uV at 40.000 ms\n"
                                                  "area 32.000 uV x ms\n"
                                                  "fractional-area-latency 40.000 ms\n"
                                                  "fractional-peak-latency 44.000 ms"));
    c.cbArea->setCurrentIndex(2); // negative: the window has none
    c.cbSide->setCurrentIndex(0);
    c.seFraction->setValue(0.25);
    EXPECT_EQ(w.lblValues->text(), QStringLiteral("mean 0.308 uV, peak 8.000 uV at 40.000 ms\n"
                                                  "area 32.000 uV x ms\n"
                                                  "fractional-area-latency: no area\n"
                                                  "fractional-peak-latency 36.000 ms"));
    c.chkJackknife->setChecked(true);
    const TfrmMeasure::TChoices read = w.ReadChoices();
    ASSERT_TRUE(read.Options);
    EXPECT_EQ(read.Options->Measures, (std::vector<TMeasureKind>{TMeasureKind::Mean, TMeasureKind::Area,
                                                                 TMeasureKind::FractionalAreaLatency,
                                                                 TMeasureKind::FractionalPeakLatency}));
    EXPECT_EQ(read.Options->Fraction, 0.25);
    EXPECT_EQ(read.Options->Area, TAreaKind::Negative);
    EXPECT_FALSE(read.Options->Offset);
    EXPECT_TRUE(read.Options->Jackknife);
    // The picture shows the trace's own measures; the table of one subject is refused.
    EXPECT_FALSE(w.lblPicture->pixmap().isNull());
    dialogs.Messages.clear();
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].Text.indexOf(QStringLiteral("Cell 1 has 1 subject; the jackknife needs at least 3")),
              -1)
        << dialogs.Messages[0].Text.toStdString();
}

TEST_F(MeasureWindowTest, SavesTheJackknifeTableTheBuilderWrites)
{
    auto file = test::AverageDocument({{4, 40, 250}}, 3, test::PatternValue, dir.Path("g.ave"));
    TfrmMeasure& w = Open(file);
    w.edtWindowStart->setText(QStringLiteral("-100"));
    w.edtWindowEnd->setText(QStringLiteral("0"));
    w.measureChoices->chkMean->setChecked(false);
    w.measureChoices->chkIntegral->setChecked(true);
    w.measureChoices->chkFractionalPeak->setChecked(true);
    w.measureChoices->cbPolarity->setCurrentIndex(1);
    w.measureChoices->seFraction->setValue(0.7);
    w.measureChoices->chkJackknife->setChecked(true);
    TMeasureOptions options;
    options.WindowStart = -100;
    options.WindowEnd = 0;
    options.Measures = {TMeasureKind::Integral, TMeasureKind::FractionalPeakLatency};
    options.Polarity = TPolarity::Negative;
    options.Fraction = 0.7;
    options.Jackknife = true;
    TLineCollector rows;
    WriteMeasureRows(*file, options, rows);
    ASSERT_EQ(rows.Lines.size(), 4u * 3 * 2);
    std::string expected = std::string(kMeasureHeader) + "\n";
    for (const auto& row : rows.Lines)
        expected += row + "\n";
    const std::string out = dir.Path("jackknife.csv");
    dialogs.SaveNames.push_back(QString::fromStdString(out));
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    EXPECT_EQ(test::ReadText(out), expected);
}

TEST_F(MeasureWindowTest, SavesTheTableTheBuilderWrites)
{
    auto file = test::SessionDocument({{3, 40, 250}, {2, 40, 250}}, 4, test::PatternValue, dir.Path("s.ses"));
    TfrmMeasure& w = Open(file);
    w.edtWindowStart->setText(QStringLiteral("20"));
    w.edtWindowEnd->setText(QStringLiteral("60.5"));
    w.chkPeak->setChecked(true);
    w.chkPeakLatency->setChecked(true);
    w.seNeighbours->setValue(2);
    w.edtChannels->setText(QStringLiteral("4 2"));
    w.edtObservations->setText(QStringLiteral("2"));
    TMeasureOptions options;
    options.WindowStart = 20;
    options.WindowEnd = 60.5;
    options.Measures = {TMeasureKind::Mean, TMeasureKind::Peak, TMeasureKind::PeakLatency};
    options.Neighbours = 2;
    options.Channels = TSelectionList{3, 1};
    options.Observations = TSelectionList{1};
    TLineCollector rows;
    WriteMeasureRows(*file, options, rows);
    std::string expected = std::string(kMeasureHeader) + "\n";
    for (const auto& row : rows.Lines)
        expected += row + "\n";

    const std::string out = dir.Path("measures.csv");
    dialogs.SaveNames.push_back(QString::fromStdString(out));
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    EXPECT_EQ(test::ReadText(out), expected);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Measure table saved"));

    // A window outside the cells is refused before the dialog is asked; nothing is written.
    w.edtWindowStart->setText(QStringLiteral("500"));
    w.edtWindowEnd->setText(QStringLiteral("600"));
    dialogs.Messages.clear();
    const std::size_t asked = dialogs.FileDialogs.size();
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    EXPECT_EQ(dialogs.FileDialogs.size(), asked);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_NE(dialogs.Messages[0].Text.indexOf(QStringLiteral("no sample in the window 500 to 600 ms")), -1)
        << dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(test::ReadText(out), expected);
}

} // namespace
} // namespace orva::ui
