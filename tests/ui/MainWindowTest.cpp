// The main window's menu, enabled states, titles and the general error handler.
#include "MainWindowFixture.h"

#include "ui/CommandGuard.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>

#include <stdexcept>

namespace orva::test {
namespace {

const QString kTitle = QStringLiteral("ORVA Toolbox 3-sept-2002");

struct TItemState {
    const char* Name;
    bool WithoutDocument;
    bool WithDocument;
};

// Every item of the menu bar and whether it is enabled without and with a document (and
// no sensor positions chosen: Net waits for them).
const TItemState kItemStates[] = {
    {"miFileOpen", true, true},           {"miFileSave", false, false},
    {"miFileSaveas", false, true},        {"miFileToText", false, true},
    {"miFileToStats", false, true},       {"miFileToBrainVision", false, true},
    {"miFileToEdf", false, true},         {"miFileClose", false, true},
    {"miFileQuit", true, true},           {"miEditUndo", false, false},
    {"miEditConfigure", false, false},    {"miViewFileheader", false, true},
    {"miViewChannelgraph", false, true},  {"miViewChannelvalues", false, true},
    {"miViewNet", false, false},          {"miToolsConvertGSN", false, true},
    {"miToolsScattercells", false, true}, {"miToolsLPFilter", false, true},
    {"miToolsBandFilter", false, true},   {"miToolsMeasure", false, true},
    {"miToolsArtifacts", false, true},    {"miToolsQuality", false, true},
    {"miToolsCluster", false, true},
    {"miToolsPositions", true, true},
    {"miErpAverage", false, true},        {"miErpBaseline", false, true},
    {"miErpDifference", false, true},     {"miErpReference", false, true},
    {"miErpInterpolate", false, true},    {"miErpFiles", true, true},
    {"miWindows", false, false},          {"miWindowsTile", false, false},
    {"miAbout", true, true},
};

void ExpectStates(ui::TfrmETMain& window, bool withDocument)
{
    for (const auto& item : kItemStates) {
        QAction* action = window.MenuItem(item.Name);
        ASSERT_NE(action, nullptr) << item.Name;
        EXPECT_EQ(action->isEnabled(), withDocument ? item.WithDocument : item.WithoutDocument)
            << item.Name << (withDocument ? " with a document" : " without a document");
    }
}

// The caption as the user reads it: the text without its mnemonic marker (no caption holds
// a literal "&").
QString Caption(const QAction* action)
{
    return QString(action->text()).remove(QLatin1Char('&'));
}

// The items of a menu as "caption" or "-" for a separator, with their object names.
QStringList MenuLayout(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items.append(a->objectName() + QStringLiteral("=") + (a->isSeparator() ? QStringLiteral("-") : Caption(a)));
    return items;
}

TEST_F(TMainWindowTest, StartsWithoutDocumentAtItsDesignedSizeAndTitle)
{
    EXPECT_EQ(Title(), kTitle);
    EXPECT_EQ(Window->size(), QSize(523, 395));
    EXPECT_EQ(Window->CurrentFile, nullptr);
    EXPECT_EQ(Window->ProgramDir, QCoreApplication::applicationDirPath());
    EXPECT_FALSE(Window->ProgramDir.endsWith(QLatin1Char('/')));
    ExpectStates(*Window, false);
}

TEST_F(TMainWindowTest, MenuBarHoldsEveryItemInOrder)
{
    QStringList bar;
    for (const QAction* a : Window->menuBar()->actions())
        bar.append(a->objectName() + QStringLiteral("=") + Caption(a));
    EXPECT_EQ(bar, QStringList({"miFile=File", "miEdit=Edit", "miView=View", "miTools=Tools", "miWindows=Windows",
                                "miAbout=About"}));
    EXPECT_EQ(Window->MenuItem("miAbout")->menu(), nullptr) << "About has no submenu";

    const struct {
        const char* Menu;
        QStringList Items;
    } menus[] = {
        {"miFile",
         {"miFileOpen=Open...", "miFileN1=-", "miFileSave=Save", "miFileSaveas=Save as...",
          "miFileToText=Export to text...", "miFileToStats=Export to stats...",
          "miFileToBrainVision=Export to BrainVision...", "miFileToEdf=Export to EDF+...", "miFileClose=Close", "miFileN2=-",
          "miFileQuit=Quit"}},
        {"miEdit", {"miEditUndo=Undo", "miEditN1=-", "miEditConfigure=Configure..."}},
        {"miView",
         {"miViewFileheader=File header", "miViewChannelgraph=Channel graph", "miViewChannelvalues=Channel values",
          "miViewNet=Net"}},
        {"miTools",
         {"miToolsConvertGSN=Convert GSN64v2 to GSN64v1...", "miToolsScattercells=Scatter Cells...",
          "miToolsLPFilter=Low pass filter...", "miToolsBandFilter=Filters...", "miToolsMeasure=Measure...",
          "miToolsArtifacts=Artifact detection...",
          "miToolsQuality=Data quality...", "miToolsCluster=Cluster test...",
          "miToolsPositions=Sensor positions...",
          "miToolsErp=ERP operations"}},
        {"miToolsErp",
         {"miErpAverage=Average trials...", "miErpBaseline=Baseline correction...",
          "miErpDifference=Difference wave...", "miErpReference=Average reference...",
          "miErpInterpolate=Interpolate channels...", "miErpFiles=Combine or grand average..."}},
        {"miWindows", {"miWindowsTile=Tile", "miWindowsN1=-"}},
    };
    for (const auto& m : menus) {
        const auto* menu = Window->findChild<QMenu*>(QLatin1String(m.Menu));
        ASSERT_NE(menu, nullptr) << m.Menu;
        EXPECT_EQ(MenuLayout(menu), m.Items) << m.Menu;
    }
}

TEST_F(TMainWindowTest, OpenCarriesItsHint)
{
    const QString hint = QStringLiteral("opens an ORVA session (*.ses) or average (*.ave) file");
    EXPECT_EQ(Window->MenuItem("miFileOpen")->toolTip(), hint);
    EXPECT_EQ(Window->MenuItem("miFileOpen")->statusTip(), hint);
}

TEST_F(TMainWindowTest, FileCommandsHaveTheUsualShortcuts)
{
    EXPECT_EQ(Window->MenuItem("miFileOpen")->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(Window->MenuItem("miFileSaveas")->shortcut(), QKeySequence(QKeySequence::SaveAs));
    EXPECT_EQ(Window->MenuItem("miFileQuit")->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_EQ(Caption(Window->MenuItem("miFileOpen")), QStringLiteral("Open..."));
}

TEST_F(TMainWindowTest, DocumentCommandsFollowTheDocument)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    ASSERT_NE(Window->CurrentFile, nullptr) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - subject.ave"));
    ExpectStates(*Window, true);

    Choose("miFileClose");
    EXPECT_EQ(Window->CurrentFile, nullptr);
    EXPECT_EQ(Title(), kTitle);
    ExpectStates(*Window, false);
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
}

TEST_F(TMainWindowTest, ErrorHandlerShowsTheErrorAndTheProgramGoesOn)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    ASSERT_NE(Window->CurrentFile, nullptr);
    const QString target = QString::fromStdString(Temp.Path("missing-folder/copy.ave"));
    Dialogs.SaveNames.push_back(target);
    Choose("miFileSaveas"); // the folder does not exist: the writer cannot create the file

    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Error);
    EXPECT_TRUE(Dialogs.Messages[0].Text.startsWith(target + QStringLiteral(": "))) << Dialogs.Messages[0].Text.toStdString();
    // The document stays, and the commands held off during the write are back.
    EXPECT_NE(Window->CurrentFile, nullptr);
    EXPECT_FALSE(Window->IsBusy());
    ExpectStates(*Window, true);
    EXPECT_TRUE(VisibleTopLevelWindows() == QWidgetList({Window.get()}));

    // The next command runs normally.
    Choose("miViewFileheader");
    EXPECT_EQ(ChildCount(), 1);
}

TEST(TCommandGuardTest, CatchesEveryErrorInOneBox)
{
    TScriptedDialogs dialogs;
    EXPECT_TRUE(ui::RunGuarded(nullptr, dialogs, [] {}));
    EXPECT_FALSE(ui::RunGuarded(nullptr, dialogs, [] { throw EORVAError("a.ave", "Cannot open"); }));
    EXPECT_FALSE(ui::RunGuarded(nullptr, dialogs, [] { throw std::runtime_error("out of range"); }));
    EXPECT_FALSE(ui::RunGuarded(nullptr, dialogs, [] { throw 42; }));
    ASSERT_EQ(dialogs.Messages.size(), 3u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("a.ave: Cannot open"));
    EXPECT_EQ(dialogs.Messages[1].Text, QStringLiteral("out of range"));
    EXPECT_EQ(dialogs.Messages[2].Text, QStringLiteral("Unknown error"));
    for (const auto& m : dialogs.Messages) {
        EXPECT_EQ(m.Caption, QStringLiteral("Error"));
        EXPECT_EQ(m.Icon, ui::TMessageIcon::Error);
    }
}

TEST_F(TMainWindowTest, ClosingWithoutDocumentAsksNothingAndEnds)
{
    QSignalSpy closed(Window.get(), &ui::TfrmETMain::Closed);
    Choose("miFileQuit");
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(Window->isVisible());
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(TMainWindowTest, ClosingWithUnsavedDocumentAsksAndNoCancels)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    ASSERT_NE(Window->CurrentFile, nullptr);
    Window->CurrentFile->Saved = false;
    QSignalSpy closed(Window.get(), &ui::TfrmETMain::Closed);

    Dialogs.YesNoAnswers.push_back(false);
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_NE(Window->CurrentFile, nullptr);
    EXPECT_EQ(closed.count(), 0);

    Dialogs.YesNoAnswers.push_back(true);
    EXPECT_TRUE(Window->close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(Window->CurrentFile, nullptr);
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[1].Text, QStringLiteral("subject.ave not saved, do you want to discard changes ?"));
    EXPECT_EQ(Dialogs.Messages[1].Caption, QStringLiteral("Warning ! File not Saved"));
    EXPECT_EQ(Dialogs.Messages[1].Icon, ui::TMessageIcon::Warning);
}

} // namespace
} // namespace orva::test
