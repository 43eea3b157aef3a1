// The desktop program: the main window and the event loop.
#include "ui/UfrmETMain.h"
#include "ui/UserDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVA Toolbox"));
    // The main window decides when the program ends (it may refuse to close).
    QApplication::setQuitOnLastWindowClosed(false);

    orva::ui::TQtDialogs dialogs;
    orva::ui::TfrmETMain window(dialogs);
    QObject::connect(&window, &orva::ui::TfrmETMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    window.show();

    window.OpenStartFile(QApplication::arguments());
    return app.exec();
}
