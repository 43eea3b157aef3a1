#include "ui/UfrmTextexport.h"

#include "export/TextExport.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/QtTestEnvironment.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/support/ViewTestDocuments.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::ui {
namespace {

using test::AverageDocument;
using test::TCellShape;

class TextexportWindowTest : public ::testing::Test {
protected:
    TfrmTextexport& Open(std::shared_ptr<TORVAFile> file)
    {
        documents.push_back(file); // the window holds only a weak reference
        window = std::make_unique<TfrmTextexport>(dialogs);
        window->SetFile(file);
        window->show();
        return *window;
    }
    void AnswerSaveWith(const std::string& path) { dialogs.SaveNames.push_back(QString::fromStdString(path)); }

    test::TScriptedDialogs dialogs;
    test::TTempDir dir;
    std::vector<std::shared_ptr<TORVAFile>> documents;
    std::unique_ptr<TfrmTextexport> window;
};

TEST_F(TextexportWindowTest, InitialState)
{
    auto file = AverageDocument({{3, 2, 250}, {5, 2, 250}}, 4);
    TfrmTextexport& w = Open(file);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Export to text file"));
    EXPECT_EQ(w.size(), QSize(344, 164));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.cbHeader->text(), QStringLiteral("Include text header"));
    EXPECT_TRUE(w.cbHeader->isChecked());
    EXPECT_EQ(w.gbCell->title(), QStringLiteral(" Cell "));
    EXPECT_EQ(w.gbObservation->title(), QStringLiteral(" Observation "));
    EXPECT_EQ(w.gbChannel->title(), QStringLiteral(" Channel "));
    for (QRadioButton* one : {w.rbCellOne, w.rbObsOne, w.rbChanOne}) {
        EXPECT_TRUE(one->isChecked());
        EXPECT_TRUE(one->text().isEmpty());
    }
    EXPECT_EQ(w.rbCellAll->text(), QStringLiteral("All"));
    EXPECT_EQ(w.rbObsAverage->text(), QStringLiteral("Average"));
    EXPECT_EQ(w.seCell->value(), 1);
    EXPECT_EQ(w.seCell->maximum(), 2);
    EXPECT_EQ(w.seObs->maximum(), 3);
    EXPECT_EQ(w.seChan->maximum(), 4);
    EXPECT_TRUE(w.btnSaveas->isDefault());
    EXPECT_EQ(w.btnSaveas->text(), QStringLiteral("Save as..."));
    EXPECT_EQ(w.btnCancel->text(), QStringLiteral("Cancel"));

    // Radio buttons are exclusive within their own box only.
    w.rbObsAverage->setChecked(true);
    EXPECT_TRUE(w.rbCellOne->isChecked());
    EXPECT_FALSE(w.rbObsOne->isChecked());
    // Spin edits take no typing.
    QTest::keyClick(w.seChan, Qt::Key_3);
    EXPECT_EQ(w.seChan->value(), 1);
}

TEST_F(TextexportWindowTest, CellChangeLimitsObservations)
{
    TfrmTextexport& w = Open(AverageDocument({{5, 2, 250}, {2, 2, 250}, {7, 2, 250}}, 1));
    w.seObs->setValue(4);
    w.seCell->setValue(2);
    EXPECT_EQ(w.seObs->value(), 2);
    EXPECT_EQ(w.seObs->maximum(), 2);
    // "All" cells does not change which cell the observation range follows.
    w.rbCellAll->setChecked(true);
    w.seCell->setValue(3);
    EXPECT_EQ(w.seObs->value(), 2);
    EXPECT_EQ(w.seObs->maximum(), 7);
}

struct TChoiceCase {
    const char* name;
    std::function<void(TfrmTextexport&)> choose;
};

TEST_F(TextexportWindowTest, WritesTheBuiltLinesWithCrLf)
{
    const std::vector<TChoiceCase> cases{
        {"header, cell 1, observation 2, all channels",
         [](TfrmTextexport& w) {
             w.seObs->setValue(2);
             w.rbChanAll->setChecked(true);
         }},
        {"no header, all cells, all observations, channel 3",
         [](TfrmTextexport& w) {
             w.cbHeader->setChecked(false);
             w.rbCellAll->setChecked(true);
             w.rbObsAll->setChecked(true);
             w.seChan->setValue(3);
         }},
        {"cell 2 averaged",
         [](TfrmTextexport& w) {
             w.seCell->setValue(2);
             w.rbObsAverage->setChecked(true);
         }},
    };
    int n = 0;
    for (const auto& c : cases) {
        auto file = AverageDocument({{3, 4, 250}, {2, 6, 250}}, 3, test::PatternValue, dir.Path("s01.ave"));
        TfrmTextexport& w = Open(file);
        c.choose(w);
        const std::string out = dir.Path("out" + std::to_string(n++) + ".txt");
        const auto expected = BuildTextExport(*file, w.Options(), DecimalSeparator());
        dialogs.Messages.clear();
        AnswerSaveWith(out);
        QTest::mouseClick(w.btnSaveas, Qt::LeftButton);
        EXPECT_EQ(test::ReadText(out), test::WithLineEnds(expected)) << c.name;
        ASSERT_EQ(dialogs.Messages.size(), 1u) << c.name;
        EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Average text file saved"));
        EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("warning"));
        EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Information);
        EXPECT_EQ(dialogs.FileDialogs.back().InitialFolder, QString::fromStdString(dir.Root() + "/"));
        EXPECT_FALSE(w.isVisible()) << c.name;
    }
}

TEST_F(TextexportWindowTest, CancelledDialogWritesNothingAndStays)
{
    TfrmTextexport& w = Open(AverageDocument({{1, 2, 250}}, 1));
    w.rbObsAverage->setChecked(true);
    dialogs.SaveNames.push_back(std::nullopt);
    w.btnSaveasClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Average text file not saved"));
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("warning"));
    EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Warning);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.rbObsAverage->isChecked());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
}

struct TRefusalCase {
    const char* name;
    std::function<void(TORVAFile&)> breakIt;
    std::function<void(TfrmTextexport&)> choose;
    const char* mentions;
};

TEST_F(TextexportWindowTest, RefusalsAreShownBeforeAnyDialog)
{
    const std::vector<TRefusalCase> cases{
        {"scale bins 0", [](TORVAFile& f) { f.GeneralInformation.ScaleBins = 0; }, [](TfrmTextexport&) {},
         "Scale bins"},
        {"observation missing in another cell", [](TORVAFile&) {},
         [](TfrmTextexport& w) {
             w.seObs->setValue(4);
             w.rbCellAll->setChecked(true);
         },
         "bservation"},
        {"average over no observations", [](TORVAFile&) {},
         [](TfrmTextexport& w) {
             w.seCell->setValue(3);
             w.rbObsAverage->setChecked(true);
         },
         "bservation"},
    };
    for (const auto& c : cases) {
        auto file = AverageDocument({{4, 2, 250}, {2, 2, 250}, {0, 2, 250}}, 2);
        c.breakIt(*file);
        TfrmTextexport& w = Open(file);
        c.choose(w);
        dialogs.Messages.clear();
        dialogs.FileDialogs.clear();
        AnswerSaveWith(dir.Path("never.txt"));
        w.btnSaveasClick();
        dialogs.SaveNames.clear();
        ASSERT_EQ(dialogs.Messages.size(), 1u) << c.name;
        EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error")) << c.name;
        EXPECT_TRUE(dialogs.Messages[0].Text.contains(QLatin1String(c.mentions)))
            << c.name << ": " << dialogs.Messages[0].Text.toStdString();
        EXPECT_TRUE(dialogs.FileDialogs.empty()) << c.name;
        EXPECT_TRUE(w.isVisible()) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("never.txt"))) << c.name;
    }
}

TEST_F(TextexportWindowTest, UnwritableFileIsReportedAndWindowStays)
{
    TfrmTextexport& w = Open(AverageDocument({{1, 2, 250}}, 1));
    AnswerSaveWith(dir.Path("missing/folder/out.txt"));
    w.btnSaveasClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_TRUE(dialogs.Messages[0].Text.contains(QLatin1String("out.txt")));
    EXPECT_TRUE(w.isVisible());
}

TEST_F(TextexportWindowTest, ClosedDocumentIsRefused)
{
    auto file = AverageDocument({{1, 2, 250}}, 1);
    TfrmTextexport& w = Open(file);
    file.reset();
    documents.clear(); // the main window closed the document
    w.btnSaveasClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The document of this window has been closed."));
    EXPECT_TRUE(dialogs.FileDialogs.empty());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(TextexportWindowTest, CancelAndEscapeCloseAndDiscard)
{
    auto file = AverageDocument({{1, 2, 250}}, 1);
    for (bool escape : {false, true}) {
        QPointer<TfrmTextexport> w = new TfrmTextexport(dialogs);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->SetFile(file);
        w->show();
        if (escape)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            QTest::mouseClick(w->btnCancel, Qt::LeftButton);
        test::ProcessDeferredDeletes();
        EXPECT_TRUE(w.isNull()) << (escape ? "escape" : "cancel");
    }
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(TextexportWindowTest, DocumentWithoutCellsOpens)
{
    TfrmTextexport& w = Open(AverageDocument({}, 0));
    EXPECT_FALSE(w.seCell->isEnabled());
    EXPECT_FALSE(w.seObs->isEnabled());
    EXPECT_FALSE(w.seChan->isEnabled());
    EXPECT_EQ(w.seCell->maximum(), 1);
    w.btnSaveasClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error"));
}

} // namespace
} // namespace orva::ui
