// The "map" subcommand: scalp maps of one trace's channels at chosen times or over a window,
// drawn as the desktop program's map window draws them. Built only with the desktop program.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/PictureOptions.h"
#include "select/EpochLayout.h"
#include "select/TimeWindow.h"
#include "head/SensorPositions.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#include "plot/ScalpMapData.h"
#include "plot/ScalpMapPicture.h"

#include <climits>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

struct TMapArguments {
    std::vector<std::string> Positionals, At, Mean, Origin;
    std::optional<std::string> Output, Positions, ChannelNames, Range, Size;
    std::optional<int> Cell, Obs;
    bool Labels = false, OpenAnyway = false;
};

double Time(const std::string& text) { return *ParseTime(text); }

// A positive number of microvolts, or fit (nothing).
std::optional<double> ColourRange(const std::optional<std::string>& text)
{
    if (!text || *text == "fit")
        return std::nullopt;
    return ParseTime(*text);
}

// Refused before any file is read.
void CheckArguments(const TMapArguments& a)
{
    RequirePositionals(a.Positionals, 1);
    if (!a.Positions)
        throw TUsageError{"the sensor positions are missing: give --positions FILE (.sfp or _electrodes.tsv)"};
    if (!a.Output)
        throw TUsageError{"the picture is missing: give -o OUT.png or -o OUT.svg"};
    if (!plot::PictureFormatOf(plot::PathToText(AbsolutePath(*a.Output))))
        throw TUsageError{"the picture's name must end in .png or .svg"};
    if (a.At.empty() && a.Mean.empty())
        throw TUsageError{"say what to map: --at MS... or --mean A B"};
    if (a.Mean.size() == 2 && Time(a.Mean[0]) > Time(a.Mean[1]))
        throw TUsageError{"--mean " + a.Mean[0] + " " + a.Mean[1] + ": the window ends before it starts"};
    const std::size_t maps = a.At.empty() ? 1 : a.At.size();
    const QSize panel = *plot::ParsePictureSize(QString::fromStdString(a.Size.value_or("300x300")));
    if (plot::ScalpMapPictureSize(panel, static_cast<int>(std::min<std::size_t>(maps, INT_MAX / 2))).width() >
            plot::kMaximumPictureSide ||
        maps > static_cast<std::size_t>(plot::kMaximumPictureSide))
        throw TUsageError{std::to_string(maps) + " maps of " + std::to_string(panel.width()) +
                          " pixels side by side make a picture wider than " +
                          std::to_string(plot::kMaximumPictureSide) + " pixels"};
}

int Map(const TMapArguments& a)
{
    CheckArguments(a);
    const std::filesystem::path outPath = AbsolutePath(*a.Output);
    const std::filesystem::path positionsPath = AbsolutePath(*a.Positions);
    const QSize panel = *plot::ParsePictureSize(QString::fromStdString(a.Size.value_or("300x300")));
    TPoint3 origin;
    if (a.Origin.size() == 3)
        origin = {Time(a.Origin[0]), Time(a.Origin[1]), Time(a.Origin[2])};
    const int c = a.Cell.value_or(1) - 1;
    const int o = a.Obs.value_or(1) - 1;

    const std::vector<TSensorPosition> sensors = ReadSensorPositions(positionsPath);
    TTerminalProgress progress;
    const TORVAFile file = OpenDataFile(a.Positionals[0], a.OpenAnyway, &progress);
    plot::CheckMapTrace(file, c, o);
    std::optional<std::filesystem::path> namesFile;
    if (a.ChannelNames)
        namesFile = AbsolutePath(*a.ChannelNames);
    const plot::TMapChannels placed =
        plot::PlaceChannels(sensors, ChannelNamesFor(file, namesFile), origin, positionsPath);

    plot::TScalpMapScene scene;
    scene.Labels = placed.Labels;
    scene.ShowLabels = a.Labels;
    if (!a.Mean.empty()) {
        const double start = Time(a.Mean[0]), end = Time(a.Mean[1]);
        scene.Maps.push_back({plot::WindowTitle(start, end),
                              plot::WindowMeanValues(file, c, o, start, end, placed.Channels)});
    }
    for (const std::string& text : a.At) {
        const int s = plot::NearestSample(file, c, Time(text));
        const double ms = MeasureSampleTime(file, file.Cells[static_cast<std::size_t>(c)], s);
        scene.Maps.push_back({plot::SampleTitle(ms), plot::SampleValues(file, c, o, s, placed.Channels)});
    }
    std::vector<std::vector<double>> values;
    for (const auto& map : scene.Maps)
        values.push_back(map.Values);
    scene.RangeUv = ColourRange(a.Range).value_or(plot::FitColourRange(values));

    const auto application = DrawingApplication();
    plot::TScalpMapRenderer renderer(placed.Directions);
    renderer.Save(plot::PathToText(outPath), panel, scene);
    if (!placed.Unplaced.empty())
        std::cerr << "orva map: " << placed.Unplaced.size() << " channel"
                  << (placed.Unplaced.size() == 1 ? " has no position and is" : "s have no position and are")
                  << " not drawn"
                  << " (first: " << placed.Unplaced.front() << ")\n";
    std::cout << PathText(outPath) << "\n";
    return 0;
}

CLI::Option* AddTimes(CLI::App* command, const std::string& name, std::vector<std::string>& times, int count,
                      const std::string& text, const std::string& help)
{
    CLI::Option* option = command->add_option(name, times, help)->type_name("MS")->option_text(text);
    if (count > 0)
        option->expected(count);
    else
        option->expected(1, INT_MAX);
    return option->check(CLI::Validator(
        [](std::string& value) {
            return ParseTime(value) ? std::string() : "needs numbers such as -100 or 250.5, not \"" + value + "\"";
        },
        ""));
}

TRun DeclareMap(CLI::App* command)
{
    auto a = std::make_shared<TMapArguments>();
    AddInputFiles(command, a->Positionals)->description("FILE: the session or average file");
    AddText(command, "-o", a->Output, kAnyFile, "the picture: OUT.png or OUT.svg");
    AddText(command, "--positions", a->Positions, kAnyFile,
            "the sensors' positions: .sfp (label x y z) or BIDS _electrodes.tsv");
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line, one per channel, matched to the positions' labels; default E1 ... En");
    AddTimes(command, "--origin", a->Origin, 3, "X Y Z",
             "the centre of the head in the positions' units (default 0 0 0)");
    AddWholeNumber(command, "--cell", a->Cell, 1, INT_MAX, "N", "the cell, from 1 (default 1)");
    AddWholeNumber(command, "--obs", a->Obs, 1, INT_MAX, "N", "the observation, from 1 (default 1)");
    CLI::Option* at = AddTimes(command, "--at", a->At, 0, "MS...",
                               "one map per time (ms, 0 at the stimulus of average files): the sample nearest it");
    AddTimes(command, "--mean", a->Mean, 2, "A B", "one map of the mean over the samples from A to B ms, as measure takes them")
        ->excludes(at);
    AddText(command, "--range", a->Range, "UV|fit",
            "the colour scale runs from -UV to +UV (default fit: the largest magnitude over the maps)",
            [](const std::string& text) {
                const auto uv = ParseTime(text);
                if (text == "fit" || (uv && *uv > 0 && std::isfinite(*uv)))
                    return std::string();
                return "needs a positive number of microvolts or fit, not \"" + text + "\"";
            });
    AddPictureSize(command, a->Size, "the size of each map in pixels (default 300x300)");
    AddFlag(command, "--labels", a->Labels, "each sensor's name beside its dot");
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] { return Map(*a); };
}

} // namespace

std::vector<TCommand> MapCommands()
{
    return {
        {"map", "draw scalp maps of a trace's channels at chosen times or over a window",
         "usage: orva map FILE --positions P (--at MS... | --mean A B) -o OUT.png|OUT.svg\n"
         "                [--channel-names F] [--origin X Y Z] [--cell N] [--obs N]\n"
         "                [--range UV|fit] [--size WxH] [--labels] [--open-anyway]\n",
         "Draws the head seen from above, nose up, one map per time of --at (the sample\n"
         "nearest it) or one map of the mean over --mean's window, side by side, each value\n"
         "the spherical spline through the channels that have a position. One colour scale\n"
         "for all maps, red positive, blue negative; contour lines at the colour bar's ticks.\n"
         "Channels without a position are left out, with a note on stderr.\n",
         DeclareMap},
    };
}

} // namespace orva::cli
