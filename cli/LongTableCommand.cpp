// Subcommand export-long: the long table of one or more data files.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/LongTableExport.h"
#include "select/Selection.h"

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

TRun DeclareExportLong(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Inputs;
        std::string Output;
        std::optional<std::string> Cells, Obs, Chans, Samples;
        int Jobs = 1;
        bool OpenAnyway = false;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Inputs);
    AddOutputFile(command, a->Output);
    AddSelectionList(command, "--cells", a->Cells);
    AddSelectionList(command, "--obs", a->Obs);
    AddSelectionList(command, "--chans", a->Chans);
    AddSelectionList(command, "--samples", a->Samples);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequireInputs(a->Inputs);
        TLongTableOptions options;
        options.Cells = ListOption(a->Cells);
        options.Observations = ListOption(a->Obs);
        options.Channels = ListOption(a->Chans);
        options.Samples = ListOption(a->Samples);
        const std::vector<std::string>& inputs = a->Inputs;

        // Every file is checked against its own counts, in parallel, before the output is
        // touched; the rows are then written in the order given while the next files load. A
        // file is loaded twice, and no more than JOBS documents are held at once.
        const std::size_t failed = RunOnFiles(
            "export-long", inputs.size(), a->Jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
                CheckLongTable(OpenDataFile(inputs[i], a->OpenAnyway, progress), options);
            });
        if (failed > 0)
            return 1;
        TTerminalProgress progress;
        const bool single = inputs.size() == 1 || a->Jobs == 1;
        SaveLines(AbsolutePath(a->Output), kLongTableLineEnd, [&](TLineSink& sink) {
            sink.Line(kLongTableHeader);
            ForEachDocumentInOrder(
                inputs.size(), a->Jobs,
                [&](std::size_t i) { return OpenDataFile(inputs[i], a->OpenAnyway, single ? &progress : nullptr); },
                [&](std::size_t, const TORVAFile& file) { WriteLongTableRows(file, options, sink); });
        });
        return 0;
    };
}

} // namespace

std::vector<TCommand> LongTableCommands()
{
    return {
        {"export-long", "export a selection as a long CSV table (one row per value) for R or pandas",
         "usage: orva export-long FILE... -o OUT.csv [--cells LIST] [--obs LIST] [--chans LIST]\n"
         "                        [--samples LIST] [-j JOBS] [--open-anyway]\n",
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
         "OUT is replaced only once it is complete.\n",
         DeclareExportLong},
    };
}

} // namespace orva::cli
