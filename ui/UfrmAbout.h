#pragma once
// The about box.
#include <QDialog>

class QLabel;
class QPushButton;

namespace orva::ui {

/// "About ORVA Toolbox": version and contact, closed by its one button (Enter or Escape).
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kContactAddress = "orva-toolbox@lab.invalid";

    explicit TfrmAbout(QWidget* owner);

    QLabel* lblVersion;
    QLabel* lblContact;
    QPushButton* btnClose;

private:
    void FormCreate();
};

} // namespace orva::ui
