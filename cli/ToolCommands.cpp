// Subcommands of the signal tools: filter, convert, scatter.
#include "cli/BandFilterCommand.h"
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
#include <memory>
#include <optional>

namespace orva::cli {

namespace {

// The arguments of the commands that write one output per input (FILE OUT, or FILE...
// --out-dir DIR).
struct TOutputArguments {
    std::vector<std::string> Positionals;
    std::optional<std::string> OutDir;
    int Jobs = 1;
    bool OpenAnyway = false;
};

template <typename TArgs>
std::shared_ptr<TArgs> DeclareOutputs(CLI::App* command)
{
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Positionals);
    AddOutDir(command, a->OutDir);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return a;
}

TRun DeclareFilter(CLI::App* command)
{
    struct TArgs : TOutputArguments {
        std::optional<std::string> Cutoff;
    };
    auto a = DeclareOutputs<TArgs>(command);
    CLI::Option* cutoffOption = AddText(command, "--cutoff", a->Cutoff, "HZ", "the cut-off frequency in Hz, e.g. 20 or 12.5 (\".\" decimals)",
            [](const std::string& text) {
                const std::optional<float> hz = ParseCutoffText(text);
                return hz && *hz >= 0 ? std::string()
                                      : "needs a cut-off frequency of 0 Hz or more such as 20 or 12.5 (digits with an "
                                        "optional \".\" fraction and exponent, no blanks after, within single "
                                        "precision), not \"" + text + "\"";
            });
    auto band = DeclareBandFilterOptions(command, cutoffOption);
    return [a, band] {
        if (!a->OutDir)
            RequirePositionals(a->Positionals, 2);
        if (band->AnyKind())
            return RunBandFilter(BandFilterOptionsFrom(*band), a->Positionals, a->OutDir, a->Jobs, a->OpenAnyway);
        if (!a->Cutoff)
            throw TUsageError{"give --cutoff HZ (the FFT low-pass) or one of --low-pass, --high-pass, --band-pass, "
                              "--notch"};
        if (band->Design || band->Order || band->NotchWidth)
            throw TUsageError{"--design, --order and --notch-width go with --low-pass, --high-pass, --band-pass or "
                              "--notch, not --cutoff"};
        // The option's check has refused a cut-off that cannot be read, before any load.
        const float cutoff = CutoffFromText(*a->Cutoff);
        const bool named = a->OutDir.has_value(); // which of several files a clamp count is about
        return ForEachOutput("filter", a->Positionals, a->OutDir, a->Jobs,
                             [&](const std::string& input, const std::filesystem::path& output, TFileResult& r,
                                 TProgressDisplay* progress) {
                                 TORVAFile file = OpenDataFile(input, a->OpenAnyway, progress);
                                 if (const std::int64_t clamped = LowPassFilter(file, cutoff))
                                     r.Err += "orva filter: " + (named ? PathText(file.FullFileName) + ": " : "") +
                                              ClampedValuesText(clamped) + "\n";
                                 file.SaveToFile(output, progress);
                             });
    };
}

TRun DeclareConvert(CLI::App* command)
{
    struct TArgs : TOutputArguments {
        std::optional<std::string> Map;
    };
    auto a = DeclareOutputs<TArgs>(command);
    AddText(command, "--map", a->Map, kAnyFile, "the mapping file (default: GSNv2tov1.txt, see below)");
    return [a] {
        const std::filesystem::path mapPath = a->Map ? AbsolutePath(*a->Map) : FindMappingFile(ProgramDir());
        return ForEachOutput(
            "convert", a->Positionals, a->OutDir, a->Jobs,
            [&](const std::string& input, const std::filesystem::path& output, TFileResult& r,
                TProgressDisplay* progress) {
                TORVAFile file = OpenDataFile(input, a->OpenAnyway, progress);
                int ignored = 0;
                const ChannelMap map = ReadChannelMap(mapPath, file.NumChannels(), &ignored);
                if (ignored > 0)
                    r.Err += "orva convert: " + PathText(mapPath) + ": " + std::to_string(ignored) + " line" +
                             (ignored == 1 ? "" : "s") + " ignored (no output channel within 1.." +
                             std::to_string(file.NumChannels()) + ")\n";
                if (map == IdentityChannelMap(file.NumChannels()))
                    r.Err += "orva convert: " + PathText(mapPath) +
                             " leaves every channel where it was: the copy has the channels "
                             "in their original order\n";
                file.SaveRemapped(output, map, progress);
            });
    };
}

TRun DeclareScatter(CLI::App* command)
{
    auto a = DeclareOutputs<TOutputArguments>(command);
    return [a] {
        return ForEachOutput("scatter", a->Positionals, a->OutDir, a->Jobs,
                             [&](const std::string& input, const std::filesystem::path& name, TFileResult& r,
                                 TProgressDisplay* progress) {
                                 TORVAFile file = OpenDataFile(input, a->OpenAnyway, progress);
                                 ScatterCells(file, name, progress);
                                 for (int i = 0; i < file.NumCells(); ++i)
                                     r.Out += PathText(CellFileName(name, i)) + "\n";
                             });
    };
}

} // namespace

std::vector<TCommand> ToolCommands()
{
    return {
        {"filter", "filter every trace (FFT low-pass, Butterworth or FIR) and write the result",
         "usage: orva filter FILE OUT --cutoff HZ [--open-anyway]\n"
         "       orva filter FILE OUT KIND [--design iir|fir] [--order N] [--open-anyway]\n"
         "       orva filter FILE... --out-dir DIR (--cutoff HZ | KIND ...) [-j JOBS] [--open-anyway]\n",
         "Loads FILE, low-pass filters every trace with a brick-wall cut at HZ (for example\n"
         "20 or 12.5; \".\" is the decimal separator) and writes the result to OUT.\n"
         "An invalid or negative cut-off, or a file that cannot be filtered, writes nothing.\n"
         "KIND is one of --low-pass HZ, --high-pass HZ, --band-pass LO HI, --notch HZ: a\n"
         "zero-phase Butterworth of order N run forward and backward (--design iir, as SciPy's\n"
         "sosfiltfilt; the cut-off is where the amplitude is halved; the notch is SciPy's\n"
         "iirnotch, Q = 30) or MNE-Python's default FIR (--design fir). Every trace is filtered\n"
         "on its own from its calibrated values; a FIR longer than the epoch or a high-pass\n"
         "whose time constant exceeds it is warned about: the edges will be distorted.\n"
         "With --out-dir each FILE is written to DIR under its own name (never over itself),\n"
         "in parallel (-j JOBS, default the number of cores).\n",
         DeclareFilter},
        {"convert", "write a copy with the channels put into another order",
         "usage: orva convert FILE OUT [--map MAPFILE] [--open-anyway]\n"
         "       orva convert FILE... --out-dir DIR [--map MAPFILE] [-j JOBS] [--open-anyway]\n",
         "Writes FILE to OUT with its channels reordered by the mapping file: one line\n"
         "\"A<TAB>B\" per output channel A, taking channel B of FILE (both from 1).\n"
         "Unlisted channels take channel 1; a B outside the channels gives a silent channel.\n"
         "Without --map, GSNv2tov1.txt beside the program is used, or else the one in\n"
         "../share/orva-toolbox/ from the program's folder. Ignored lines are counted on stderr.\n"
         "With --out-dir each FILE is written to DIR under its own name, in parallel (-j JOBS).\n",
         DeclareConvert},
        {"scatter", "write every cell into a file of its own",
         "usage: orva scatter FILE NAME [--open-anyway]\n"
         "       orva scatter FILE... --out-dir DIR [-j JOBS] [--open-anyway]\n",
         "Writes cell i of FILE to NAME_Cell<i> (i from 1) and prints the paths written.\n"
         "Existing files of those names are replaced. With --out-dir, NAME is DIR/<name of FILE>\n"
         "for each FILE, and the files are scattered in parallel (-j JOBS).\n",
         DeclareScatter},
    };
}

} // namespace orva::cli
