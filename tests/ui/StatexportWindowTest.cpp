#include "ui/UfrmStatexport.h"

#include "export/LongTableExport.h"
#include "export/StatsExport.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/QtTestEnvironment.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/support/ViewTestDocuments.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::ui {
namespace {

using test::AverageDocument;
using test::SessionDocument;

class StatexportWindowTest : public ::testing::Test {
protected:
    TfrmStatexport& Open(std::shared_ptr<TORVAFile> file)
    {
        documents.push_back(file); // the window holds only a weak reference
        window = std::make_unique<TfrmStatexport>(dialogs);
        window->SetFile(file);
        window->show();
        return *window;
    }
    static std::vector<std::string> Expected(const TORVAFile& file, const TfrmStatexport& w)
    {
        auto list = [](const QLineEdit* e) { return ParseSelectionList(e->text().toStdString()); };
        return BuildStatsExport(file, list(w.edtCells), list(w.edtObservations), list(w.edtChannels),
                                list(w.edtSamples), DecimalSeparator());
    }

    test::TScriptedDialogs dialogs;
    test::TTempDir dir;
    std::vector<std::shared_ptr<TORVAFile>> documents;
    std::unique_ptr<TfrmStatexport> window;
};

TEST_F(StatexportWindowTest, ProposesWhatEveryCellHas)
{
    TfrmStatexport& w = Open(AverageDocument({{3, 300, 250}, {5, 250, 250}, {4, 280, 250}}, 6));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Export to stats text file"));
    EXPECT_EQ(w.size(), QSize(369, 233));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.lblObservations->text(), QStringLiteral("Observations (subjects):"));
    EXPECT_EQ(w.Panel1->height(), 2);
    EXPECT_TRUE(w.btnExport->isDefault());
    EXPECT_EQ(w.MinObservations(), 3);
    EXPECT_EQ(w.MinSamples(), 250);
    EXPECT_EQ(w.edtCells->text(), QStringLiteral("1 2 3"));
    EXPECT_EQ(w.edtObservations->text(), QStringLiteral("1 2 3"));
    EXPECT_EQ(w.edtChannels->text(), QString());
    EXPECT_EQ(w.edtSamples->text().toStdString(), NumberListText(1, 250));
    EXPECT_EQ(w.seSampleFrom->value(), 1);
    EXPECT_EQ(w.seSampleFrom->maximum(), 250);
    EXPECT_EQ(w.seSampleTo->value(), 250);
    EXPECT_EQ(w.seSampleTo->minimum(), 1);
    EXPECT_EQ(w.seSampleTo->maximum(), 250);
}

TEST_F(StatexportWindowTest, SampleSpinEditsLimitEachOtherAndFillTheBox)
{
    TfrmStatexport& w = Open(AverageDocument({{1, 100, 250}}, 2));
    w.seSampleFrom->setValue(5);
    EXPECT_EQ(w.seSampleTo->minimum(), 5);
    w.edtSamples->setText(QStringLiteral("typed by hand"));
    w.seSampleTo->setValue(20);
    EXPECT_EQ(w.seSampleFrom->maximum(), 20);
    EXPECT_EQ(w.edtSamples->text().toStdString(), NumberListText(5, 20));
    // Typing is allowed in these two.
    w.seSampleTo->selectAll();
    QTest::keyClicks(w.seSampleTo, QStringLiteral("12"));
    EXPECT_EQ(w.seSampleTo->value(), 12);
    EXPECT_EQ(w.edtSamples->text().toStdString(), NumberListText(5, 12));
}

TEST_F(StatexportWindowTest, FillingButtons)
{
    TfrmStatexport& w = Open(AverageDocument({{2, 30, 250}, {2, 20, 250}}, 4));
    w.seSampleFrom->setValue(3);
    QTest::mouseClick(w.btnAllChannels, Qt::LeftButton);
    EXPECT_EQ(w.edtChannels->text(), QStringLiteral("1 2 3 4"));
    QTest::mouseClick(w.btnClearChannels, Qt::LeftButton);
    EXPECT_EQ(w.edtChannels->text(), QString());
    QTest::mouseClick(w.btnClearSamples, Qt::LeftButton);
    EXPECT_EQ(w.edtSamples->text(), QString());
    QTest::mouseClick(w.btnAllSamples, Qt::LeftButton);
    EXPECT_EQ(w.edtSamples->text().toStdString(), NumberListText(1, 20));
    // The spin edits keep their values.
    EXPECT_EQ(w.seSampleFrom->value(), 3);
    EXPECT_EQ(w.seSampleTo->value(), 20);
}

TEST_F(StatexportWindowTest, WritesTheBuiltLinesWithCrLf)
{
    struct TBoxes {
        const char* name;
        const char* cells;
        const char* observations;
        const char* channels;
        const char* samples;
    };
    int n = 0;
    for (const auto& b : std::vector<TBoxes>{{"unchanged", nullptr, nullptr, nullptr, nullptr},
                                             {"typed lists", "2 1", "  3  1 ", "5 6", "10 11"},
                                             {"empty samples", "1", "1", "1", ""}}) {
        auto file = SessionDocument({{3, 12, 250}, {4, 12, 250}}, 6, test::PatternValue, dir.Path("s.ses"));
        TfrmStatexport& w = Open(file);
        if (b.cells) {
            w.edtCells->setText(QString::fromLatin1(b.cells));
            w.edtObservations->setText(QString::fromLatin1(b.observations));
            w.edtChannels->setText(QString::fromLatin1(b.channels));
            w.edtSamples->setText(QString::fromLatin1(b.samples));
        }
        const std::string out = dir.Path("stats" + std::to_string(n++) + ".txt");
        const auto expected = Expected(*file, w);
        dialogs.Messages.clear();
        dialogs.SaveNames.push_back(QString::fromStdString(out));
        QTest::mouseClick(w.btnExport, Qt::LeftButton);
        EXPECT_EQ(test::ReadText(out), test::WithLineEnds(expected)) << b.name;
        ASSERT_EQ(dialogs.Messages.size(), 1u) << b.name;
        EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Stats text file saved"));
        EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("warning"));
        EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Information);
        EXPECT_EQ(dialogs.FileDialogs.back().InitialFolder, QString::fromStdString(dir.Root() + "/"));
        EXPECT_FALSE(w.isVisible()) << b.name;
    }
    // A new window (no channel listed) exports three empty label rows and one empty row per sample.
    std::string emptyLines;
    for (int i = 0; i < 3 + 12; ++i)
        emptyLines += "\r\n";
    EXPECT_EQ(test::ReadText(dir.Path("stats0.txt")), emptyLines);
}

TEST_F(StatexportWindowTest, CancelledDialogWritesNothingAndStays)
{
    TfrmStatexport& w = Open(AverageDocument({{1, 5, 250}}, 1));
    w.edtChannels->setText(QStringLiteral("1"));
    dialogs.SaveNames.push_back(std::nullopt);
    w.btnExportClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Stats text file not saved"));
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("warning"));
    EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Warning);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.edtChannels->text(), QStringLiteral("1"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
}

TEST_F(StatexportWindowTest, OutOfRangeEntriesAreRefusedBeforeAnyDialog)
{
    struct TEntry {
        QLineEdit* TfrmStatexport::*box;
        const char* text;
    };
    for (const auto& e : std::vector<TEntry>{{&TfrmStatexport::edtCells, "3"},
                                             {&TfrmStatexport::edtCells, "abc"},
                                             {&TfrmStatexport::edtObservations, "1 9"},
                                             {&TfrmStatexport::edtChannels, "-1"},
                                             {&TfrmStatexport::edtSamples, "6"}}) {
        TfrmStatexport& w = Open(AverageDocument({{2, 5, 250}, {2, 5, 250}}, 2));
        w.edtChannels->setText(QStringLiteral("1 2"));
        (w.*e.box)->setText(QString::fromLatin1(e.text));
        dialogs.Messages.clear();
        dialogs.FileDialogs.clear();
        w.btnExportClick();
        ASSERT_EQ(dialogs.Messages.size(), 1u) << e.text;
        EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error")) << e.text;
        EXPECT_TRUE(dialogs.FileDialogs.empty()) << e.text;
        EXPECT_TRUE(w.isVisible()) << e.text;
    }
}

TEST_F(StatexportWindowTest, ClosedDocumentIsRefused)
{
    auto file = AverageDocument({{1, 5, 250}}, 1);
    QPointer<TfrmStatexport> w = new TfrmStatexport(dialogs);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->SetFile(file);
    w->show();
    file.reset();
    w->btnExportClick();
    test::ProcessDeferredDeletes();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("The document of this window has been closed."));
    EXPECT_TRUE(dialogs.FileDialogs.empty());
    EXPECT_TRUE(w.isNull());
}

TEST_F(StatexportWindowTest, DocumentWithoutCellsProposesNothing)
{
    TfrmStatexport& w = Open(AverageDocument({}, 4));
    EXPECT_EQ(w.edtCells->text(), QString());
    EXPECT_EQ(w.edtObservations->text(), QString());
    EXPECT_EQ(w.edtSamples->text(), QString());
    EXPECT_FALSE(w.seSampleFrom->isEnabled());
    EXPECT_FALSE(w.seSampleTo->isEnabled());
    QTest::mouseClick(w.btnAllSamples, Qt::LeftButton);
    EXPECT_EQ(w.edtSamples->text(), QString());
    QTest::mouseClick(w.btnAllChannels, Qt::LeftButton);
    EXPECT_EQ(w.edtChannels->text(), QStringLiteral("1 2 3 4"));
}

// A QLineEdit cuts its text at 32767 characters unless told otherwise: the lists of a file
// with 10,000 samples are about 49,000 characters long.
TEST_F(StatexportWindowTest, ListsOfAnyLengthStayWhole)
{
    TfrmStatexport& w = Open(AverageDocument({{1, 10000, 250}}, 2));
    const std::string all = NumberListText(1, 10000);
    ASSERT_GT(all.size(), 32767u);
    EXPECT_EQ(w.edtSamples->text().toStdString(), all);
    QTest::mouseClick(w.btnClearSamples, Qt::LeftButton);
    QTest::mouseClick(w.btnAllSamples, Qt::LeftButton);
    EXPECT_EQ(w.edtSamples->text().toStdString(), all);
    const TSelectionList samples = ParseSelectionList(w.edtSamples->text().toStdString());
    ASSERT_EQ(samples.size(), 10000u);
    EXPECT_EQ(samples.back(), 9999);
    // Typed or pasted text is not cut either.
    w.edtChannels->setText(QString::fromStdString(NumberListText(1, 2) + std::string(40000, ' ') + "2"));
    EXPECT_EQ(ParseSelectionList(w.edtChannels->text().toStdString()), (TSelectionList{0, 1, 1}));
}

TEST_F(StatexportWindowTest, SavesTheSameSelectionAsALongTableAndStaysOpen)
{
    auto file = SessionDocument({{3, 12, 250}, {4, 12, 500}}, 6, test::PatternValue, dir.Path("s.ses"));
    TfrmStatexport& w = Open(file);
    EXPECT_EQ(w.btnSaveLongTable->text(), QStringLiteral("Save as long table..."));
    EXPECT_TRUE(w.btnExport->isDefault());
    w.edtCells->setText(QStringLiteral("2 1"));
    w.edtObservations->setText(QStringLiteral("3 1"));
    w.edtChannels->setText(QStringLiteral("6 6"));
    w.edtSamples->setText(QStringLiteral("12 1"));
    TLongTableOptions options{TSelectionList{1, 0}, TSelectionList{2, 0}, TSelectionList{5, 5}, TSelectionList{11, 0}};
    TLineCollector rows;
    WriteLongTableRows(*file, options, rows);
    ASSERT_EQ(rows.Lines.size(), 2u * 2u * 2u * 2u);
    std::string expected = std::string(kLongTableHeader) + "\n";
    for (const auto& row : rows.Lines)
        expected += row + "\n";

    const std::string out = dir.Path("long.csv");
    dialogs.SaveNames.push_back(QString::fromStdString(out));
    QTest::mouseClick(w.btnSaveLongTable, Qt::LeftButton);
    EXPECT_EQ(test::ReadText(out), expected);
    ASSERT_EQ(dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.FileDialogs[0].Title, QStringLiteral("Save as long table"));
    EXPECT_EQ(dialogs.FileDialogs[0].InitialFolder, QString::fromStdString(dir.Root() + "/"));
    ASSERT_EQ(dialogs.Messages.size(), 1u) << dialogs.MessageTexts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Long table saved"));
    EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Information);
    EXPECT_TRUE(w.isVisible());

    // The stats export of the same boxes still works afterwards.
    const auto stats = Expected(*file, w);
    dialogs.SaveNames.push_back(QString::fromStdString(dir.Path("stats.txt")));
    QTest::mouseClick(w.btnExport, Qt::LeftButton);
    EXPECT_EQ(test::ReadText(dir.Path("stats.txt")), test::WithLineEnds(stats));
}

TEST_F(StatexportWindowTest, LongTableRefusalsAndCancelWriteNothing)
{
    TfrmStatexport& w = Open(AverageDocument({{2, 5, 250}, {3, 5, 250}}, 2));
    w.edtChannels->setText(QStringLiteral("1"));
    w.edtObservations->setText(QStringLiteral("3"));
    w.btnSaveLongTableClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_NE(dialogs.Messages[0].Text.indexOf(QStringLiteral("Observations: 3 is outside")), -1);
    EXPECT_TRUE(dialogs.FileDialogs.empty());

    w.edtObservations->setText(QStringLiteral("2"));
    dialogs.Messages.clear();
    dialogs.SaveNames.push_back(std::nullopt);
    w.btnSaveLongTableClick();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Long table not saved"));
    EXPECT_EQ(dialogs.Messages[0].Icon, TMessageIcon::Warning);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
}

// The save dialog does not hold the document: closed meanwhile, nothing is written.
TEST_F(StatexportWindowTest, DocumentClosedDuringTheSaveDialogIsNotWritten)
{
    struct TClosingDialogs : test::TScriptedDialogs {
        std::shared_ptr<TORVAFile>* Document = nullptr;
        std::optional<QString> GetSaveFileName(QWidget* parent, const QString& folder, const QString& title,
                                               const QString& proposedName) override
        {
            Document->reset();
            return TScriptedDialogs::GetSaveFileName(parent, folder, title, proposedName);
        }
    } closing;
    auto file = AverageDocument({{1, 5, 250}}, 1);
    closing.Document = &file;
    QPointer<TfrmStatexport> w = new TfrmStatexport(closing);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->SetFile(file);
    w->show();
    w->edtChannels->setText(QStringLiteral("1"));
    closing.SaveNames.push_back(QString::fromStdString(dir.Path("late.txt")));
    w->btnExportClick();
    test::ProcessDeferredDeletes();
    ASSERT_EQ(closing.Messages.size(), 1u);
    EXPECT_EQ(closing.Messages[0].Text, QStringLiteral("The document of this window has been closed."));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("late.txt")));
    EXPECT_TRUE(w.isNull());
}

} // namespace
} // namespace orva::ui
