#pragma once
// The small dialog that asks for the size of a saved picture.
#include <QDialog>
#include <QSize>

class QPushButton;
class QSpinBox;

namespace orva::ui {

class TfrmPictureSize : public QDialog {
    Q_OBJECT
public:
    /// Starts at size (the plot's own size).
    TfrmPictureSize(QSize size, QWidget* parent = nullptr);

    QSize ChosenSize() const;

    QSpinBox* seWidth;
    QSpinBox* seHeight;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

} // namespace orva::ui
