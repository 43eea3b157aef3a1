#pragma once
// The data quality window: the options of "orva quality" as fields, its table for the open
// session document (sortable, the largest aSME first) and the table saved as the batch tool
// writes it. The open document is never changed.
#include "model/ORVAFile.h"
#include "tools/DataQuality.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace orva::ui {

class TfrmQuality : public QDialog {
    Q_OBJECT
public:
    TfrmQuality(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it).
    void SetFile(std::weak_ptr<TORVAFile> file);

    /// The options and the rules as the fields give them, or why they cannot be read.
    struct TChoices {
        TQualityOptions Options;
        std::optional<TArtifactRules> Rules;
        QString Problem;
    };
    TChoices ReadChoices() const;

    /// Computes the table and shows it.
    void btnComputeClick();
    void btnSaveClick();

    QLineEdit* edtWindows;
    QLineEdit* edtPeakToPeak;
    QLineEdit* edtFlat;
    QLineEdit* edtAbsolute;
    QLineEdit* edtBaselineMs;
    QLineEdit* edtBootstrap;
    QLineEdit* edtMeasures;
    QLineEdit* edtSeed;
    QPushButton* btnCompute;
    QTableWidget* twQuality;
    QPushButton* btnSave;
    QPushButton* btnClose;

private:
    void ShowTable(const TORVAFile& file);

    TUserDialogs& dialogs_;
    TViewDocument document_;
    std::optional<TQualityTable> table_;
    std::vector<TMeasureKind> measures_;
};

} // namespace orva::ui
