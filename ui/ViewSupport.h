#pragma once
// Pieces shared by the cell graph and the export windows.
#include "model/ORVAFile.h"
#include "ui/UserDialogs.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace orva::ui {

/// A spin edit whose value changes only through its arrow buttons and the arrow keys:
/// its text cannot be typed.
class TArrowSpinEdit : public QSpinBox {
public:
    explicit TArrowSpinEdit(QWidget* parent = nullptr) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
};

/// The document a view window works on. The main window owns it; the window holds a weak
/// reference and checks it before every use, so that it never reads a closed document.
class TViewDocument {
public:
    void Set(std::weak_ptr<TORVAFile> file)
    {
        file_ = std::move(file);
        set_ = true;
    }
    /// True once Set has run (even if the document has gone since).
    bool IsSet() const { return set_; }

    /// The document, or null once it has been closed or replaced. In that case the window
    /// is told so once ("The document of this window has been closed.") and closed.
    std::shared_ptr<TORVAFile> Lock(QWidget* window, TUserDialogs& dialogs);

private:
    std::weak_ptr<TORVAFile> file_;
    bool set_ = false;
    bool refused_ = false;
};

/// The last steps of both exports: asks for the output file in folder, writes the lines
/// with CR LF and reports "<what> saved" (information icon) or, when the dialog is
/// cancelled, "<what> not saved" (warning icon), both with the caption "warning".
/// A write error is shown in an "Error" box. True when the file was written.
bool SaveExportLines(QWidget* window, TUserDialogs& dialogs, const QString& folder,
                     const std::vector<std::string>& lines, const QString& what);

/// Closes a view: its MDI subwindow when it has one, otherwise the window itself.
void CloseView(QWidget* window);

/// The user's decimal separator (the locale's, '.' when it is not a single 8-bit character).
char DecimalSeparator();

} // namespace orva::ui
