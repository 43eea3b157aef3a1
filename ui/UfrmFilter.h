#pragma once
// The dialog of the low-pass filter command.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace orva::ui {

/// "Low-pass filtering": asks for the cut-off frequency, "20" every time it opens.
/// "filter" (Enter) accepts; "Cancel", Escape and the title bar's close button reject.
class TfrmFilter : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFilter(QWidget* owner);

    /// The typed cut-off, as the user left it.
    QString CutoffText() const;

    QLabel* lblLowfreq;
    QLineEdit* edtLowfreq;
    QPushButton* btnFilter;
    QPushButton* btnCancel;

private:
    void PlaceControls();
    void btnFilterClick();
    void btnCancelClick();
};

} // namespace orva::ui
