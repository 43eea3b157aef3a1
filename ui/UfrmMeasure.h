#pragma once
// The measure window: the ERP measures of the open document (window, measures and their
// settings, typed lists) written as the measure table, with a picture of one chosen trace
// that shows the window and what the measures find in it.
#include "export/MeasureExport.h"
#include "model/ORVAFile.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orva::ui {

class TMeasureChoices;

class TfrmMeasure : public QDialog {
    Q_OBJECT
public:
    TfrmMeasure(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it) and shows its first trace.
    void SetFile(std::weak_ptr<TORVAFile> file);

    /// The choices as they stand, or the reason they cannot be used.
    struct TChoices {
        std::optional<TMeasureOptions> Options;
        QString Problem;
    };
    TChoices ReadChoices() const;

    /// Redraws the picture and the values of the chosen trace.
    void UpdatePreview();
    /// Checks the choices, asks for the output file and writes the measure table.
    void btnSaveClick();

    QLineEdit* edtWindowStart;
    QLineEdit* edtWindowEnd;
    /// The measures and their settings; the five below are its controls.
    TMeasureChoices* measureChoices;
    QCheckBox* chkMean;
    QCheckBox* chkPeak;
    QCheckBox* chkPeakLatency;
    QComboBox* cbPolarity;
    QSpinBox* seNeighbours;
    QLineEdit* edtCells;
    QLineEdit* edtObservations;
    QLineEdit* edtChannels;
    QSpinBox* seCell;
    QSpinBox* seObservation;
    QSpinBox* seChannel;
    QLabel* lblPicture;
    QLabel* lblValues;
    QPushButton* btnSave;
    QPushButton* btnClose;

private:
    TUserDialogs& dialogs_;
    TViewDocument document_;
};

} // namespace orva::ui
