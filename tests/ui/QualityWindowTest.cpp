// The data quality window, headless: the table of the open session with the largest aSME
// first, sortable, saved as the batch tool writes it, and what it refuses.
#include "ui/UfrmQuality.h"

#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tools/DataQualityTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace orva::ui {
namespace {

// One cell of 4 trials, 3 samples at 1000 Hz, 2 channels whose values are the raw samples:
// trial 2 jumps by 300 on channel 2.
void WriteSession(const std::string& path)
{
    test::TTestFileBuilder b = test::TTestFileBuilder::Session(1, 4, 3, 2);
    b.Zeros = {0, 0};
    b.Gains = {400, 400};
    b.Cells[0].Name = "tone";
    b.Cells[0].SamplesPerSecond = 1000;
    b.Cells[0].Data = {0, 0, 20, 10, 40, 20, 0, 0, 20, 300, 40, 20, 0, 0, 30, 20, 10, 0, 0, 0, 5, 20, 10, 40};
    b.WriteTo(path);
}

class QualityWindowTest : public ::testing::Test {
protected:
    TfrmQuality& Open(const std::string& name = "s01.ses")
    {
        document = std::make_shared<TORVAFile>(test::LoadChecked(dir.Path(name)));
        window = std::make_unique<TfrmQuality>(dialogs);
        window->SetFile(document);
        window->show();
        return *window;
    }
    void SetUp() override { WriteSession(dir.Path("s01.ses")); }
    test::TScriptedDialogs dialogs;
    test::TTempDir dir;
    std::shared_ptr<TORVAFile> document;
    std::unique_ptr<TfrmQuality> window;
};

TEST_F(QualityWindowTest, TableLargestFirstAndSavedAsTheBatchToolWritesIt)
{
    TfrmQuality& w = Open();
    EXPECT_FALSE(w.btnSave->isEnabled());
    w.edtWindows->setText("0 2 1 2");
    w.edtPeakToPeak->setText("100");
    w.edtBootstrap->setText("20");
    w.edtMeasures->setText("mean peak");
    w.btnCompute->click();
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.Messages[0].Text.toStdString();
    ASSERT_EQ(w.twQuality->rowCount(), 4);
    ASSERT_EQ(w.twQuality->columnCount(), 8);
    // Sorted by aSME, largest first; trial 2 left out by the rule: 3 trials.
    double previous = 1e300;
    for (int r = 0; r < 4; ++r) {
        const double asme = w.twQuality->item(r, 4)->data(Qt::DisplayRole).toDouble();
        EXPECT_LE(asme, previous);
        previous = asme;
        EXPECT_EQ(w.twQuality->item(r, 3)->text(), "3");
    }

    // The file holds the table in the batch tool's order, whatever the window's sort.
    TQualityOptions options;
    options.Windows = {{0, 2}, {1, 2}};
    options.Bootstrap = 20;
    options.Measures = {TMeasureKind::Mean, TMeasureKind::Peak};
    options.Average.Excluded = std::vector<std::vector<bool>>{{false, true, false, false}};
    TLineCollector expected;
    expected.Line(QualityHeader(options.Measures));
    WriteQualityRows(*document, MeasureQuality(*document, options), expected);
    dialogs.SaveNames = {QString::fromStdString(dir.Path("q.csv"))};
    w.btnSave->click();
    EXPECT_EQ(test::ReadText(dir.Path("q.csv")), test::JoinLines(expected.Lines, "\n"));
    EXPECT_EQ(document->Cells[0].NumObservations, 4);
}

TEST_F(QualityWindowTest, RefusalsAreShown)
{
    TfrmQuality& w = Open();
    w.edtWindows->setText("0");
    w.btnCompute->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "The windows are pairs of times in ms such as 0 100 250 500");
    w.edtWindows->setText("0 2");
    w.edtMeasures->setText("median");
    w.edtBootstrap->setText("10");
    w.btnCompute->click();
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_TRUE(dialogs.Messages[1].Text.endsWith("not \"median\""));
    EXPECT_EQ(w.twQuality->rowCount(), 0);

    test::TTestFileBuilder::Average(1, 2, 3, 1).WriteTo(dir.Path("a.ave"));
    TfrmQuality& average = Open("a.ave");
    average.btnCompute->click();
    ASSERT_EQ(dialogs.Messages.size(), 3u);
    EXPECT_EQ(dialogs.Messages[2].Text,
              "Cannot measure data quality: this is an average file: its observations are subjects, not trials");
}

} // namespace
} // namespace orva::ui
