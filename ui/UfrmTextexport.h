#pragma once
// The text export window: gathers the cell, observation and channel choices of the text
// export, builds its lines and writes them to a file the user chooses.
#include "export/TextExport.h"
#include "model/ORVAFile.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace orva::ui {

class TfrmTextexport : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 344;
    static constexpr int kClientHeight = 164;

    TfrmTextexport(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it) and sets the spin ranges.
    void SetFile(std::weak_ptr<TORVAFile> file);
    /// The cell changed: the observation range follows the chosen cell.
    void seCellChange();
    /// Builds the lines, asks for the output file, writes it and reports.
    void btnSaveasClick();
    /// Closes the window; nothing is written.
    void btnCancelClick();

    /// The choices as the controls show them.
    TTextExportOptions Options() const;

    QCheckBox* cbHeader;
    QGroupBox* gbCell;
    QRadioButton* rbCellOne;
    TArrowSpinEdit* seCell;
    QRadioButton* rbCellAll;
    QGroupBox* gbObservation;
    QRadioButton* rbObsOne;
    TArrowSpinEdit* seObs;
    QRadioButton* rbObsAll;
    QRadioButton* rbObsAverage;
    QGroupBox* gbChannel;
    QRadioButton* rbChanOne;
    TArrowSpinEdit* seChan;
    QRadioButton* rbChanAll;
    QPushButton* btnSaveas;
    QPushButton* btnCancel;

private:
    TUserDialogs& dialogs_;
    TViewDocument document_;
};

} // namespace orva::ui
