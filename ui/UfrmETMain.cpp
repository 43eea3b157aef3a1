// The main window itself: creation, menu state, title and closing.
#include "ui/UfrmETMain.h"

#include "ui/CommandGuard.h"
#include "plot/QtText.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

// The commands that need a document and leave it alone while a load or save runs.
constexpr const char* kViewItems[] = {"miFileToText",     "miFileToStats",      "miFileToBrainVision",
                                     "miFileToEdf",      "miViewFileheader",   "miViewChannelgraph",
                                     "miToolsMeasure",   "miToolsArtifacts",   "miToolsQuality",
                                     "miToolsCluster"};
// The commands that would close, replace, change or write the document.
constexpr const char* kChangingItems[] = {"miFileSaveas",        "miFileClose",     "miToolsConvertGSN",
                                          "miToolsScattercells", "miToolsLPFilter", "miToolsBandFilter",
                                          "miErpAverage",        "miErpBaseline",   "miErpDifference",
                                          "miErpReference",      "miErpInterpolate"};
// The commands available without a document, but not while a load or save runs.
constexpr const char* kIdleItems[] = {"miFileOpen", "miFileQuit", "miErpFiles"};

} // namespace

TfrmETMain::TfrmETMain(TUserDialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs)
{
    FormCreate();
}

TfrmETMain::~TfrmETMain()
{
    // The child windows refer to the document: they go first.
    delete mdiArea_;
    mdiArea_ = nullptr;
    CurrentFile.reset();
}

void TfrmETMain::FormCreate()
{
    setObjectName("frmETMain");
    mdiArea_ = new QMdiArea(this);
    mdiArea_->setObjectName("MdiArea");
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setBackground(QApplication::palette().brush(QPalette::Dark));
    setCentralWidget(mdiArea_);
    CreateMenus();
    ProgramDir = QCoreApplication::applicationDirPath();
    resize(523, 395);
    RestoreSensorPositions();
    UpdateMenus();
    SetTitle();
}

QAction* TfrmETMain::MenuItem(const char* name) const
{
    return findChild<QAction*>(QLatin1String(name));
}

void TfrmETMain::UpdateMenus()
{
    const bool open = CurrentFile != nullptr;
    const bool idle = busy_ == 0;
    for (const char* name : kViewItems)
        MenuItem(name)->setEnabled(open);
    for (const char* name : kChangingItems)
        MenuItem(name)->setEnabled(open && idle);
    for (const char* name : kIdleItems)
        MenuItem(name)->setEnabled(idle);
    MenuItem("miViewChannelvalues")->setEnabled(open);
    MenuItem("miViewNet")->setEnabled(open && !SensorPositions.empty());
}

void TfrmETMain::SetTitle()
{
    QString title = QLatin1String(kTitle);
    if (CurrentFile)
        title += QStringLiteral(" - ") + NativeToText(CurrentFile->FileName);
    setWindowTitle(title);
}

void TfrmETMain::RunCommand(const std::function<void()>& command)
{
    RunGuarded(this, dialogs_, command);
}

QMdiSubWindow* TfrmETMain::AddChildWindow(QWidget* widget)
{
    QMdiSubWindow* window = mdiArea_->addSubWindow(widget);
    window->setAttribute(Qt::WA_DeleteOnClose);
    widget->show();
    window->show();
    return window;
}

bool TfrmETMain::CloseAllChildren()
{
    while (!mdiArea_->subWindowList().isEmpty()) {
        QMdiSubWindow* first = mdiArea_->subWindowList().constFirst();
        if (!first->close())
            return false;
        // Let the closed window go before the list is read again; one that does not
        // discard itself is discarded here, so the loop always ends.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (mdiArea_->subWindowList().contains(first))
            delete first;
    }
    return true;
}

void TfrmETMain::closeEvent(QCloseEvent* event)
{
    // A running load or save still uses the document and this window.
    if (IsBusy()) {
        event->ignore();
        return;
    }
    bool closed = false;
    RunCommand([&] { closed = CloseDocument(); });
    if (!closed) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void TfrmETMain::miFileQuitClick()
{
    close();
}

} // namespace orva::ui
