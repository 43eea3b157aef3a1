// orva neighbours: the channel neighbours of a net (the Delaunay triangulation of its sensors
// on the scalp map) written for a person to review and edit, and drawn on request.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "head/ChannelNeighbours.h"
#include "head/SensorPositions.h"
#include "model/PathText.h"
#include "select/EpochLayout.h"

#ifdef ORVA_WITH_PLOT
#include "cli/PictureOptions.h"
#include "plot/NeighboursPicture.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#endif

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <numeric>

namespace orva::cli {

namespace {

struct TNeighboursArguments {
    std::vector<std::string> Positionals;
    std::optional<std::string> Positions, ChannelNames, Output, Picture, Size;
    bool OpenAnyway = false;
};

// The lines of a names file, so that it can be read without a data file to count against;
// the names themselves are read and checked by ReadChannelNames.
int CountNameLines(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text.empty() ? 0 : static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// The channels' names as interpolate and map match them to the positions: the data file's
// (E1 ... En or --channel-names) when one is given; else every name of --channel-names;
// else every sensor of the positions file.
std::vector<std::string> ChannelLabels(const TNeighboursArguments& a, const std::vector<TSensorPosition>& sensors)
{
    std::optional<std::filesystem::path> names;
    if (a.ChannelNames)
        names = AbsolutePath(*a.ChannelNames);
    if (!a.Positionals.empty()) {
        TTerminalProgress progress;
        return ChannelNamesFor(OpenDataFile(a.Positionals[0], a.OpenAnyway, &progress), names);
    }
    if (names)
        return ReadChannelNames(*names, CountNameLines(*names), "the channels");
    std::vector<std::string> labels;
    for (const auto& s : sensors)
        labels.push_back(s.Label);
    return labels;
}

int Neighbours(const TNeighboursArguments& a)
{
    if (a.Positionals.size() > 1)
        throw TUsageError{"give at most one data file"};
#ifdef ORVA_WITH_PLOT
    if (a.Picture && !plot::PictureFormatOf(plot::PathToText(AbsolutePath(*a.Picture))))
        throw TUsageError{"the picture's name must end in .png or .svg"};
#else
    if (a.Picture)
        throw TUsageError{"--picture needs the build with the desktop program's pictures"};
#endif
    const std::filesystem::path positionsPath = AbsolutePath(*a.Positions);
    const std::vector<TSensorPosition> sensors = ReadSensorPositions(positionsPath);
    const std::vector<std::string> labels = ChannelLabels(a, sensors);
    std::vector<int> all(labels.size());
    std::iota(all.begin(), all.end(), 0);
    const std::vector<TPoint3> directions =
        RequireDirections(sensors, all, labels, {}, positionsPath,
                          a.Positionals.empty() ? PathText(positionsPath) : a.Positionals.front());
    const TChannelNeighbours neighbours = TriangulationNeighbours(directions, labels, positionsPath);

    const std::filesystem::path outPath = AbsolutePath(*a.Output);
    WriteNeighboursFile(outPath, neighbours, labels);
    std::cout << PathText(outPath) << "\n";
#ifdef ORVA_WITH_PLOT
    if (a.Picture) {
        const std::filesystem::path picturePath = AbsolutePath(*a.Picture);
        const QSize size = *plot::ParsePictureSize(QString::fromStdString(a.Size.value_or("600x600")));
        const auto application = DrawingApplication();
        plot::SaveNeighboursPicture(plot::PathToText(picturePath), size, {directions, labels, neighbours});
        std::cout << PathText(picturePath) << "\n";
    }
#endif
    std::size_t pairs = 0;
    for (const auto& list : neighbours)
        pairs += list.size();
    std::cerr << "orva neighbours: " << labels.size() << " channels, " << pairs / 2 << " pairs of neighbours\n";
    return 0;
}

TRun DeclareNeighbours(CLI::App* command)
{
    auto a = std::make_shared<TNeighboursArguments>();
    // Every word is taken, so that a second file is refused in this command's words; the help
    // shows the one file the command reads.
    command->add_option("FILE", a->Positionals, "a session or average file whose channels are meant")
        ->type_name(kDataFile)
        ->option_text("(optional)");
    AddText(command, "--positions", a->Positions, kAnyFile,
            "the sensors' positions: .sfp (label x y z per line) or a BIDS _electrodes.tsv")
        ->required();
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line, one per channel, matched to the sensors' labels (with FILE default E1 ... En)");
    AddText(command, "-o", a->Output, kAnyFile, "the neighbours file written: one line \"LABEL: LABEL ...\" per channel")
        ->required();
    AddText(command, "--picture", a->Picture, kAnyFile, "also draw the sensors and their neighbour lines: NET.png or NET.svg");
#ifdef ORVA_WITH_PLOT
    AddPictureSize(command, a->Size, "the picture's size in pixels (default 600x600)");
#endif
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] { return Neighbours(*a); };
}

} // namespace

std::vector<TCommand> NeighboursCommands()
{
    return {
        {"neighbours", "write the channel neighbours of a net's positions for review (and draw them)",
         "usage: orva neighbours [FILE] --positions P [--channel-names F] -o NEIGHBOURS.txt\n"
         "                       [--picture NET.png|NET.svg] [--size WxH] [--open-anyway]\n",
         "Finds which channels are neighbours as the cluster tests do from --positions: the\n"
         "edges of the Delaunay triangulation of the sensors on the scalp map (the azimuthal\n"
         "equidistant projection from the top of the head that orva map draws). The channels\n"
         "are those of FILE named E1 ... En or by --channel-names; without FILE, the names of\n"
         "--channel-names, or else every sensor of the positions file. Every channel needs a\n"
         "position; two sensors at one point of the map are refused. The file holds one line\n"
         "per channel, \"LABEL: LABEL LABEL ...\", symmetric, for a person to review and edit\n"
         "and to give to orva cluster-test --neighbours.\n",
         DeclareNeighbours},
    };
}

} // namespace orva::cli
