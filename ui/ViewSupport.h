#pragma once
// Pieces shared by the cell graph and the export windows.
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "ui/UserDialogs.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QString>

#include <functional>
#include <memory>
#include <string_view>

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

/// One export of a window: Check refuses what cannot be exported (throwing the builder's
/// error), Write streams the export of the document into the sink, each line followed by
/// LineEnd. What names the file in the messages ("Stats text file"); DialogTitle is the save
/// dialog's (empty: the platform's).
struct TExportRun {
    std::function<void(const TORVAFile&)> Check;
    std::function<void(const TORVAFile&, TLineSink&)> Write;
    std::string_view LineEnd;
    QString What;
    QString DialogTitle;
};

/// The steps of every export button: checks the document, so that a refusal is shown in an
/// "Error" box before anything is asked; asks for the output file in the document's folder;
/// writes it as it is made and reports "<What> saved" (information icon) or, when the dialog
/// is cancelled, "<What> not saved" (warning icon), both with the caption "warning". A write
/// error is shown in an "Error" box. The document is not held while the dialog is open: if
/// it is closed meanwhile, the window says so and closes. True when the file was written.
bool RunExport(QWidget* window, TUserDialogs& dialogs, TViewDocument& document, const TExportRun& run);

/// The folder of the document's file, where every save dialog for it starts.
QString DocumentFolder(const TORVAFile& file);

/// Closes a view: its MDI subwindow when it has one, otherwise the window itself.
void CloseView(QWidget* window);

/// The user's decimal separator (the locale's, '.' when it is not a single 8-bit character).
char DecimalSeparator();

} // namespace orva::ui
