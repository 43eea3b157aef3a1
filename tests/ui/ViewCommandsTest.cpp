// The main window's commands that open the cell graph and the export windows.
#include "tests/ui/MainWindowFixture.h"
#include "ui/UfrmShowcell.h"
#include "ui/UfrmStatexport.h"
#include "ui/UfrmTextexport.h"

#include <QPointer>
#include <QTableWidget>

namespace orva::test {
namespace {

using ViewCommandsTest = TMainWindowTest;

TEST_F(ViewCommandsTest, ChannelGraphOpensIndependentChildWindows)
{
    OpenViaMenu(WriteAverage("a.ave", 2, 2, 8, 3));
    Choose("miViewChannelgraph");
    Choose("miViewChannelgraph");
    ASSERT_EQ(ChildCount(), 2);
    for (QMdiSubWindow* sub : Window->MdiArea()->subWindowList()) {
        auto* graph = qobject_cast<ui::TfrmShowcell*>(sub->widget());
        ASSERT_NE(graph, nullptr);
        EXPECT_TRUE(sub->testAttribute(Qt::WA_DeleteOnClose));
        EXPECT_TRUE(graph->isVisible());
        EXPECT_EQ(graph->seCell->maximum(), 2);
        EXPECT_EQ(graph->StringGrid1->rowCount(), 8);
    }
    // Closing the document closes (and discards) the cell graphs first.
    QPointer<QWidget> graph = Window->MdiArea()->subWindowList().constFirst()->widget();
    Choose("miFileClose");
    ProcessDeferredDeletes();
    EXPECT_EQ(ChildCount(), 0);
    EXPECT_TRUE(graph.isNull());
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ViewCommandsTest, ExportWindowsAreOwnedTopLevelWindows)
{
    OpenViaMenu(WriteAverage("a.ave", 3, 2, 8, 5));
    Choose("miFileToText");
    Choose("miFileToText");
    Choose("miFileToStats");
    const auto texts = Window->findChildren<ui::TfrmTextexport*>();
    const auto stats = Window->findChildren<ui::TfrmStatexport*>();
    ASSERT_EQ(texts.size(), 2);
    ASSERT_EQ(stats.size(), 1);
    for (QWidget* w : {static_cast<QWidget*>(texts[0]), static_cast<QWidget*>(stats[0])}) {
        EXPECT_TRUE(w->isWindow());
        EXPECT_EQ(w->parentWidget(), Window.get());
        EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->isModal());
    }
    EXPECT_EQ(texts[0]->seCell->maximum(), 3);
    EXPECT_EQ(stats[0]->edtCells->text(), QStringLiteral("1 2 3"));
    EXPECT_EQ(ChildCount(), 0);
}

TEST_F(ViewCommandsTest, ExportWindowRefusesAReplacedDocument)
{
    OpenViaMenu(WriteAverage("a.ave"));
    Choose("miFileToText");
    Choose("miFileToStats");
    QPointer<ui::TfrmTextexport> text = Window->findChild<ui::TfrmTextexport*>();
    QPointer<ui::TfrmStatexport> stats = Window->findChild<ui::TfrmStatexport*>();
    OpenViaMenu(WriteAverage("b.ave"));
    // Close leaves the export windows open; they refuse to work on the old document.
    ASSERT_FALSE(text.isNull());
    ASSERT_FALSE(stats.isNull());
    Dialogs.Messages.clear();
    text->btnSaveasClick();
    stats->btnExportClick();
    ProcessDeferredDeletes();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    for (const auto& m : Dialogs.Messages)
        EXPECT_EQ(m.Text, QStringLiteral("The document of this window has been closed."));
    EXPECT_TRUE(text.isNull());
    EXPECT_TRUE(stats.isNull());
    EXPECT_EQ(Dialogs.FileDialogs.size(), 2u); // the two open dialogs only
}

} // namespace
} // namespace orva::test
