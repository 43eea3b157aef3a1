#include "cli/PictureOptions.h"

#include "plot/PlotPicture.h"

namespace orva::cli {

CLI::Option* AddPictureSize(CLI::App* command, std::optional<std::string>& size, const std::string& help)
{
    return AddText(command, "--size", size, "WxH", help, [](const std::string& text) {
        if (plot::ParsePictureSize(QString::fromStdString(text)))
            return std::string();
        return "is WIDTHxHEIGHT, each 1 to " + std::to_string(plot::kMaximumPictureSide) + ", not \"" + text + "\"";
    });
}

namespace {

QtMessageHandler gQtHandler = nullptr;

// Where XDG_RUNTIME_DIR is not set (a cron job, a cluster node) QStandardPaths warns that it
// falls back to a folder of its own; drawing pictures offscreen needs no runtime folder, and
// the batch tool's stderr holds its own words only.
void WithoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: ")) &&
        message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    if (gQtHandler) // Qt's default handler where none was installed before
        gQtHandler(type, context, message);
}

} // namespace

std::unique_ptr<QGuiApplication> DrawingApplication()
{
    static const bool installed = [] {
        gQtHandler = qInstallMessageHandler(WithoutRuntimeFolderWarnings);
        return true;
    }();
    (void)installed;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // QGuiApplication keeps references to these for its whole life.
    static int argc = 1;
    static char name[] = "orva";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace orva::cli
