// Subcommands of the signal tools: filter, convert, scatter.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
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
    std::vector<std::string> rest = args;
    const int jobs = TakeJobs(rest);
    TArguments a(rest, {"open-anyway"}, {"cutoff", "out-dir"});
    if (!a.Has("out-dir"))
        a.Positionals(2);
    if (!a.Has("cutoff"))
        throw TUsageError{"the option --cutoff is required"};
    // Read the cut-off first: an invalid one must not cost a load, and nothing is written.
    const float cutoff = CutoffFromText(a.Value("cutoff"));
    const bool named = a.Has("out-dir"); // which of several files a clamp count is about
    return ForEachOutput("filter", a, jobs,
                         [&](const std::string& input, const std::filesystem::path& output, TFileResult& r,
                             TProgressDisplay* progress) {
                             TORVAFile file = OpenDataFile(input, a.Has("open-anyway"), progress);
                             if (const std::int64_t clamped = LowPassFilter(file, cutoff))
                                 r.Err += "orva filter: " + (named ? PathText(file.FullFileName) + ": " : "") +
                                          ClampedValuesText(clamped) + "\n";
                             file.SaveToFile(output, progress);
                         });
}

int RunConvert(const std::vector<std::string>& args)
{
    std::vector<std::string> rest = args;
    const int jobs = TakeJobs(rest);
    TArguments a(rest, {"open-anyway"}, {"map", "out-dir"});
    const std::filesystem::path mapPath = a.Has("map") ? AbsolutePath(a.Value("map")) : FindMappingFile(ProgramDir());
    return ForEachOutput("convert", a, jobs,
                         [&](const std::string& input, const std::filesystem::path& output, TFileResult& r,
                             TProgressDisplay* progress) {
                             TORVAFile file = OpenDataFile(input, a.Has("open-anyway"), progress);
                             int ignored = 0;
                             const ChannelMap map = ReadChannelMap(mapPath, file.NumChannels(), &ignored);
                             if (ignored > 0)
                                 r.Err += "orva convert: " + PathText(mapPath) + ": " + std::to_string(ignored) +
                                          " line" + (ignored == 1 ? "" : "s") + " ignored (no output channel within 1.." +
                                          std::to_string(file.NumChannels()) + ")\n";
                             if (map == IdentityChannelMap(file.NumChannels()))
                                 r.Err += "orva convert: " + PathText(mapPath) +
                                          " leaves every channel where it was: the copy has the channels "
                                          "in their original order\n";
                             file.SaveRemapped(output, map, progress);
                         });
}

int RunScatter(const std::vector<std::string>& args)
{
    std::vector<std::string> rest = args;
    const int jobs = TakeJobs(rest);
    TArguments a(rest, {"open-anyway"}, {"out-dir"});
    return ForEachOutput("scatter", a, jobs,
                         [&](const std::string& input, const std::filesystem::path& name, TFileResult& r,
                             TProgressDisplay* progress) {
                             TORVAFile file = OpenDataFile(input, a.Has("open-anyway"), progress);
                             ScatterCells(file, name, progress);
                             for (int i = 0; i < file.NumCells(); ++i)
                                 r.Out += PathText(CellFileName(name, i)) + "\n";
                         });
}

} // namespace

std::vector<TCommand> ToolCommands()
{
    return {
        {"filter", "low-pass filter every trace and write the result",
         "usage: orva filter FILE OUT --cutoff TEXT [--open-anyway]\n"
         "       orva filter FILE... --out-dir DIR --cutoff TEXT [-j JOBS] [--open-anyway]\n"
         "Loads FILE, low-pass filters every trace with a brick-wall cut at TEXT Hz\n"
         "(for example 20 or 12.5; \".\" is the decimal separator) and writes the result to OUT.\n"
         "An invalid or negative cut-off, or a file that cannot be filtered, writes nothing.\n"
         "With --out-dir each FILE is written to DIR under its own name (never over itself),\n"
         "in parallel (-j JOBS, default the number of cores).\n",
         RunFilter},
        {"convert", "write a copy with the channels put into another order",
         "usage: orva convert FILE OUT [--map MAPFILE] [--open-anyway]\n"
         "       orva convert FILE... --out-dir DIR [--map MAPFILE] [-j JOBS] [--open-anyway]\n"
         "Writes FILE to OUT with its channels reordered by the mapping file: one line\n"
         "\"A<TAB>B\" per output channel A, taking channel B of FILE (both from 1).\n"
         "Unlisted channels take channel 1; a B outside the channels gives a silent channel.\n"
         "Without --map, GSNv2tov1.txt beside the program is used, or else the one in\n"
         "../share/orva-toolbox/ from the program's folder. Ignored lines are counted on stderr.\n"
         "With --out-dir each FILE is written to DIR under its own name, in parallel (-j JOBS).\n",
         RunConvert},
        {"scatter", "write every cell into a file of its own",
         "usage: orva scatter FILE NAME [--open-anyway]\n"
         "       orva scatter FILE... --out-dir DIR [-j JOBS] [--open-anyway]\n"
         "Writes cell i of FILE to NAME_Cell<i> (i from 1) and prints the paths written.\n"
         "Existing files of those names are replaced. With --out-dir, NAME is DIR/<name of FILE>\n"
         "for each FILE, and the files are scattered in parallel (-j JOBS).\n",
         RunScatter},
    };
}

} // namespace orva::cli
