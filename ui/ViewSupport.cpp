#include "ui/ViewSupport.h"

#include "model/PathText.h"
#include "plot/QtText.h"

#include <QLocale>
#include <QMdiSubWindow>

#include <exception>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

std::shared_ptr<TORVAFile> TViewDocument::Lock(QWidget* window, TUserDialogs& dialogs)
{
    auto file = file_.lock();
    if (file || !set_)
        return file;
    // Several events may arrive before the window has gone: tell the user only once.
    if (!refused_) {
        refused_ = true;
        dialogs.ShowMessage(window, QStringLiteral("The document of this window has been closed."),
                            QStringLiteral("Error"), TMessageIcon::Error);
        CloseView(window);
    }
    return nullptr;
}

QString DocumentFolder(const TORVAFile& file) { return PathToText(ExtractFilePath(file.FullFileName)); }

void CloseView(QWidget* window)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->close();
    else
        window->close();
}

char DecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    const char c = point.size() == 1 ? point.at(0).toLatin1() : '\0';
    return c == '\0' ? '.' : c;
}

bool RunExport(QWidget* window, TUserDialogs& dialogs, TViewDocument& document, const TExportRun& run)
{
    QString folder;
    {
        auto file = document.Lock(window, dialogs);
        if (!file)
            return false;
        try {
            run.Check(*file);
        } catch (const std::exception& e) {
            // A refusal of the builder: shown, and nothing is asked or written.
            dialogs.ShowMessage(window, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
            return false;
        }
        folder = DocumentFolder(*file);
    }
    const auto path = dialogs.GetSaveFileName(window, folder, run.DialogTitle);
    if (!path) {
        dialogs.ShowMessage(window, run.What + QStringLiteral(" not saved"), QStringLiteral("warning"),
                            TMessageIcon::Warning);
        return false;
    }
    auto file = document.Lock(window, dialogs);
    if (!file)
        return false;
    try {
        SaveLines(TextToPath(*path), run.LineEnd, [&](TLineSink& sink) { run.Write(*file, sink); });
    } catch (const std::exception& e) {
        // The file could not be written: the error is shown and the window stays for another try.
        dialogs.ShowMessage(window, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
        return false;
    }
    dialogs.ShowMessage(window, run.What + QStringLiteral(" saved"), QStringLiteral("warning"),
                        TMessageIcon::Information);
    return true;
}

} // namespace orva::ui
