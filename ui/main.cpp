// The desktop program: the main window and the event loop.
#include "ui/UfrmETMain.h"
#include "ui/UserDialogs.h"

#include "OrvaVersion.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so that it works without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("orva-toolbox %s\n", orva::kOrvaVersion);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVA Toolbox"));
    QApplication::setApplicationVersion(QString::fromLatin1(orva::kOrvaVersion));
    // The main window decides when the program ends (it may refuse to close).
    QApplication::setQuitOnLastWindowClosed(false);

    orva::ui::TQtDialogs dialogs;
    orva::ui::TfrmETMain window(dialogs);
    QObject::connect(&window, &orva::ui::TfrmETMain::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    window.show();

    window.OpenStartFile(QApplication::arguments());
    return app.exec();
}
