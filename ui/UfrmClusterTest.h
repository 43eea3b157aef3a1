#pragma once
// The cluster test window: the options of "orva cluster-test" as fields, the test run on the
// open document with a progress bar that can be cancelled, its summary, the table of
// clusters and the figure; a chosen cluster's scalp map and its time range shaded on the
// mean waves of a chosen channel; the two tables and the figure saved as the batch tool
// writes them. The open document is never changed.
#include "model/ORVAFile.h"
#include "plot/ClusterPicture.h"
#include "plot/ClusterTrace.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace orva::ui {

struct TClusterTestFields;
class TCancellableProgress;

class TfrmClusterTest : public QDialog {
    Q_OBJECT
public:
    TfrmClusterTest(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it).
    void SetFile(std::weak_ptr<TORVAFile> file);

    /// The fields as they stand.
    TClusterTestFields Fields() const;

    /// Reads the fields, runs the test and shows its result; a field's problem, a refusal
    /// of the core or a cancel leave the previous result as it was.
    void btnComputeClick();
    /// Shows the chosen cluster's map and its time range on the chosen channel.
    void ShowCluster(int cluster);
    void btnSaveClustersClick();
    void btnSavePointsClick();
    void btnSavePictureClick();

    /// The last result, with the sensors' directions when the test had positions.
    const std::optional<plot::TClusterPictureScene>& Result() const { return scene_; }
    /// The cluster shown (-1: none), the channel of the trace (of the file, zero-based) and
    /// the samples shaded on it.
    int ShownCluster() const { return shownCluster_; }
    int TraceChannel() const;
    const std::optional<plot::TSampleRange>& ShadedRange() const { return shaded_; }
    bool IsRunning() const { return running_; }

    QLineEdit* edtCells;
    QLineEdit* edtWindow;
    QLineEdit* edtChannels;
    QLineEdit* edtPositions;
    QPushButton* btnPositions;
    QLineEdit* edtNeighbours;
    QPushButton* btnNeighbours;
    QLineEdit* edtThreshold;
    QLineEdit* edtPThreshold;
    QCheckBox* chkTfce;
    QComboBox* cbTail;
    QLineEdit* edtPermutations;
    QLineEdit* edtSeed;
    QPushButton* btnCompute;
    QProgressBar* pbProgress;
    QPushButton* btnCancel;
    QLabel* lblStatus;
    QPlainTextEdit* txtSummary;
    QTableWidget* twClusters;
    QLabel* lblPicture;
    QLabel* lblMap;
    QComboBox* cbChannel;
    QLabel* lblTrace;
    QPushButton* btnSaveClusters;
    QPushButton* btnSavePoints;
    QPushButton* btnSavePicture;
    QPushButton* btnClose;

protected:
    /// A running test is cancelled first; the window closes once it has stopped.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* BuildFields();
    void Browse(QLineEdit* edit);
    void ShowResult();
    void ShowTrace();
    void SetRunning(bool running);
    void SaveTable(void (*write)(const TClusterTestResult&, TLineSink&), const QString& what);
    void Error(const QString& text);

    TUserDialogs& dialogs_;
    TViewDocument document_;
    std::optional<plot::TClusterPictureScene> scene_;
    /// The tested cells, for the waves.
    std::vector<int> cells_;
    int shownCluster_ = -1;
    std::optional<plot::TSampleRange> shaded_;
    bool running_ = false;
    bool closeWhenStopped_ = false;
    TCancellableProgress* progress_ = nullptr;
};

} // namespace orva::ui
