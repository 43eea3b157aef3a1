// Subcommands of the signal tools: filter, convert, scatter.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/ORVAError.h"
#include "tools/ChannelMapFile.h"
#include "tools/LowPassFilter.h"
#include "tools/MappingFileLocation.h"
#include "tools/ScatterCells.h"

#include <filesystem>
#include <iostream>

namespace orva::cli {

namespace {

int RunFilter(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {"cutoff"});
    const auto& p = a.Positionals(2);
    if (!a.Has("cutoff"))
        throw TUsageError{"the option --cutoff is required"};
    // Read the cut-off first: an invalid one must not cost a load, and nothing is written.
    const std::string text = a.Value("cutoff");
    const std::optional<float> cutoff = ParseCutoffText(text);
    if (!cutoff)
        throw EORVAError("cut-off frequency \"" + text + "\"",
                         "not a valid cut-off frequency (digits with an optional \".\" fraction and exponent, "
                         "no blanks after, within single precision)");
    TTerminalProgress progress;
    TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    if (const std::int64_t clamped = LowPassFilter(file, *cutoff))
        std::cerr << "orva filter: " << ClampedValuesText(clamped) << "\n";
    file.SaveToFile(AbsolutePath(p[1]), &progress);
    return 0;
}

int RunConvert(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {"map"});
    const auto& p = a.Positionals(2);
    const std::filesystem::path mapPath = a.Has("map") ? AbsolutePath(a.Value("map")) : FindMappingFile(ProgramDir());
    TTerminalProgress progress;
    TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    int ignored = 0;
    const ChannelMap map = ReadChannelMap(mapPath, file.NumChannels(), &ignored);
    if (ignored > 0)
        std::cerr << "orva convert: " << PathText(mapPath) << ": " << ignored << " line" << (ignored == 1 ? "" : "s")
                  << " ignored (no output channel within 1.." << file.NumChannels() << ")\n";
    if (map == IdentityChannelMap(file.NumChannels()))
        std::cerr << "orva convert: " << PathText(mapPath) << " leaves every channel where it was: the copy has the channels "
                  << "in their original order\n";
    file.SaveRemapped(AbsolutePath(p[1]), map, &progress);
    return 0;
}

int RunScatter(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {});
    const auto& p = a.Positionals(2);
    TTerminalProgress progress;
    TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    const std::filesystem::path name = AbsolutePath(p[1]);
    ScatterCells(file, name, &progress);
    for (int i = 0; i < file.NumCells(); ++i)
        std::cout << PathText(CellFileName(name, i)) << "\n";
    return 0;
}

} // namespace

std::vector<TCommand> ToolCommands()
{
    return {
        {"filter", "low-pass filter every trace and write the result",
         "usage: orva filter FILE OUT --cutoff TEXT [--open-anyway]\n"
         "Loads FILE, low-pass filters every trace with a brick-wall cut at TEXT Hz\n"
         "(for example 20 or 12.5; \".\" is the decimal separator) and writes the result to OUT.\n"
         "An invalid or negative cut-off, or a file that cannot be filtered, writes nothing.\n",
         RunFilter},
        {"convert", "write a copy with the channels put into another order",
         "usage: orva convert FILE OUT [--map MAPFILE] [--open-anyway]\n"
         "Writes FILE to OUT with its channels reordered by the mapping file: one line\n"
         "\"A<TAB>B\" per output channel A, taking channel B of FILE (both from 1).\n"
         "Unlisted channels take channel 1; a B outside the channels gives a silent channel.\n"
         "Without --map, GSNv2tov1.txt beside the program is used, or else the one in\n"
         "../share/orva-toolbox/ from the program's folder. Ignored lines are counted on stderr.\n",
         RunConvert},
        {"scatter", "write every cell into a file of its own",
         "usage: orva scatter FILE NAME [--open-anyway]\n"
         "Writes cell i of FILE to NAME_Cell<i> (i from 1) and prints the paths written.\n"
         "Existing files of those names are replaced.\n",
         RunScatter},
    };
}

} // namespace orva::cli
