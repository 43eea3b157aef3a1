#include "ui/CommandGuard.h"

#include "plot/QtText.h"

#include <QString>

#include <exception>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

void ShowError(QWidget* parent, TUserDialogs& dialogs, const QString& text) noexcept
{
    try {
        dialogs.ShowMessage(parent, text, QStringLiteral("Error"), TMessageIcon::Error);
    } catch (...) {
        // The box itself failed (no memory left): there is nothing more to tell the user with.
    }
}

} // namespace

bool RunGuarded(QWidget* parent, TUserDialogs& dialogs, const std::function<void()>& command) noexcept
{
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        ShowError(parent, dialogs, NativeToText(error.what()));
    } catch (...) {
        ShowError(parent, dialogs, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace orva::ui
