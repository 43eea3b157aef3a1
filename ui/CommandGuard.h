#pragma once
// The program's general error handler.
#include "ui/UserDialogs.h"

#include <functional>

class QWidget;

namespace orva::ui {

/// Runs one command. An error that ends it (an EORVAError or any other std::exception) is
/// shown in one message box captioned "Error" and the program goes on: no exception ever
/// reaches the Qt event loop. Returns false when the command ended with an error.
bool RunGuarded(QWidget* parent, TUserDialogs& dialogs, const std::function<void()>& command) noexcept;

} // namespace orva::ui
