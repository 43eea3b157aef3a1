#pragma once
// What the picture commands (plot, map) share: the --size option and the application that
// Qt needs to draw text.
#include "cli/CommandLine.h"

#include <QGuiApplication>

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

/// --size WxH, each side from 1 to the largest picture side.
CLI::Option* AddPictureSize(CLI::App* command, std::optional<std::string>& size, const std::string& help);

/// The application inside which Qt draws text; offscreen unless QT_QPA_PLATFORM says otherwise.
std::unique_ptr<QGuiApplication> DrawingApplication();

} // namespace orva::cli
