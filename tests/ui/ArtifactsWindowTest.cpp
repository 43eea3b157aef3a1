// The artifact detection window, headless: the rules read from its fields, the table and the
// summary, a status overruled by hand, and the three files written with those statuses.
#include "ui/UfrmArtifacts.h"

#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/ScriptedDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace orva::ui {
namespace {

// One cell of 4 trials, 3 samples at 1000 Hz, 2 channels whose values are the raw samples:
// trial 2 jumps by 300 on channel 2, trial 4 spans 10 on channel 1.
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

class ArtifactsWindowTest : public ::testing::Test {
protected:
    TfrmArtifacts& Open(const std::string& name = "s01.ses")
    {
        document = std::make_shared<TORVAFile>(test::LoadChecked(dir.Path(name)));
        window = std::make_unique<TfrmArtifacts>(dialogs);
        window->SetFile(document);
        window->show();
        return *window;
    }
    void SetUp() override { WriteSession(dir.Path("s01.ses")); }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < window->twTrials->rowCount(); ++row)
            texts.append(window->twTrials->item(row, column)->text());
        return texts;
    }
    test::TScriptedDialogs dialogs;
    test::TTempDir dir;
    std::shared_ptr<TORVAFile> document;
    std::unique_ptr<TfrmArtifacts> window;
};

TEST_F(ArtifactsWindowTest, DetectOverruleAndSaveWhatTheBatchToolWrites)
{
    TfrmArtifacts& w = Open();
    EXPECT_FALSE(w.btnSaveReport->isEnabled());
    w.edtPeakToPeak->setText("100");
    w.edtFlat->setText("10.25");
    w.btnDetect->click();
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(Column(2), (QStringList{"good", "bad", "good", "bad"}));
    EXPECT_EQ(Column(3), (QStringList{"", "peak-to-peak", "", "flat"}));
    EXPECT_EQ(Column(4), (QStringList{"", "2", "", "1"}));
    EXPECT_NE(w.lblSummary->text().indexOf("4 trials, 2 bad (50.0%); peak-to-peak 1, flat 1"), -1);

    // Trial 2 is good after all; trial 3 is bad.
    w.twTrials->selectRow(1);
    w.btnToggle->click();
    w.twTrials->selectRow(2);
    w.btnToggle->click();
    EXPECT_EQ(Column(2), (QStringList{"good", "good (overruled)", "bad (overruled)", "bad"}));
    EXPECT_NE(w.lblSummary->text().indexOf("4 trials, 2 bad (50.0%)"), -1);

    dialogs.SaveNames = {QString::fromStdString(dir.Path("r.csv")), QString::fromStdString(dir.Path("c.ses")),
                         QString::fromStdString(dir.Path("a.ave"))};
    w.btnSaveReport->click();
    w.btnSaveCleaned->click();
    w.btnSaveAverage->click();
    EXPECT_EQ(test::ReadText(dir.Path("r.csv")), "file,cell,cell_name,observation,status,rules,channels\n"
                                                 "s01.ses,1,tone,1,good,,\n"
                                                 "s01.ses,1,tone,2,good,,\n"
                                                 "s01.ses,1,tone,3,bad,,\n"
                                                 "s01.ses,1,tone,4,bad,flat,1\n");
    const TORVAFile cleaned = test::LoadChecked(dir.Path("c.ses"));
    ASSERT_EQ(cleaned.Cells[0].NumObservations, 2);
    EXPECT_EQ(cleaned.Cells[0].Data(1, 1, 1), 300); // trial 2 kept
    EXPECT_EQ(test::LoadChecked(dir.Path("a.ave")).Cells[0].TrialSpecifics(0, 0), 2);
    // The open document is left as it was.
    EXPECT_EQ(document->Cells[0].NumObservations, 4);
}

TEST_F(ArtifactsWindowTest, ShowTrialOpensTheChosenTrial)
{
    TfrmArtifacts& w = Open();
    std::vector<std::pair<int, int>> shown;
    w.OnShowTrial = [&](int cell, int observation) { shown.emplace_back(cell, observation); };
    w.btnDetect->click();
    w.twTrials->selectRow(3);
    w.btnShowTrial->click();
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{0, 3}}));
}

TEST_F(ArtifactsWindowTest, RefusalsAreShownAndNothingIsKept)
{
    TfrmArtifacts& w = Open();
    w.edtFlat->setText("0,5");
    w.btnDetect->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "A threshold is a number of microvolts such as 100 or 0.5");
    w.edtFlat->clear();
    w.edtPeakToPeak->clear();
    w.btnDetect->click();
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_EQ(dialogs.Messages[1].Text, "Cannot test for artifacts: no rule was given (peak-to-peak, flat or absolute)");
    EXPECT_EQ(w.twTrials->rowCount(), 0);

    test::TTestFileBuilder::Average(1, 2, 3, 1).WriteTo(dir.Path("a.ave"));
    TfrmArtifacts& average = Open("a.ave");
    average.btnDetect->click();
    ASSERT_EQ(dialogs.Messages.size(), 3u);
    EXPECT_EQ(dialogs.Messages[2].Text,
              "Cannot test for artifacts: this is an average file: its observations are subjects, not trials");
}

} // namespace
} // namespace orva::ui
