#pragma once
// The artifact detection window: the rules of "orva artifacts" as fields, a summary per cell
// and one row per trial, whose status a person may overrule; any trial opens in a cell graph
// with every channel laid over the others. The report, a copy without the bad trials and
// the average without them are written with the statuses as they stand. The open document
// is never changed.
#include "model/ORVAFile.h"
#include "tools/ArtifactRules.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace orva::ui {

class TfrmArtifacts : public QDialog {
    Q_OBJECT
public:
    TfrmArtifacts(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it).
    void SetFile(std::weak_ptr<TORVAFile> file);

    /// Opens trial `observation` of cell `cell` (zero-based) for a look; set by the main window.
    std::function<void(int cell, int observation)> OnShowTrial;

    /// The rules as the fields give them, or why they cannot be read.
    struct TChoices {
        std::optional<TArtifactRules> Rules;
        QString Problem;
    };
    TChoices ReadChoices() const;

    /// Applies the rules to every trial and shows the result.
    void btnDetectClick();
    /// Turns the status of the selected trials around (good to bad, bad to good).
    void btnToggleClick();
    /// Opens the selected trial through OnShowTrial.
    void btnShowTrialClick();
    void btnSaveReportClick();
    void btnSaveCleanedClick();
    void btnSaveAverageClick();

    /// The trials as last detected and overruled, every cell in order.
    const std::vector<TCellFlags>& Flags() const { return flags_; }

    QLineEdit* edtPeakToPeak;
    QLineEdit* edtMovingWidth;
    QLineEdit* edtMovingStep;
    QLineEdit* edtFlat;
    QLineEdit* edtAbsolute;
    QLineEdit* edtWindowStart;
    QLineEdit* edtWindowEnd;
    QLineEdit* edtChannels;
    QLineEdit* edtBadChannels;
    QPushButton* btnDetect;
    QLabel* lblSummary;
    QTableWidget* twTrials;
    QPushButton* btnToggle;
    QPushButton* btnShowTrial;
    QPushButton* btnSaveReport;
    QPushButton* btnSaveCleaned;
    QPushButton* btnSaveAverage;
    QPushButton* btnClose;

private:
    void ShowFlags(const TORVAFile& file);
    void MarkRow(int row);
    /// The cell and observation of a table row.
    std::pair<int, int> TrialOf(int row) const;
    /// Writes a document made from the open one and the statuses where the save dialog says.
    void SaveDocument(const QString& title, const std::function<TORVAFile(const TORVAFile&)>& make);

    TUserDialogs& dialogs_;
    TViewDocument document_;
    std::vector<TCellFlags> flags_;
    std::uint8_t rulesInUse_ = 0;
};

} // namespace orva::ui
