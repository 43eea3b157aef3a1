#pragma once
// The one QApplication of a GUI test program, and helpers for headless window tests.
#include <QString>
#include <QWidget>

#include <functional>

namespace orva::test {

/// Discards the windows that were closed (deferred deletes) and runs pending events once.
void ProcessDeferredDeletes();

/// The visible top-level windows, for the check that a test left none behind.
QWidgetList VisibleTopLevelWindows();

/// Runs action on the modal dialog that the next exec() opens (a 0 ms timer fires inside
/// its event loop). action receives the dialog; it must close it.
void OnNextModalDialog(const std::function<void(QWidget*)>& action);

} // namespace orva::test
