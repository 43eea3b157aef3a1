#pragma once
// The main window: the multiple-document frame, its menu and the life of the open document.
#include "head/SensorPositions.h"
#include "model/ORVAFile.h"
#include "tools/ErpDocument.h"
#include "ui/UserDialogs.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace orva::ui {

struct TRecordingFormat;
class TfrmShowcell;
class TMapTime;

/// The frame of the program. It owns the one open document; every other window receives
/// a weak reference to it and every message box and file dialog goes through `Dialogs`.
///
/// While a file is loaded or written the program processes window events between
/// observations; meanwhile the commands that would close, replace or change the document
/// (and Open, Quit and closing the window) are disabled and refuse to run.
class TfrmETMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "ORVA Toolbox 3-sept-2002";

    explicit TfrmETMain(TUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmETMain() override;

    /// Folder of the program's executable (the mapping file is read from there).
    QString ProgramDir;
    /// The open document, or null.
    std::shared_ptr<TORVAFile> CurrentFile;
    /// The sensor positions chosen with Tools > Sensor positions... (remembered between
    /// runs), and the file they came from; empty while none are chosen.
    std::vector<TSensorPosition> SensorPositions;
    QString PositionsFile;

    // Menu handlers. They may throw; the menu runs them through the general error handler.
    void miFileOpenClick();
    void miFileSaveasClick();
    void miFileToTextClick();
    void miFileToStatsClick();
    void miFileToBrainVisionClick();
    void miFileToEdfClick();
    void miFileCloseClick();
    void miFileQuitClick();
    void miViewFileheaderClick();
    void miViewChannelgraphClick();
    /// A map window on the active cell graph's cell and observation (positions chosen).
    void miViewNetClick();
    /// A table of every channel's value at the map windows' moment.
    void miViewChannelvaluesClick();
    /// Chooses the sensor positions file, remembers it and shows it in the status bar.
    void miToolsPositionsClick();
    /// Reads the positions of path (an EORVAError naming it when they cannot be read, the
    /// earlier choice staying) and shows them in the status bar, without remembering them.
    void UseSensorPositions(const QString& path);
    /// Opens a measure window on the open document.
    void miToolsMeasureClick();
    void miToolsArtifactsClick();
    void miToolsQualityClick();
    /// Opens a cluster test window on the open document, with the chosen sensor positions.
    void miToolsClusterClick();
    void miToolsConvertGSNClick();
    void miToolsScattercellsClick();
    void miToolsLPFilterClick();
    /// Tools > Filters...: a band filter of the open document in memory (Save as writes it).
    void miToolsBandFilterClick();
    // Tools > ERP operations: each writes a new file and leaves the open document as it is.
    void miErpAverageClick();
    void miErpBaselineClick();
    void miErpDifferenceClick();
    void miErpReferenceClick();
    void miErpInterpolateClick();
    /// Combine or grand average of chosen average files (no open document needed).
    void miErpFilesClick();
    void miAboutClick();

    /// Checks and loads path as Open does once its dialog has been answered.
    void OpenFile(const QString& path);
    /// At program start: opens the data file named by the first argument after the program's
    /// name (a file dropped on the program), if any. Errors are shown, not thrown.
    void OpenStartFile(const QStringList& arguments);
    /// The Close command. False when the user kept an unsaved document (or a load or save
    /// is running): the document, its windows, the menu and the title stay.
    bool CloseDocument();
    /// Closes every child window of the frame; false if one refused to close.
    bool CloseAllChildren();
    /// Enables the document commands exactly while a document is open (and nothing runs).
    void UpdateMenus();

    /// Runs a command inside the general error handler (what the menu items do).
    void RunCommand(const std::function<void()>& command);
    /// Shows widget as a new child window of the frame and returns its subwindow.
    QMdiSubWindow* AddChildWindow(QWidget* widget);

    TUserDialogs& Dialogs() { return dialogs_; }
    QMdiArea* MdiArea() const { return mdiArea_; }
    /// True while a load or save runs.
    bool IsBusy() const { return busy_ > 0; }
    /// The menu item (or menu) named name, e.g. "miFileOpen".
    QAction* MenuItem(const char* name) const;
    /// The cell graph the tools follow: the active child window if it is one, else the
    /// first; null without one.
    TfrmShowcell* CellGraph() const;

signals:
    /// The window has accepted to close: the program ends.
    void Closed();

protected:
    /// FormClose: the Close command runs first; No to its question cancels the closing.
    void closeEvent(QCloseEvent* event) override;

private:
    /// Marks a load or save as running for its lifetime (also when it ends with an error).
    class TBusyScope {
    public:
        explicit TBusyScope(TfrmETMain& window) : window_(window)
        {
            ++window_.busy_;
            window_.UpdateMenus();
        }
        ~TBusyScope()
        {
            --window_.busy_;
            window_.UpdateMenus();
        }
        TBusyScope(const TBusyScope&) = delete;
        TBusyScope& operator=(const TBusyScope&) = delete;

    private:
        TfrmETMain& window_;
    };

    void FormCreate();
    /// Reads the positions file remembered from an earlier run, if it can still be read.
    void RestoreSensorPositions();
    void ShowSensorPositions();
    /// The moment the map and channel values windows share, following the cell graph.
    TMapTime* MapTime();
    void CreateMenus();
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, void (TfrmETMain::*handler)());
    void SetTitle();
    /// The start folder of every save dialog: the folder of the open document.
    QString DocumentFolder() const;
    /// The save dialog of the tools and Save as; empty when cancelled.
    std::optional<QString> AskSaveName(const QString& title = QString());
    /// File > Export to BrainVision / EDF+: the whole document in that format.
    void ExportRecording(const TRecordingFormat& format);
    /// Asks where to write an ERP operation's result, writes it and tells of clamped values.
    void WriteErpResult(TErpResult result, const QString& title);

    TUserDialogs& dialogs_;
    QMdiArea* mdiArea_ = nullptr;
    QLabel* lblPositions_ = nullptr;
    TMapTime* mapTime_ = nullptr;
    int busy_ = 0;
};

} // namespace orva::ui
