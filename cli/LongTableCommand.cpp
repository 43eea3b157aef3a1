// Subcommand export-long: the long table of one or more data files.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/LongTableExport.h"
#include "export/StatsExport.h"

#include <optional>
#include <string>

namespace orva::cli {

namespace {

const std::set<std::string> kFlags = {"open-anyway"};
const std::set<std::string> kListOptions = {"cells", "obs", "chans", "samples"};

// The command takes any number of input files and "-o OUT": both are picked out here, and
// the rest goes through the common option parser.
struct TLongTableArguments {
    std::vector<std::string> Inputs;
    std::string Output;
    std::optional<TArguments> Options;
    int Jobs = 1;
};

TLongTableArguments ParseArguments(std::vector<std::string> args)
{
    TLongTableArguments parsed;
    parsed.Jobs = TakeJobs(args);
    std::vector<std::string> options;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o") {
            if (i + 1 >= args.size())
                throw TUsageError{"option -o needs a value"};
            if (haveOutput)
                throw TUsageError{"-o may be given once only"};
            parsed.Output = args[++i];
            haveOutput = true;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            options.push_back(a);
            if (kListOptions.count(a.substr(2)) && i + 1 < args.size())
                options.push_back(args[++i]);
        } else {
            parsed.Inputs.push_back(a);
        }
    }
    parsed.Options.emplace(options, kFlags, kListOptions);
    if (!haveOutput)
        throw TUsageError{"the output file is missing: give it with -o OUT"};
    if (parsed.Inputs.empty())
        throw TUsageError{"no input file given"};
    return parsed;
}

std::optional<TSelectionList> ListOption(const TArguments& a, const std::string& name)
{
    if (!a.Has(name))
        return std::nullopt;
    return ParseSelectionList(a.Value(name));
}

int RunExportLong(const std::vector<std::string>& args)
{
    const TLongTableArguments parsed = ParseArguments(args);
    const TArguments& a = *parsed.Options;
    TLongTableOptions options;
    options.Cells = ListOption(a, "cells");
    options.Observations = ListOption(a, "obs");
    options.Channels = ListOption(a, "chans");
    options.Samples = ListOption(a, "samples");
    const bool openAnyway = a.Has("open-anyway");

    // Every file is checked against its own counts, in parallel, before the output is
    // touched; the rows are then written in the order given while the next files load. A
    // file is loaded twice, and no more than JOBS documents are held at once.
    const std::size_t failed = RunOnFiles(
        "export-long", parsed.Inputs.size(), parsed.Jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
            CheckLongTable(OpenDataFile(parsed.Inputs[i], openAnyway, progress), options);
        });
    if (failed > 0)
        return 1;
    TTerminalProgress progress;
    const bool single = parsed.Inputs.size() == 1 || parsed.Jobs == 1;
    SaveLines(AbsolutePath(parsed.Output), kLongTableLineEnd, [&](TLineSink& sink) {
        sink.Line(kLongTableHeader);
        ForEachDocumentInOrder(
            parsed.Inputs.size(), parsed.Jobs,
            [&](std::size_t i) { return OpenDataFile(parsed.Inputs[i], openAnyway, single ? &progress : nullptr); },
            [&](std::size_t, const TORVAFile& file) { WriteLongTableRows(file, options, sink); });
    });
    return 0;
}

} // namespace

std::vector<TCommand> LongTableCommands()
{
    return {
        {"export-long", "export a selection as a long CSV table (one row per value) for R or pandas",
         "usage: orva export-long FILE... -o OUT.csv [--cells LIST] [--obs LIST] [--chans LIST]\n"
         "                        [--samples LIST] [-j JOBS] [--open-anyway]\n"
         "Writes one CSV row per value with the columns\n"
         "  file,cell,cell_name,observation,channel,sample,time_ms,value_uv\n"
         "under one header row; the rows of several files follow one another in the order given.\n"
         "Numbers count from 1; time_ms is 0 at the first sample of a session file and at the\n"
         "stimulus of an average file; values are calibrated microvolts with two decimals.\n"
         "The separators are always ',' and '.', the text UTF-8 and every line ends with LF.\n"
         "A LIST holds numbers separated by spaces, e.g. \"1 3 5\", read as export-stats reads\n"
         "them (duplicates give repeated rows). A list left out means everything: every cell,\n"
         "and in each cell every observation, channel and sample it has. Each file is checked\n"
         "against its own counts (in parallel, -j JOBS, default the number of cores); a file\n"
         "refused for any reason is named on stderr and OUT is then not touched at all.\n"
         "  --open-anyway  load files whose length does not match their header\n"
         "OUT is replaced only once it is complete.\n",
         RunExportLong},
    };
}

} // namespace orva::cli
