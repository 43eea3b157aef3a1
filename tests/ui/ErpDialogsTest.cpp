// Tools > ERP operations: each dialog, scripted, writes a new file chosen in the save dialog
// and leaves the open document as it was.
#include "MainWindowFixture.h"

#include "tools/ErpAverage.h"
#include "tools/ErpCombine.h"
#include "tools/ChannelInterpolation.h"
#include "tools/ErpTraces.h"
#include "ui/UfrmErp.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

namespace orva::test {
namespace {

TORVAFile Load(const QString& path)
{
    TORVAFile file;
    file.LoadFromFile(path.toStdString());
    return file;
}

class TErpDialogTest : public TMainWindowTest {
protected:
    /// Chooses item; fill sets the dialog's fields, then Enter writes (or Escape cancels).
    void RunDialog(const char* item, const std::function<void(QWidget*)>& fill, Qt::Key key = Qt::Key_Return)
    {
        OnNextModalDialog([=](QWidget* dialog) {
            fill(dialog);
            QTest::keyClick(dialog->findChild<QPushButton*>("btnOk"), key);
        });
        Choose(item);
    }
    QString Target(const char* name) { return QString::fromStdString(Temp.Path(name)); }
};

TEST_F(TErpDialogTest, AverageWritesWhatTheCoreBuildsAndKeepsTheDocument)
{
    const QString path = WriteFile("s.ses", TTestFileBuilder::Session(2, 4, 10, 3));
    OpenViaMenu(path);
    const auto before = Window->CurrentFile->Cells[0].Data;
    Dialogs.SaveNames.push_back(Target("s.ave"));
    RunDialog("miErpAverage", [](QWidget* d) {
        d->findChild<QLineEdit*>("edtObservations")->setText("1 3");
        d->findChild<QSpinBox*>("seBaselineMs")->setValue(40);
    });
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    TAverageOptions options;
    options.Observations = TSelectionList{0, 2};
    options.BaselineMs = 40;
    const TORVAFile expected = AverageSession(Load(path), options).File;
    const TORVAFile written = Load(Target("s.ave"));
    EXPECT_EQ(written.Cells[1].Data, expected.Cells[1].Data);
    EXPECT_EQ(written.GeneralInformation.BaselineDuration, 40);
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, before);
    EXPECT_TRUE(Window->CurrentFile->Saved);
    EXPECT_EQ(Dialogs.FileDialogs.back().InitialFolder, QString::fromStdString(Temp.Root() + "/"));
}

TEST_F(TErpDialogTest, CancelWritesNothingAndRefusalsAreShown)
{
    OpenViaMenu(WriteAverage("a.ave", 2, 2, 8, 3));
    RunDialog("miErpAverage", [](QWidget*) {}, Qt::Key_Escape);
    EXPECT_EQ(Dialogs.FileDialogs.size(), 1u) << "a cancelled dialog asked for a file";
    // An average file cannot be averaged again: the refusal comes before the save dialog.
    RunDialog("miErpAverage", [](QWidget*) {});
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("takes session files")));
    EXPECT_EQ(Dialogs.FileDialogs.size(), 1u);
}

TEST_F(TErpDialogTest, BaselineDifferenceAndReferenceWriteTheirResults)
{
    const QString path = WriteAverage("a.ave", 2, 2, 8, 3);
    OpenViaMenu(path);
    Dialogs.SaveNames = {Target("b.ave"), Target("d.ave"), Target("r.ave")};
    RunDialog("miErpBaseline", [](QWidget*) {}); // every sample before 0 ms
    RunDialog("miErpDifference", [](QWidget* d) {
        d->findChild<QSpinBox*>("seCellA")->setValue(2);
        d->findChild<QSpinBox*>("seCellB")->setValue(1);
        d->findChild<QLineEdit*>("edtName")->setText("late-early");
    });
    RunDialog("miErpReference", [](QWidget* d) { d->findChild<QLineEdit*>("edtExclude")->setText("3"); });
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    const TORVAFile in = Load(path);
    EXPECT_EQ(Load(Target("b.ave")).Cells[0].Data, CorrectBaseline(in, {}).File.Cells[0].Data);
    const TORVAFile d = Load(Target("d.ave"));
    ASSERT_EQ(d.NumCells(), 3);
    EXPECT_EQ(d.Cells[2].Name, "late-early");
    TDifferenceOptions options{1, 0, std::string("late-early")};
    EXPECT_EQ(d.Cells[2].Data, DifferenceWave(in, options).File.Cells[2].Data);
    EXPECT_EQ(Load(Target("r.ave")).Cells[1].Data, AverageReference(in, {2}).File.Cells[1].Data);
    EXPECT_EQ(Window->CurrentFile->NumCells(), 2);
}

TEST_F(TErpDialogTest, FilesDialogMakesAGrandAverageOfTheChosenFiles)
{
    const QString a = WriteAverage("s1.ave", 2, 2, 8, 3);
    const QString b = WriteAverage("s2.ave", 2, 3, 8, 3);
    Dialogs.OpenNames = {a, b};
    Dialogs.SaveNames.push_back(Target("grand.ave"));
    RunDialog("miErpFiles", [](QWidget* dialog) {
        auto* d = static_cast<ui::TfrmErpFiles*>(dialog);
        QTest::mouseClick(d->btnAdd, Qt::LeftButton);
        QTest::mouseClick(d->btnAdd, Qt::LeftButton);
        EXPECT_FALSE(d->chkWeighted->isEnabled());
        d->rbGrandAverage->setChecked(true);
        EXPECT_TRUE(d->chkWeighted->isEnabled());
    });
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    const TORVAFile first = Load(a);
    const TORVAFile second = Load(b);
    const TORVAFile expected = GrandAverage({&first, &second}, false).File;
    const TORVAFile written = Load(Target("grand.ave"));
    EXPECT_EQ(written.Cells[0].Data, expected.Cells[0].Data);
    EXPECT_EQ(written.GeneralInformation.LastSubjectDone, 5);
    EXPECT_EQ(Window->CurrentFile, nullptr);
}

TEST_F(TErpDialogTest, ClampedSessionValuesAreToldAsTheFilterTellsThem)
{
    OpenViaMenu(WriteFile("loud.ses", OvershootingSession()));
    Dialogs.SaveNames.push_back(Target("flat.ses"));
    // Taking out the mean of the first sample alone shifts the square wave beyond the range.
    RunDialog("miErpBaseline", [](QWidget* d) {
        d->findChild<QLineEdit*>("edtWindowStart")->setText("0");
        d->findChild<QLineEdit*>("edtWindowEnd")->setText("0");
    });
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("computed values were beyond the range")))
        << Dialogs.Messages[0].Text.toStdString();
    EXPECT_TRUE(std::filesystem::exists(Temp.Path("flat.ses")));
}

TEST_F(TErpDialogTest, InterpolateRepairsTheChosenChannelsFromTheChosenPositions)
{
    const QString path = WriteAverage("a.ave", 2, 2, 8, 6);
    std::vector<TSensorPosition> sensors = {{"E1", 0, 0, 9}, {"E2", 6, 0, 6},  {"E3", -6, 0, 6},
                                            {"E4", 0, 6, 6}, {"E5", 0, -6, 6}, {"E6", 4, 4, 4}};
    std::string sfp;
    for (const auto& s : sensors)
        sfp += s.Label + " " + std::to_string(s.X) + " " + std::to_string(s.Y) + " " + std::to_string(s.Z) + "\n";
    WriteBytes(Temp.Path("net.sfp"), std::vector<std::uint8_t>(sfp.begin(), sfp.end()));
    OpenViaMenu(path);
    // The positions come through Browse... (the open dialog), the lists are typed.
    Dialogs.OpenNames.push_back(Target("net.sfp"));
    Dialogs.SaveNames.push_back(Target("r.ave"));
    RunDialog("miErpInterpolate", [](QWidget* d) {
        d->findChild<QLineEdit*>("edtChannels")->setText("2");
        d->findChild<QLineEdit*>("edtExclude")->setText("6");
        QTest::mouseClick(d->findChild<QPushButton*>("btnBrowse"), Qt::LeftButton);
    });
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    TInterpolationOptions options;
    options.Channels = {1};
    options.Excluded = {5};
    options.Sensors = sensors;
    EXPECT_EQ(Load(Target("r.ave")).Cells[1].Data, InterpolateChannels(Load(path), options).File.Cells[1].Data);
    EXPECT_TRUE(Window->CurrentFile->Saved);

    // Without positions, or with a positions file refused, nothing is written.
    RunDialog("miErpInterpolate", [](QWidget* d) { d->findChild<QLineEdit*>("edtChannels")->setText("2"); });
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Choose the sensor positions file."));
    RunDialog("miErpInterpolate", [&](QWidget* d) {
        d->findChild<QLineEdit*>("edtChannels")->setText("2");
        d->findChild<QLineEdit*>("edtPositions")->setText(Target("a.ave"));
    });
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_TRUE(Dialogs.Messages[1].Text.contains(QStringLiteral("not a sensor positions file"))) << Dialogs.Messages[1].Text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(Temp.Path("r2.ave")));
}

} // namespace
} // namespace orva::test
