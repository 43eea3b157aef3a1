// The cluster test window on the demo study, headless: its table is the core's result, a
// chosen cluster's map and shaded range, the refusals naming their fields, a cancelled run
// that leaves the earlier result, the saved files as orva cluster-test writes them, and the
// window opened from the Tools menu with the main window's positions.
#include "ui/UfrmClusterTest.h"

#include "data/DemoData.h"
#include "model/PathText.h"
#include "plot/ClusterPicture.h"
#include "select/EpochLayout.h"
#include "select/LineSink.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tools/ClusterInput.h"
#include "tools/ClusterTables.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace orva::ui {
namespace {

constexpr int kPermutations = 200;

class ClusterTestWindowTest : public ::testing::Test {
protected:
    // The demo files are written once for every test of the suite.
    static void SetUpTestSuite()
    {
        dir = new test::TTempDir;
        WriteDemoFiles(PathFromText(dir->Root()));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    static QString Path(const std::string& name) { return QString::fromStdString(dir->Path(name)); }

    TfrmClusterTest& Open()
    {
        document = std::make_shared<TORVAFile>(test::LoadChecked(dir->Path("demo-study.ave")));
        window = std::make_unique<TfrmClusterTest>(dialogs);
        window->SetFile(document);
        window->show();
        window->edtCells->setText(QStringLiteral("2 1"));
        window->edtPositions->setText(Path("demo.sfp"));
        window->edtPermutations->setText(QString::number(kPermutations));
        return *window;
    }

    // The same test through the core, as orva cluster-test runs it.
    TClusterTestResult CoreResult(std::int64_t permutations = kPermutations) const
    {
        TClusterInputOptions input;
        input.Cells = {1, 0};
        TNeighbourSource source;
        source.Positions = PathFromText(dir->Path("demo.sfp"));
        TClusterTestOptions options;
        options.Permutations = permutations;
        return ClusterTestOfFiles(*document, nullptr, input, source, DefaultChannelNames(document->NumChannels()),
                                  options);
    }

    void TearDown() override
    {
        window.reset();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    static test::TTempDir* dir;
    test::TScriptedDialogs dialogs;
    std::shared_ptr<TORVAFile> document;
    std::unique_ptr<TfrmClusterTest> window;
};

test::TTempDir* ClusterTestWindowTest::dir = nullptr;

QString Text(const QTableWidget* table, int row, int column) { return table->item(row, column)->text(); }

TEST_F(ClusterTestWindowTest, TheTableIsTheCoresClustersMostSignificantFirst)
{
    TfrmClusterTest& w = Open();
    EXPECT_FALSE(w.btnSaveClusters->isEnabled());
    w.btnCompute->click();
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.MessageTexts().join('\n').toStdString();
    ASSERT_TRUE(w.Result());
    const TClusterTestResult core = CoreResult();
    ASSERT_FALSE(core.Clusters.empty());
    ASSERT_EQ(w.twClusters->rowCount(), static_cast<int>(core.Clusters.size()));
    EXPECT_EQ(w.Result()->Result.Null, core.Null) << "the same null with the window's threads";

    // The demo's P3: a positive cluster first, with the core's mass, p and time range.
    const TCluster& first = core.Clusters[0];
    const TClusterExtent extent = ClusterExtent(core, first);
    EXPECT_EQ(first.Sign, 1);
    EXPECT_EQ(Text(w.twClusters, 0, 1), "positive");
    EXPECT_EQ(Text(w.twClusters, 0, 2).toStdString(), FixedDecimal(first.Mass, 6));
    EXPECT_EQ(Text(w.twClusters, 0, 3).toStdString(), FixedDecimal(first.P, 6));
    EXPECT_EQ(Text(w.twClusters, 0, 3), "0.005000") << "the smallest p of 200 permutations";
    EXPECT_EQ(Text(w.twClusters, 0, 4).toStdString(), FixedDecimal(core.TimesMs[extent.FirstSample], 3));
    EXPECT_EQ(Text(w.twClusters, 0, 5).toStdString(), FixedDecimal(core.TimesMs[extent.LastSample], 3));
    EXPECT_EQ(Text(w.twClusters, 0, 6).toInt(), static_cast<int>(extent.Channels.size()));
    EXPECT_EQ(Text(w.twClusters, 0, 9).toStdString(),
              core.ChannelLabels[static_cast<std::size_t>(extent.PeakPoint / core.NumSamples())]);
    for (int r = 1; r < w.twClusters->rowCount(); ++r)
        EXPECT_LE(Text(w.twClusters, r - 1, 3).toDouble(), Text(w.twClusters, r, 3).toDouble());

    QString summary;
    for (const std::string& line : ClusterSummary(core))
        summary += QString::fromStdString(line) + QLatin1Char('\n');
    EXPECT_EQ(w.txtSummary->toPlainText(), summary);
    EXPECT_EQ(w.Result()->Directions.size(), 64u) << "positions give the maps";
    EXPECT_EQ(w.lblPicture->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              plot::RenderClusterPicture(*w.Result()).convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(w.btnSaveClusters->isEnabled());
    EXPECT_FALSE(w.pbProgress->isVisible());
    EXPECT_FALSE(w.btnCancel->isEnabled());
    EXPECT_EQ(document->Cells[1].NumObservations, 12) << "the document is left as it was";
}

TEST_F(ClusterTestWindowTest, ChoosingAClusterShowsItsMapAndShadesItsRangeOnTheChosenChannel)
{
    TfrmClusterTest& w = Open();
    w.edtThreshold->setText(QStringLiteral("1.5")); // a low threshold: several clusters
    w.edtPThreshold->clear();
    w.btnCompute->click();
    ASSERT_TRUE(dialogs.Messages.empty()) << dialogs.MessageTexts().join('\n').toStdString();
    const TClusterTestResult& r = w.Result()->Result;
    ASSERT_GE(r.Clusters.size(), 2u);

    auto expectShown = [&](int k) {
        const TClusterExtent e = ClusterExtent(r, r.Clusters[static_cast<std::size_t>(k)]);
        EXPECT_EQ(w.ShownCluster(), k);
        EXPECT_EQ(w.twClusters->currentRow(), k);
        ASSERT_TRUE(w.ShadedRange());
        EXPECT_EQ(w.ShadedRange()->First, r.SampleIndices[static_cast<std::size_t>(e.FirstSample)]);
        EXPECT_EQ(w.ShadedRange()->Last, r.SampleIndices[static_cast<std::size_t>(e.LastSample)]);
        EXPECT_EQ(w.ShadedRange()->Sign, r.Clusters[static_cast<std::size_t>(k)].Sign);
        EXPECT_EQ(w.TraceChannel(), r.Channels[static_cast<std::size_t>(e.PeakPoint / r.NumSamples())])
            << "the trace starts at the cluster's peak channel";
        EXPECT_EQ(w.lblMap->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                  plot::RenderClusterMap(*w.Result(), k));
    };
    expectShown(0); // the first cluster is shown as the result comes
    const QImage firstMap = w.lblMap->pixmap().toImage();
    const QImage firstTrace = w.lblTrace->pixmap().toImage();

    const int last = static_cast<int>(r.Clusters.size()) - 1;
    w.twClusters->setCurrentCell(last, 0);
    expectShown(last);
    EXPECT_NE(w.lblMap->pixmap().toImage(), firstMap);
    EXPECT_NE(w.lblTrace->pixmap().toImage(), firstTrace);

    // Another channel: the same cluster's range, shaded on that channel's waves.
    const auto range = *w.ShadedRange();
    const QImage before = w.lblTrace->pixmap().toImage();
    w.cbChannel->setCurrentIndex((w.cbChannel->currentIndex() + 17) % w.cbChannel->count());
    EXPECT_EQ(w.TraceChannel(), w.cbChannel->currentData().toInt());
    EXPECT_EQ(w.ShownCluster(), last);
    EXPECT_EQ(w.ShadedRange()->First, range.First);
    EXPECT_EQ(w.ShadedRange()->Last, range.Last);
    EXPECT_NE(w.lblTrace->pixmap().toImage(), before);
}

TEST_F(ClusterTestWindowTest, RefusalsNameTheFieldAndRunNothing)
{
    TfrmClusterTest& w = Open();
    const struct {
        QLineEdit* Edit;
        QString Text;
        QString Start;
    } cases[] = {
        {w.edtCells, QStringLiteral("2 x"), QStringLiteral("Cells: ")},
        {w.edtWindow, QStringLiteral("700 100"), QStringLiteral("Window: the start comes after the end")},
        {w.edtPermutations, QStringLiteral("0"), QStringLiteral("Permutations: ")},
        {w.edtPositions, QString(), QStringLiteral("Positions: ")},
    };
    for (const auto& c : cases) {
        const QString kept = c.Edit->text();
        c.Edit->setText(c.Text);
        dialogs.Messages.clear();
        w.btnCompute->click();
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_TRUE(dialogs.Messages[0].Text.startsWith(c.Start)) << dialogs.Messages[0].Text.toStdString();
        EXPECT_EQ(dialogs.Messages[0].Caption, "Error");
        c.Edit->setText(kept);
    }
    // What only the document can tell, as the core says it.
    w.edtCells->setText(QStringLiteral("3 1"));
    dialogs.Messages.clear();
    w.btnCompute->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.endsWith("Cells: 3 is outside the valid range 1 to 2"))
        << dialogs.Messages[0].Text.toStdString();
    w.edtCells->setText(QStringLiteral("2 1"));
    w.edtPositions->setText(Path("missing.sfp"));
    dialogs.Messages.clear();
    w.btnCompute->click();
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.contains("missing.sfp")) << dialogs.Messages[0].Text.toStdString();
    EXPECT_FALSE(w.Result());
    EXPECT_EQ(w.twClusters->rowCount(), 0);
    EXPECT_TRUE(dialogs.FileDialogs.empty());
}

TEST_F(ClusterTestWindowTest, CancelLeavesTheEarlierResultQuietly)
{
    TfrmClusterTest& w = Open();
    w.edtPermutations->setText(QStringLiteral("1000"));
    // Pressed while the first permutations run (the timer fires in the run's event handling).
    QTimer::singleShot(0, w.btnCancel, [&w] {
        EXPECT_TRUE(w.IsRunning());
        EXPECT_TRUE(w.pbProgress->isVisible());
        EXPECT_FALSE(w.btnCompute->isEnabled());
        w.btnCancel->click();
    });
    w.btnCompute->click();
    EXPECT_FALSE(w.IsRunning());
    EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.MessageTexts().join('\n').toStdString();
    EXPECT_FALSE(w.Result()) << "no result when the first run is cancelled";
    EXPECT_EQ(w.twClusters->rowCount(), 0);
    EXPECT_TRUE(w.lblStatus->text().startsWith("Cancelled"));
    EXPECT_TRUE(w.btnCompute->isEnabled());
    EXPECT_FALSE(w.btnCancel->isEnabled());
    EXPECT_FALSE(w.btnSaveClusters->isEnabled());

    w.edtPermutations->setText(QString::number(kPermutations));
    w.btnCompute->click();
    ASSERT_TRUE(w.Result());
    const std::vector<double> null = w.Result()->Result.Null;
    const int rows = w.twClusters->rowCount();
    // Esc during a run cancels it: the result of the run before stays, and so does the window.
    w.edtPermutations->setText(QStringLiteral("1000"));
    QTimer::singleShot(0, &w, [&w] { QTest::keyClick(w.btnCancel, Qt::Key_Escape); });
    w.btnCompute->click();
    EXPECT_TRUE(dialogs.Messages.empty()) << dialogs.MessageTexts().join('\n').toStdString();
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->Result.Null, null);
    EXPECT_EQ(w.twClusters->rowCount(), rows);
    EXPECT_TRUE(w.btnSaveClusters->isEnabled());
    EXPECT_TRUE(w.isVisible());

    // Closing during a run stops it, then closes the window.
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    w.btnCompute->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Result()->Result.Null, null);
}

TEST_F(ClusterTestWindowTest, SavedFilesAreTheBatchToolsTablesAndFigure)
{
    TfrmClusterTest& w = Open();
    w.btnCompute->click();
    ASSERT_TRUE(w.Result());
    const TClusterTestResult core = CoreResult();
    dialogs.SaveNames = {Path("c.csv"), Path("p.csv"), Path("f.png"), Path("f.svg"), Path("f.jpg"), std::nullopt};
    w.btnSaveClusters->click();
    w.btnSavePoints->click();
    w.btnSavePicture->click();
    w.btnSavePicture->click();
    w.btnSavePicture->click();
    w.btnSavePicture->click();

    TLineCollector clusters, points;
    WriteClusterTable(core, clusters);
    WritePointTable(core, points);
    EXPECT_EQ(test::ReadText(dir->Path("c.csv")), test::JoinLines(clusters.Lines, "\n"));
    EXPECT_EQ(test::ReadText(dir->Path("p.csv")), test::JoinLines(points.Lines, "\n"));
    // The figure as orva cluster-test --picture draws the same result with the same positions.
    plot::TClusterPictureScene scene{core, w.Result()->Directions, 0.05};
    plot::SaveClusterPicture(Path("batch.png"), scene);
    plot::SaveClusterPicture(Path("batch.svg"), scene);
    EXPECT_EQ(test::ReadBytes(dir->Path("f.png")), test::ReadBytes(dir->Path("batch.png")));
    EXPECT_EQ(test::ReadBytes(dir->Path("f.svg")), test::ReadBytes(dir->Path("batch.svg")));

    ASSERT_EQ(dialogs.FileDialogs.size(), 6u);
    EXPECT_EQ(dialogs.FileDialogs[0].InitialFolder, QString::fromStdString(dir->Root() + "/"));
    ASSERT_EQ(dialogs.Messages.size(), 6u) << dialogs.MessageTexts().join('\n').toStdString();
    EXPECT_EQ(dialogs.Messages[0].Text, "Cluster table saved");
    EXPECT_EQ(dialogs.Messages[1].Text, "Point table saved");
    EXPECT_EQ(dialogs.Messages[2].Text, "Cluster figure saved");
    EXPECT_EQ(dialogs.Messages[4].Caption, "Error");
    EXPECT_TRUE(dialogs.Messages[4].Text.contains("f.jpg")) << dialogs.Messages[4].Text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("f.jpg")));
    EXPECT_EQ(dialogs.Messages[5].Text, "Cluster figure not saved");
}

TEST_F(ClusterTestWindowTest, EnterComputesAndEscapeCloses)
{
    TfrmClusterTest& w = Open();
    w.edtCells->clear();
    w.edtCells->setFocus();
    QTest::keyClick(w.edtCells, Qt::Key_Return);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_TRUE(dialogs.Messages[0].Text.startsWith("Cells: "));
    w.edtCells->setText(QStringLiteral("2 1"));
    QTest::keyClick(w.edtSeed, Qt::Key_Enter);
    EXPECT_TRUE(w.Result());
    QTest::keyClick(w.twClusters, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

using ClusterTestMenuTest = test::TMainWindowTest;

TEST_F(ClusterTestMenuTest, ToolsOpensAWindowOnTheDocumentWithTheChosenPositions)
{
    const auto files = WriteDemoFiles(PathFromText(Temp.Root()));
    Window->UseSensorPositions(QString::fromStdString(PathText(files[2])));
    OpenViaMenu(QString::fromStdString(PathText(files[3])));
    Choose("miToolsCluster");
    auto* w = Window->findChild<TfrmClusterTest*>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isWindow());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(w->edtPositions->text(), QString::fromStdString(PathText(files[2])));
    w->edtCells->setText(QStringLiteral("2 1"));
    w->edtPermutations->setText(QStringLiteral("50"));
    w->btnCompute->click();
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join('\n').toStdString();
    ASSERT_TRUE(w->Result());
    EXPECT_EQ(w->twClusters->item(0, 1)->text(), "positive");
    w->close();
}

} // namespace
} // namespace orva::ui
