// orva-screenshot [--demo FILE] [--out FOLDER] [SHOT...]: pictures of the real windows.
// Every shot runs on a fresh main window; with no SHOT named, all are taken.
#include "ui/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace {

struct TOptions {
    QString DemoPath;
    QString OutDir = QStringLiteral("out/screenshots");
    QStringList Shots;
};

bool ParseOptions(const QStringList& args, TOptions& options)
{
    options.DemoPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("demo.ave"));
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if ((arg == QLatin1String("--demo") || arg == QLatin1String("--out")) && i + 1 < args.size())
            (arg == QLatin1String("--demo") ? options.DemoPath : options.OutDir) = args.at(++i);
        else if (arg.startsWith(QLatin1String("--")))
            return false;
        else
            options.Shots.append(arg);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ORVA Toolbox"));
    TOptions options;
    if (!ParseOptions(QApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: orva-screenshot [--demo FILE] [--out FOLDER] [SHOT...]\n");
        return 2;
    }
    if (!QDir().mkpath(options.OutDir)) {
        std::fprintf(stderr, "orva-screenshot: %s: cannot create the folder\n", qPrintable(options.OutDir));
        return 1;
    }
    int failures = 0;
    for (const auto& shot : orva::ui::shots::AllShots()) {
        if (!options.Shots.isEmpty() && !options.Shots.contains(shot.Name))
            continue;
        orva::ui::shots::TUnattendedDialogs dialogs;
        auto window = std::make_unique<orva::ui::TfrmETMain>(dialogs);
        window->show();
        orva::ui::shots::TShotContext context{*window, options.DemoPath, options.OutDir};
        window->RunCommand([&] { shot.Take(context); });
        if (dialogs.Messages > 0)
            ++failures;
        else
            std::printf("%s\n", qPrintable(QDir(options.OutDir).filePath(shot.Name + QStringLiteral(".png"))));
    }
    return failures == 0 ? 0 : 1;
}
