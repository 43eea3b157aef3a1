// The tool commands: the filter dialog and the filter, the conversion and the scattering.
#include "MainWindowFixture.h"

#include "tools/LowPassFilter.h"
#include "ui/UfrmFilter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// How the user leaves the filter dialog, and the result that gives.
struct TDialogExit {
    const char* Name;
    std::function<void(ui::TfrmFilter&)> Leave;
    bool Accepted;
};

void PrintTo(const TDialogExit& exit, std::ostream* os)
{
    *os << exit.Name;
}

class TFilterDialogTest : public ::testing::TestWithParam<TDialogExit> {
protected:
    void TearDown() override
    {
        ProcessDeferredDeletes();
        EXPECT_TRUE(VisibleTopLevelWindows().isEmpty());
    }
};

TEST_P(TFilterDialogTest, ClosesWithItsResult)
{
    ui::TfrmFilter dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Low-pass filtering"));
    EXPECT_GE(dialog.width(), 196);
    EXPECT_GE(dialog.height(), 67);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "the dialog is not resizable";
    // Every caption fits and no control covers another, whatever the platform's font.
    for (QWidget* control : {static_cast<QWidget*>(dialog.lblLowfreq), static_cast<QWidget*>(dialog.btnFilter),
                             static_cast<QWidget*>(dialog.btnCancel)})
        EXPECT_GE(control->width(), control->sizeHint().width()) << control->objectName().toStdString();
    EXPECT_LE(dialog.lblLowfreq->geometry().right(), dialog.edtLowfreq->geometry().left());
    EXPECT_LE(dialog.btnCancel->geometry().right(), dialog.btnFilter->geometry().left());
    EXPECT_LE(dialog.edtLowfreq->geometry().bottom(), dialog.btnFilter->geometry().top());
    EXPECT_TRUE(dialog.rect().contains(dialog.btnFilter->geometry()));
    EXPECT_EQ(dialog.lblLowfreq->text(), QStringLiteral("cut-off frequency (Hz):"));
    EXPECT_EQ(dialog.CutoffText(), QStringLiteral("20"));
    EXPECT_TRUE(dialog.btnFilter->isDefault());
    int result = -1;
    const TDialogExit exit = GetParam();
    OnNextModalDialog([&](QWidget*) {
        dialog.edtLowfreq->setFocus();
        QTest::keyClicks(dialog.edtLowfreq, "5");
        exit.Leave(dialog);
    });
    result = dialog.exec();
    EXPECT_EQ(result, exit.Accepted ? QDialog::Accepted : QDialog::Rejected) << exit.Name;
    EXPECT_FALSE(dialog.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Exits, TFilterDialogTest,
    ::testing::Values(
        TDialogExit{"Enter", [](ui::TfrmFilter& d) { QTest::keyClick(d.edtLowfreq, Qt::Key_Return); }, true},
        TDialogExit{"filter button", [](ui::TfrmFilter& d) { QTest::mouseClick(d.btnFilter, Qt::LeftButton); }, true},
        TDialogExit{"Escape", [](ui::TfrmFilter& d) { QTest::keyClick(d.edtLowfreq, Qt::Key_Escape); }, false},
        TDialogExit{"Cancel button", [](ui::TfrmFilter& d) { QTest::mouseClick(d.btnCancel, Qt::LeftButton); }, false},
        TDialogExit{"title bar close", [](ui::TfrmFilter& d) { d.close(); }, false}),
    [](const auto& info) {
        std::string name = info.param.Name;
        for (char& c : name)
            if (c == ' ')
                c = '_';
        return name;
    });

class TToolCommandTest : public TMainWindowTest {
protected:
    /// Runs Tools > Low pass filter... typing text and leaving with key.
    void FilterWith(const QString& text, Qt::Key key, QString* shownText = nullptr)
    {
        OnNextModalDialog([=](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("edtLowfreq");
            ASSERT_NE(edit, nullptr);
            if (shownText)
                *shownText = edit->text();
            edit->clear();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, key);
        });
        Choose("miToolsLPFilter");
    }

    /// The folder of the program, with or without a mapping file.
    void UseProgramDir(const std::optional<std::string>& mapping)
    {
        const std::string dir = Temp.Path("program");
        std::filesystem::create_directories(dir);
        if (mapping)
            WriteBytes(dir + "/GSNv2tov1.txt", std::vector<std::uint8_t>(mapping->begin(), mapping->end()));
        Window->ProgramDir = QString::fromStdString(dir);
    }
};

TEST_F(TToolCommandTest, FilterAppliesTheTypedCutoffAndMarksTheDocumentUnsaved)
{
    const QString path = WriteAverage("subject.ave", 1, 2, 64, 2);
    OpenViaMenu(path);
    ASSERT_NE(Window->CurrentFile, nullptr);
    TORVAFile expected = Load(path);
    LowPassFilter(expected, 12.5f);
    ASSERT_NE(expected.Cells[0].Data, Load(path).Cells[0].Data) << "the test data must change under the filter";

    FilterWith(QStringLiteral("12.5"), Qt::Key_Return);
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, expected.Cells[0].Data);
    EXPECT_FALSE(Window->CurrentFile->Saved);

    // The document now holds changes: Close asks.
    Dialogs.YesNoAnswers.push_back(false);
    Choose("miFileClose");
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Question);
    EXPECT_NE(Window->CurrentFile, nullptr);
}

TEST_F(TToolCommandTest, FilterTellsHowManyValuesWereClamped)
{
    const QString path = WriteFile("loud.ses", OvershootingSession());
    TORVAFile expected = Load(path);
    const std::int64_t clamped = LowPassFilter(expected, 20.0f);
    ASSERT_GT(clamped, 0);

    OpenViaMenu(path);
    FilterWith(QStringLiteral("20"), Qt::Key_Return);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.toStdString(), ClampedValuesText(clamped));
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_FALSE(Dialogs.Messages[0].Question);
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, expected.Cells[0].Data);
}

TEST_F(TToolCommandTest, FilterDialogStartsAt20EveryTime)
{
    OpenViaMenu(WriteAverage("subject.ave", 1, 1, 16, 1));
    const auto original = Window->CurrentFile->Cells[0].Data;
    QString first, second;
    FilterWith(QStringLiteral("55"), Qt::Key_Escape, &first);
    FilterWith(QStringLiteral("66"), Qt::Key_Escape, &second);
    EXPECT_EQ(first, QStringLiteral("20"));
    EXPECT_EQ(second, QStringLiteral("20"));
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, original) << "a cancelled dialog changed the data";
    EXPECT_TRUE(Window->CurrentFile->Saved);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(TToolCommandTest, InvalidCutoffIsReportedAndChangesNothing)
{
    OpenViaMenu(WriteAverage("subject.ave", 1, 1, 16, 1));
    const auto original = Window->CurrentFile->Cells[0].Data;
    for (const QString& text : {QStringLiteral("12,5"), QStringLiteral("20 "), QString()}) {
        Dialogs.Messages.clear();
        FilterWith(text, Qt::Key_Return);
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("'") + text + QStringLiteral("' is not a valid cut-off frequency"));
        EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
        EXPECT_EQ(Window->CurrentFile->Cells[0].Data, original);
        EXPECT_TRUE(Window->CurrentFile->Saved);
    }
}

TEST_F(TToolCommandTest, FilterErrorIsShownAndTheDocumentStays)
{
    OpenViaMenu(WriteAverage("subject.ave", 1, 1, 1, 2)); // one sample per observation cannot be filtered
    const auto original = Window->CurrentFile->Cells[0].Data;
    FilterWith(QStringLiteral("20"), Qt::Key_Return);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(Window->CurrentFile->Cells[0].Data, original);
}

TEST_F(TToolCommandTest, CancelledConversionReadsNoMapAndWritesNothing)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    UseProgramDir(std::nullopt); // a missing mapping file would be reported if it were read
    Dialogs.SaveNames.push_back(std::nullopt);
    Choose("miToolsConvertGSN");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_TRUE(Dialogs.FileDialogs[1].Title.isEmpty());
    EXPECT_EQ(Dialogs.FileDialogs[1].InitialFolder, QString::fromStdString(Temp.Root() + "/"));
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
}

TEST_F(TToolCommandTest, MissingMappingFileIsNamedAndNothingIsWritten)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    UseProgramDir(std::nullopt);
    const std::string target = Temp.Path("v1.ave");
    Dialogs.SaveNames.push_back(QString::fromStdString(target));
    Choose("miToolsConvertGSN");
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(Window->ProgramDir + QStringLiteral("/GSNv2tov1.txt")))
        << Dialogs.Messages[0].Text.toStdString();
    // The installed data folder beside the program's folder was looked at too.
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(
        QString::fromStdString(Temp.Path("share/orva-toolbox/GSNv2tov1.txt"))))
        << Dialogs.Messages[0].Text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(TToolCommandTest, ConversionFindsTheInstalledMappingFile)
{
    const QString path = WriteAverage("subject.ave", 1, 1, 3, 2);
    OpenViaMenu(path);
    UseProgramDir(std::nullopt);
    const std::string share = Temp.Path("share/orva-toolbox");
    std::filesystem::create_directories(share);
    WriteBytes(share + "/GSNv2tov1.txt", {'1', '\t', '2', '\n', '2', '\t', '1', '\n'});
    const QString target = QString::fromStdString(Temp.Path("v1.ave"));
    Dialogs.SaveNames.push_back(target);
    Choose("miToolsConvertGSN");
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    const TORVAFile source = Load(path);
    const TORVAFile written = Load(target);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(written.Cells[0].Data(0, s, 0), source.Cells[0].Data(0, s, 1));
        EXPECT_EQ(written.Cells[0].Data(0, s, 1), source.Cells[0].Data(0, s, 0));
    }
}

TEST_F(TToolCommandTest, ConversionWritesTheChannelsInMappedOrder)
{
    const QString path = WriteAverage("subject.ave", 2, 2, 5, 2);
    OpenViaMenu(path);
    UseProgramDir("1\t2\r\n2\t1\r\n");
    const QString target = QString::fromStdString(Temp.Path("v1.ave"));
    Dialogs.SaveNames.push_back(target);
    Choose("miToolsConvertGSN");
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();

    const TORVAFile source = Load(path);
    const TORVAFile written = Load(target);
    for (int cell = 0; cell < 2; ++cell)
        for (int o = 0; o < 2; ++o)
            for (int s = 0; s < 5; ++s) {
                EXPECT_EQ(written.Cells[cell].Data(o, s, 0), source.Cells[cell].Data(o, s, 1));
                EXPECT_EQ(written.Cells[cell].Data(o, s, 1), source.Cells[cell].Data(o, s, 0));
            }
    EXPECT_TRUE(Window->CurrentFile->Saved);
}

TEST_F(TToolCommandTest, ConversionSaysWhenItChangesNothingOrSkipsLines)
{
    const struct {
        const char* Map;
        QStringList Says; // the lines of the note after writing; none: no message
    } cases[] = {
        {"1\t1\n2\t2\n3\t3\n",
         {"The mapping file GSNv2tov1.txt leaves every channel where it was: %1 holds the channels in their "
          "original order."}},
        {"1\t2\n2\t1\n3\t3\n\n", {"1 line of the mapping file GSNv2tov1.txt was ignored (no output channel within 1..3)."}},
        {"1\t1\n2\t2\n3\t3\n0\t1\n4\t1",
         {"The mapping file GSNv2tov1.txt leaves every channel where it was: %1 holds the channels in their "
          "original order.",
          "2 lines of the mapping file GSNv2tov1.txt were ignored (no output channel within 1..3)."}},
        {"1\t3\n3\t1\n", {}},
    };
    OpenViaMenu(WriteAverage("subject.ave", 1, 1, 4, 3));
    const QString target = QString::fromStdString(Temp.Path("v1.ave"));
    for (const auto& c : cases) {
        UseProgramDir(c.Map);
        Dialogs.Messages.clear();
        Dialogs.SaveNames.push_back(target);
        Choose("miToolsConvertGSN");
        ASSERT_TRUE(std::filesystem::exists(target.toStdString())) << c.Map;
        if (c.Says.isEmpty()) {
            EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
            continue;
        }
        ASSERT_EQ(Dialogs.Messages.size(), 1u) << c.Map;
        EXPECT_EQ(Dialogs.Messages[0].Text, c.Says.join(QLatin1Char('\n')).replace(QLatin1String("%1"), target));
        EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
        EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Warning);
        std::filesystem::remove(target.toStdString());
    }
}

TEST_F(TToolCommandTest, ScatterCancelledWritesNothing)
{
    OpenViaMenu(WriteAverage("subject.ave", 3));
    Dialogs.SaveNames.push_back(std::nullopt);
    Choose("miToolsScattercells");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(Dialogs.FileDialogs[1].Title, QStringLiteral("Scatter cells as..."));
    EXPECT_EQ(Dialogs.FileDialogs[1].InitialFolder, QString::fromStdString(Temp.Root() + "/"));
    for (const auto& entry : std::filesystem::directory_iterator(Temp.Root()))
        EXPECT_EQ(entry.path().filename(), "subject.ave") << "unexpected file " << entry.path();
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(TToolCommandTest, ScatterWritesOneFilePerCell)
{
    const QString path = WriteAverage("subject.ave", 3, 1, 4, 2);
    OpenViaMenu(path);
    const std::string chosen = Temp.Path("run");
    Dialogs.SaveNames.push_back(QString::fromStdString(chosen));
    Choose("miToolsScattercells");
    ASSERT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
    const TORVAFile source = Load(path);
    for (int i = 0; i < 3; ++i) {
        const QString cellFile = QString::fromStdString(chosen + "_Cell" + std::to_string(i + 1));
        TORVAFile checked;
        ASSERT_EQ(checked.CheckFile(cellFile.toStdString()), "") << cellFile.toStdString();
        const TORVAFile cell = Load(cellFile);
        EXPECT_EQ(cell.NumCells(), 1);
        EXPECT_EQ(cell.Cells[0].Data, source.Cells[static_cast<std::size_t>(i)].Data);
    }
    EXPECT_FALSE(Window->IsBusy());
}

} // namespace
} // namespace orva::test
