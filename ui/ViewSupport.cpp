#include "ui/ViewSupport.h"

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

} // namespace orva::ui
