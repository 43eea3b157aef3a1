// The "plot" subcommand: the cell graph's picture without a window, for scripted reports.
// Built only with the desktop program, whose picture renderer it shares.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/ORVAError.h"
#include "ui/PlotPicture.h"
#include "ui/QtText.h"

#include <QGuiApplication>

#include <charconv>
#include <iostream>

namespace orva::cli {

namespace {

int WholeNumber(const TArguments& a, const std::string& name, int fallback, int minimum)
{
    if (!a.Has(name))
        return fallback;
    const std::string text = a.Value(name);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum)
        throw TUsageError{"--" + name + " needs a whole number of at least " + std::to_string(minimum) + ", not \"" +
                          text + "\""};
    return value;
}

ui::TOverlay Overlay(const TArguments& a)
{
    const std::string text = a.Value("overlay", "none");
    if (text == "none")
        return ui::TOverlay::None;
    if (text == "cells")
        return ui::TOverlay::Cells;
    if (text == "channels")
        return ui::TOverlay::Channels;
    throw TUsageError{"--overlay is cells or channels, not \"" + text + "\""};
}

int RunPlot(const std::vector<std::string>& args)
{
    TArguments a(args, {"negative-up", "axes", "mark-clipped", "open-anyway"},
                 {"cell", "obs", "chan", "overlay", "range", "size", "xgrid", "ygrid"});
    const auto& p = a.Positionals(2);
    const std::filesystem::path outPath = AbsolutePath(p[1]);
    const QString out = ui::PathToText(outPath);
    if (!ui::PictureFormatOf(out))
        throw TUsageError{"the picture's name must end in .png or .svg"};
    const auto size = ui::ParsePictureSize(QString::fromStdString(a.Value("size", "800x400")));
    if (!size)
        throw TUsageError{"--size is WIDTHxHEIGHT, each 1 to " + std::to_string(ui::kMaximumPictureSide)};

    ui::TPlotOptions options;
    options.Overlay = Overlay(a);
    options.NegativeUp = a.Has("negative-up");
    options.Axes = a.Has("axes");
    options.MarkClipped = a.Has("mark-clipped");
    options.XGrid = WholeNumber(a, "xgrid", options.XGrid, 0);
    const bool fit = a.Value("range") == "fit";
    if (!fit)
        options.RangeUv = WholeNumber(a, "range", options.RangeUv, 2);
    const int cell = WholeNumber(a, "cell", 1, 1) - 1;
    const int obs = WholeNumber(a, "obs", 1, 1) - 1;
    const int chan = WholeNumber(a, "chan", 1, 1) - 1;

    TTerminalProgress progress;
    const TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    if (const auto problem = ui::TraceProblem(file, cell, obs, chan))
        throw EORVAError(PathText(AbsolutePath(p[0])), "cannot plot: " + *problem);
    ui::TPlotScene scene = ui::BuildPlotScene(file, cell, obs, chan, options);
    if (fit)
        scene.Options.RangeUv = ui::FitRange(ui::SceneVoltages(scene));
    // As in the window, a new range brings a y grid that suits it unless one is given.
    scene.Options.YGrid = a.Has("ygrid") ? WholeNumber(a, "ygrid", 0, 0)
                                         : ui::AdaptYGrid(options.YGrid, scene.Options.RangeUv);

    // Qt draws text only inside an application; without a display it draws offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "orva";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    const ui::TPlotPaintResult result = ui::SavePlotPicture(out, *size, scene);
    if (result.Clipped > 0)
        std::cerr << "orva plot: " << result.Clipped << " sample" << (result.Clipped == 1 ? " lies" : "s lie")
                  << " beyond the range of " << scene.Options.RangeUv << " uV (--range fit shows every sample)\n";
    std::cout << PathText(outPath) << "\n";
    return 0;
}

} // namespace

std::vector<TCommand> PlotCommands()
{
    return {
        {"plot", "draw the cell graph of a trace as a PNG or SVG picture",
         "usage: orva plot FILE OUT.png|OUT.svg [--cell N] [--obs N] [--chan N]\n"
         "                 [--overlay cells|channels] [--range UV|fit] [--negative-up] [--axes]\n"
         "                 [--mark-clipped] [--xgrid MS] [--ygrid UV] [--size WxH] [--open-anyway]\n"
         "Draws the trace of cell, observation and channel N (each from 1, default 1) as the\n"
         "cell graph window does and writes it as PNG or SVG, by OUT's extension.\n"
         "  --overlay cells     the channel in every cell, one colour per cell, with a legend\n"
         "  --overlay channels  every channel of the observation, the chosen one highlighted\n"
         "  --range UV          the full height in uV (default 900, +-450 uV); fit: the data's\n"
         "  --negative-up       negative voltages above the axis\n"
         "  --axes              time (ms, 0 at the stimulus onset of average files) and uV labels\n"
         "  --mark-clipped      red marks at the edge where samples lie beyond the range\n"
         "  --xgrid, --ygrid    grid spacing in ms and uV (0: off; default 100 and 40, or a\n"
         "                      grid that suits --range)\n"
         "  --size WxH          picture size in pixels (default 800x400)\n"
         "Samples beyond the range are counted on stderr.\n",
         RunPlot},
    };
}

} // namespace orva::cli
