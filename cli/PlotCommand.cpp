// The "plot" subcommand: the cell graph's picture without a window, for scripted reports.
// Built only with the desktop program, whose picture renderer it shares.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/PictureOptions.h"
#include "model/ORVAError.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"

#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <iostream>

namespace orva::cli {

namespace {

plot::TOverlay Overlay(const std::optional<std::string>& text)
{
    if (text == "cells")
        return plot::TOverlay::Cells;
    if (text == "channels")
        return plot::TOverlay::Channels;
    return plot::TOverlay::None;
}

struct TPlotArguments {
    std::vector<std::string> Positionals;
    bool NegativeUp = false, Axes = false, MarkClipped = false, OpenAnyway = false;
    std::optional<int> Cell, Obs, Chan, XGrid, YGrid;
    std::optional<std::string> Overlay, Range, Size;
};

int Plot(const TPlotArguments& a)
{
    RequirePositionals(a.Positionals, 2);
    const std::filesystem::path outPath = AbsolutePath(a.Positionals[1]);
    const QString out = plot::PathToText(outPath);
    if (!plot::PictureFormatOf(out))
        throw TUsageError{"the picture's name must end in .png or .svg"};
    const auto size = plot::ParsePictureSize(QString::fromStdString(a.Size.value_or("800x400")));

    plot::TPlotOptions options;
    options.Overlay = Overlay(a.Overlay);
    options.NegativeUp = a.NegativeUp;
    options.Axes = a.Axes;
    options.MarkClipped = a.MarkClipped;
    options.XGrid = a.XGrid.value_or(options.XGrid);
    const bool fit = a.Range == "fit";
    if (a.Range && !fit)
        options.RangeUv = std::stoi(*a.Range);
    const int cell = a.Cell.value_or(1) - 1;
    const int obs = a.Obs.value_or(1) - 1;
    const int chan = a.Chan.value_or(1) - 1;

    TTerminalProgress progress;
    const TORVAFile file = OpenDataFile(a.Positionals[0], a.OpenAnyway, &progress);
    if (const auto problem = plot::TraceProblem(file, cell, obs, chan))
        throw EORVAError(PathText(AbsolutePath(a.Positionals[0])), "cannot plot: " + *problem);
    plot::TPlotScene scene = plot::BuildPlotScene(file, cell, obs, chan, options);
    if (fit)
        scene.Options.RangeUv = plot::FitRange(plot::SceneVoltages(scene));
    // As in the window, a new range brings a y grid that suits it unless one is given.
    scene.Options.YGrid = a.YGrid ? *a.YGrid : plot::AdaptYGrid(options.YGrid, scene.Options.RangeUv);

    const auto application = DrawingApplication();
    const plot::TPlotPaintResult result = plot::SavePlotPicture(out, *size, scene);
    if (result.Clipped > 0)
        std::cerr << "orva plot: " << result.Clipped << " sample" << (result.Clipped == 1 ? " lies" : "s lie")
                  << " beyond the range of " << scene.Options.RangeUv << " uV (--range fit shows every sample)\n";
    std::cout << PathText(outPath) << "\n";
    return 0;
}

TRun DeclarePlot(CLI::App* command)
{
    auto a = std::make_shared<TPlotArguments>();
    AddInputFiles(command, a->Positionals)->description("FILE and OUT.png or OUT.svg");
    AddWholeNumber(command, "--cell", a->Cell, 1, INT_MAX, "N", "the cell, from 1 (default 1)");
    AddWholeNumber(command, "--obs", a->Obs, 1, INT_MAX, "N", "the observation, from 1 (default 1)");
    AddWholeNumber(command, "--chan", a->Chan, 1, INT_MAX, "N", "the channel, from 1 (default 1)");
    AddChoice(command, "--overlay", a->Overlay, {"none", "cells", "channels"},
              "cells: the channel in every cell, one colour per cell, with a legend; channels: every "
              "channel of the observation, the chosen one highlighted");
    AddText(command, "--range", a->Range, "UV|fit",
            "the full height in uV (default 900, +-450 uV); fit: the data's", [](const std::string& text) {
                const std::size_t digits = text.find_first_not_of("0123456789");
                if (text == "fit" || (!text.empty() && digits == std::string::npos && text.size() < 9 &&
                                      std::stoi(text) >= 2))
                    return std::string();
                return "needs a whole number of at least 2 or fit, not \"" + text + "\"";
            });
    AddFlag(command, "--negative-up", a->NegativeUp, "negative voltages above the axis");
    AddFlag(command, "--axes", a->Axes, "time (ms, 0 at the stimulus onset of average files) and uV labels");
    AddFlag(command, "--mark-clipped", a->MarkClipped, "red marks at the edge where samples lie beyond the range");
    AddWholeNumber(command, "--xgrid", a->XGrid, 0, INT_MAX, "MS", "grid spacing in ms (0: off; default 100)");
    AddWholeNumber(command, "--ygrid", a->YGrid, 0, INT_MAX, "UV",
                   "grid spacing in uV (0: off; default 40, or a grid that suits --range)");
    AddPictureSize(command, a->Size, "picture size in pixels (default 800x400)");
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] { return Plot(*a); };
}

} // namespace

std::vector<TCommand> PlotCommands()
{
    return {
        {"plot", "draw the cell graph of a trace as a PNG or SVG picture",
         "usage: orva plot FILE OUT.png|OUT.svg [--cell N] [--obs N] [--chan N]\n"
         "                 [--overlay cells|channels] [--range UV|fit] [--negative-up] [--axes]\n"
         "                 [--mark-clipped] [--xgrid MS] [--ygrid UV] [--size WxH] [--open-anyway]\n",
         "Draws the trace of cell, observation and channel N (each from 1, default 1) as the\n"
         "cell graph window does and writes it as PNG or SVG, by OUT's extension.\n"
         "Samples beyond the range are counted on stderr.\n",
         DeclarePlot},
    };
}

} // namespace orva::cli
