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

std::unique_ptr<QGuiApplication> DrawingApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // QGuiApplication keeps references to these for its whole life.
    static int argc = 1;
    static char name[] = "orva";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace orva::cli
