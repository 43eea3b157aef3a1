// Creates the QApplication before the first test (offscreen unless the caller chose a
// platform) and discards it after the last.
#include "QtTestEnvironment.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

namespace orva::test {

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc_, argv_);
        QApplication::setApplicationName(QStringLiteral("ORVA Toolbox"));
        QApplication::setQuitOnLastWindowClosed(false);
        // The program's remembered settings go to a test folder, never the user's.
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("ORVA"), QStringLiteral("ORVA Toolbox")).clear();
    }
    void TearDown() override
    {
        ProcessDeferredDeletes();
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "orva_ui_tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

void ProcessDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidgetList VisibleTopLevelWindows()
{
    QWidgetList visible;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            visible.append(w);
    return visible;
}

namespace {

// Waits, one turn of the event loop at a time, for the dialog's own loop to start.
void RunOnModal(const std::function<void(QWidget*)>& action, int turnsLeft)
{
    QTimer::singleShot(0, [action, turnsLeft] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog)
            action(dialog);
        else if (turnsLeft > 0)
            RunOnModal(action, turnsLeft - 1);
        else
            ADD_FAILURE() << "no modal dialog opened";
    });
}

} // namespace

void OnNextModalDialog(const std::function<void(QWidget*)>& action)
{
    RunOnModal(action, 100);
}

} // namespace orva::test
