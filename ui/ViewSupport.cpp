#include "ui/ViewSupport.h"

#include "export/TextFile.h"
#include "ui/QtText.h"

#include <QLocale>
#include <QMdiSubWindow>

namespace orva::ui {

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

bool SaveExportLines(QWidget* window, TUserDialogs& dialogs, const QString& folder,
                     const std::vector<std::string>& lines, const QString& what)
{
    const auto path = dialogs.GetSaveFileName(window, folder);
    if (!path) {
        dialogs.ShowMessage(window, what + QStringLiteral(" not saved"), QStringLiteral("warning"),
                            TMessageIcon::Warning);
        return false;
    }
    try {
        WriteTextLines(TextToPath(*path), lines);
    } catch (const std::exception& e) {
        // The file could not be written: the error is shown and the window stays for another try.
        dialogs.ShowMessage(window, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
        return false;
    }
    dialogs.ShowMessage(window, what + QStringLiteral(" saved"), QStringLiteral("warning"),
                        TMessageIcon::Information);
    return true;
}

} // namespace orva::ui
