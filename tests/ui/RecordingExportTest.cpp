// File > Export to BrainVision... and Export to EDF+...: the whole open document.
#include "MainWindowFixture.h"

#include "formats/BrainVisionExport.h"
#include "formats/EdfExport.h"
#include "model/PathText.h"

#include <filesystem>

namespace orva::test {
namespace {

namespace fs = std::filesystem;

class RecordingExportTest : public TMainWindowTest {
protected:
    TORVAFile Loaded(const QString& path)
    {
        TORVAFile file;
        file.LoadFromFile(PathFromText(path.toStdString()));
        return file;
    }
    std::size_t Entries() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(PathFromText(Temp.Root())), fs::directory_iterator()));
    }
};

TEST_F(RecordingExportTest, BrainVisionOfTheWholeDocumentUnderTheProposedName)
{
    const QString data = WriteFile("s01.ses", TTestFileBuilder::Session(2, 3, 5, 4));
    OpenViaMenu(data);
    const QString target = QString::fromStdString(Temp.Path("chosen.vhdr"));
    Dialogs.SaveNames.push_back(target);
    Choose("miFileToBrainVision");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    const TFileDialogCall& call = Dialogs.FileDialogs[1];
    EXPECT_TRUE(call.Save);
    EXPECT_EQ(call.InitialFolder, QString::fromStdString(Temp.Root() + "/"));
    EXPECT_EQ(call.Title, QStringLiteral("Export to BrainVision as..."));
    EXPECT_EQ(call.ProposedName, QStringLiteral("s01.vhdr"));
    ASSERT_EQ(Dialogs.Messages.size(), 1u) << Dialogs.MessageTexts().join("; ").toStdString();
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("BrainVision files saved"));
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("warning"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Information);

    ExportBrainVision(Loaded(data), {}, std::nullopt, PathFromText(Temp.Path("core.vhdr")));
    EXPECT_EQ(ReadBytes(Temp.Path("chosen.eeg")), ReadBytes(Temp.Path("core.eeg")));
    EXPECT_EQ(ReadBytes(Temp.Path("chosen.eeg")).size(), 2u * 3u * 5u * 4u * 4u);
    EXPECT_TRUE(fs::exists(PathFromText(Temp.Path("chosen.vmrk"))));
}

// A name typed without extension gets the format's; the bytes are the core's.
TEST_F(RecordingExportTest, EdfNameWithoutExtensionGetsOne)
{
    const QString data = WriteAverage("s02.ave", 2, 2, 8, 3);
    OpenViaMenu(data);
    Dialogs.SaveNames.push_back(QString::fromStdString(Temp.Path("chosen")));
    Choose("miFileToEdf");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(Dialogs.FileDialogs[1].ProposedName, QStringLiteral("s02.edf"));
    EXPECT_EQ(Dialogs.FileDialogs[1].Title, QStringLiteral("Export to EDF+ as..."));
    ASSERT_EQ(Dialogs.MessageTexts(), QStringList{QStringLiteral("warning: EDF+ file saved")});
    ExportEdf(Loaded(data), {}, std::nullopt, PathFromText(Temp.Path("core.edf")));
    EXPECT_EQ(ReadBytes(Temp.Path("chosen.edf")), ReadBytes(Temp.Path("core.edf")));
}

// A refusal is shown before the dialog opens; a cancelled dialog writes nothing.
TEST_F(RecordingExportTest, RefusalsAndCancelWriteNothing)
{
    TTestFileBuilder b = TTestFileBuilder::Average(2, 1, 4, 2);
    b.Cells[1].SamplesPerObservation = 6;
    const QString data = WriteFile("mixed.ave", b);
    OpenViaMenu(data);
    const std::size_t before = Entries();

    Choose("miFileToEdf"); // epochs of 4 and 6 samples
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Error);
    EXPECT_TRUE(Dialogs.Messages[0].Text.endsWith(
        QStringLiteral("EDF+ needs epochs of one length, but cell 1 has 4 samples and cell 2 has 6")))
        << Dialogs.Messages[0].Text.toStdString();
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("mixed.ave")));
    EXPECT_EQ(Dialogs.FileDialogs.size(), 1u) << "no save dialog after a refusal";

    Choose("miFileToBrainVision"); // fine for BrainVision, but cancelled
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Text, QStringLiteral("BrainVision files not saved"));
    EXPECT_EQ(Dialogs.Messages[1].Icon, ui::TMessageIcon::Warning);
    EXPECT_EQ(Entries(), before);

    b.Cells[1].SamplesPerSecond = 500;
    OpenViaMenu(WriteFile("rates.ave", b));
    Choose("miFileToBrainVision");
    ASSERT_EQ(Dialogs.Messages.size(), 3u);
    EXPECT_TRUE(Dialogs.Messages[2].Text.endsWith(
        QStringLiteral("The exported cells must share one sampling rate, but cell 1 has 250 Hz and cell 2 has 500 Hz")));
    EXPECT_EQ(Dialogs.FileDialogs.size(), 3u); // the open dialog only
}

} // namespace
} // namespace orva::test
