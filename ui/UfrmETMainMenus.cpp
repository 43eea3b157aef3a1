// The main window's menu bar: every item, its caption, hint, first state and handler.
#include "ui/UfrmETMain.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace orva::ui {

namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    menu->setToolTipsVisible(true);
    return menu;
}

void AddSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

} // namespace

QAction* TfrmETMain::AddItem(QMenu* menu, const char* name, const QString& caption, void (TfrmETMain::*handler)())
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    if (handler)
        connect(item, &QAction::triggered, this, [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    else
        item->setEnabled(false); // an item without a command stays disabled in every state
    return item;
}

void TfrmETMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = AddMenu(bar, "miFile", QStringLiteral("&File"));
    QAction* open = AddItem(file, "miFileOpen", QStringLiteral("&Open..."), &TfrmETMain::miFileOpenClick);
    const QString openHint = QStringLiteral("opens an ORVA session (*.ses) or average (*.ave) file");
    open->setToolTip(openHint);
    open->setStatusTip(openHint);
    // Every menu and item has a mnemonic (Alt+F opens File); the usual desktop shortcuts
    // reach the file commands directly.
    open->setShortcut(QKeySequence::Open);
    AddSeparator(file, "miFileN1");
    AddItem(file, "miFileSave", QStringLiteral("&Save"), nullptr);
    AddItem(file, "miFileSaveas", QStringLiteral("Save &as..."), &TfrmETMain::miFileSaveasClick)
        ->setShortcut(QKeySequence::SaveAs);
    AddItem(file, "miFileToText", QStringLiteral("Export to &text..."), &TfrmETMain::miFileToTextClick);
    AddItem(file, "miFileToStats", QStringLiteral("E&xport to stats..."), &TfrmETMain::miFileToStatsClick);
    AddItem(file, "miFileToBrainVision", QStringLiteral("Export to &BrainVision..."),
            &TfrmETMain::miFileToBrainVisionClick);
    AddItem(file, "miFileToEdf", QStringLiteral("Export to &EDF+..."), &TfrmETMain::miFileToEdfClick);
    AddItem(file, "miFileClose", QStringLiteral("&Close"), &TfrmETMain::miFileCloseClick);
    AddSeparator(file, "miFileN2");
    AddItem(file, "miFileQuit", QStringLiteral("&Quit"), &TfrmETMain::miFileQuitClick)->setShortcut(QKeySequence::Quit);

    QMenu* edit = AddMenu(bar, "miEdit", QStringLiteral("&Edit"));
    AddItem(edit, "miEditUndo", QStringLiteral("&Undo"), nullptr);
    AddSeparator(edit, "miEditN1");
    AddItem(edit, "miEditConfigure", QStringLiteral("&Configure..."), nullptr);

    QMenu* view = AddMenu(bar, "miView", QStringLiteral("&View"));
    AddItem(view, "miViewFileheader", QStringLiteral("&File header"), &TfrmETMain::miViewFileheaderClick);
    AddItem(view, "miViewChannelgraph", QStringLiteral("Channel &graph"), &TfrmETMain::miViewChannelgraphClick);
    AddItem(view, "miViewChannelvalues", QStringLiteral("Channel &values"), &TfrmETMain::miViewChannelvaluesClick);
    AddItem(view, "miViewNet", QStringLiteral("&Net"), &TfrmETMain::miViewNetClick);

    QMenu* tools = AddMenu(bar, "miTools", QStringLiteral("&Tools"));
    AddItem(tools, "miToolsConvertGSN", QStringLiteral("&Convert GSN64v2 to GSN64v1..."),
            &TfrmETMain::miToolsConvertGSNClick);
    AddItem(tools, "miToolsScattercells", QStringLiteral("&Scatter Cells..."), &TfrmETMain::miToolsScattercellsClick);
    AddItem(tools, "miToolsLPFilter", QStringLiteral("&Low pass filter..."), &TfrmETMain::miToolsLPFilterClick);
    AddItem(tools, "miToolsBandFilter", QStringLiteral("&Filters..."), &TfrmETMain::miToolsBandFilterClick);
    AddItem(tools, "miToolsMeasure", QStringLiteral("&Measure..."), &TfrmETMain::miToolsMeasureClick);
    AddItem(tools, "miToolsArtifacts", QStringLiteral("&Artifact detection..."), &TfrmETMain::miToolsArtifactsClick);
    AddItem(tools, "miToolsQuality", QStringLiteral("&Data quality..."), &TfrmETMain::miToolsQualityClick);
    AddItem(tools, "miToolsCluster", QStringLiteral("Cl&uster test..."), &TfrmETMain::miToolsClusterClick);
    AddItem(tools, "miToolsPositions", QStringLiteral("Sensor &positions..."), &TfrmETMain::miToolsPositionsClick);
    QMenu* erp = tools->addMenu(QStringLiteral("&ERP operations"));
    erp->setObjectName("miToolsErp");
    erp->menuAction()->setObjectName("miToolsErp");
    AddItem(erp, "miErpAverage", QStringLiteral("&Average trials..."), &TfrmETMain::miErpAverageClick);
    AddItem(erp, "miErpBaseline", QStringLiteral("&Baseline correction..."), &TfrmETMain::miErpBaselineClick);
    AddItem(erp, "miErpDifference", QStringLiteral("&Difference wave..."), &TfrmETMain::miErpDifferenceClick);
    AddItem(erp, "miErpReference", QStringLiteral("Average &reference..."), &TfrmETMain::miErpReferenceClick);
    AddItem(erp, "miErpInterpolate", QStringLiteral("&Interpolate channels..."), &TfrmETMain::miErpInterpolateClick);
    AddItem(erp, "miErpFiles", QStringLiteral("&Combine or grand average..."), &TfrmETMain::miErpFilesClick);

    // "Windows" is disabled for good and is not the frame's list of child windows.
    QMenu* windows = AddMenu(bar, "miWindows", QStringLiteral("&Windows"));
    AddItem(windows, "miWindowsTile", QStringLiteral("&Tile"), nullptr);
    AddSeparator(windows, "miWindowsN1");
    windows->menuAction()->setEnabled(false);

    // "About" is an item of the bar itself, without a submenu.
    QAction* about = bar->addAction(QStringLiteral("&About"));
    about->setObjectName("miAbout");
    connect(about, &QAction::triggered, this, [this] { RunCommand([this] { miAboutClick(); }); });
}

} // namespace orva::ui
