// Subcommands artifacts and reject: the artifact rules over the trials of session files,
// as a summary and a report, and session files without their bad trials.
#include "cli/ArtifactOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/ORVAError.h"
#include "tools/ArtifactReject.h"

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

TRun DeclareArtifacts(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Inputs;
        TRuleArguments Rules;
        std::optional<std::string> Cells, Output;
        int Jobs = 1;
        bool OpenAnyway = false;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Inputs);
    AddRuleOptions(command, a->Rules, false);
    AddSelectionList(command, "--cells", a->Cells);
    AddText(command, "-o", a->Output, kAnyFile, "write the report (one CSV row per trial) to OUT");
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequireInputs(a->Inputs);
        if (!a->Rules.AnyRule())
            throw TUsageError{"give at least one rule: --peak-to-peak, --flat or --absolute"};
        const TArtifactRules rules = RulesOf(a->Rules);
        const std::optional<TSelectionList> cells = ListOption(a->Cells);
        const std::vector<std::string>& inputs = a->Inputs;
        std::optional<TTextFileSink> sink;
        if (a->Output) {
            RequireDistinctNames(inputs);
            const std::filesystem::path output = AbsolutePath(*a->Output);
            for (const auto& input : inputs)
                CheckNotInput(AbsolutePath(input), output);
            sink.emplace(output, kArtifactReportLineEnd);
            sink->Line(kArtifactReportHeader);
        }
        std::vector<TLineCollector> rows(inputs.size());
        std::size_t reported = 0;
        const std::size_t failed = RunOnFiles(
            "artifacts", inputs.size(), a->Jobs,
            [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                const TORVAFile file = OpenDataFile(inputs[i], a->OpenAnyway, progress);
                const std::vector<TCellFlags> flags = DetectArtifacts(file, rules, ChosenCells(file, cells));
                r.Out = SummaryBlock(file, ArtifactSummary(file, flags, RulesInUse(rules)));
                if (sink)
                    WriteArtifactRows(file, flags, rows[i]);
            },
            [&](std::size_t i, TFileResult& r) {
                if (r.Failed || !sink)
                    return;
                for (const auto& row : rows[i].Lines)
                    sink->Line(row);
                rows[i].Lines = {};
                ++reported;
            });
        // The report holds the files that passed; with none, the output is left untouched.
        if (sink && reported > 0)
            sink->Commit();
        return failed > 0 ? 1 : 0;
    };
}

TRun DeclareReject(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Inputs;
        TRuleArguments Rules;
        std::optional<std::string> Output, OutDir;
        int Jobs = 1;
        bool OpenAnyway = false;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Inputs);
    CLI::Option* output = AddText(command, "-o", a->Output, kAnyFile, "the output of the one FILE");
    AddOutDir(command, a->OutDir)->excludes(output);
    AddRuleOptions(command, a->Rules, true);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequireInputs(a->Inputs);
        if (!a->Output && !a->OutDir)
            throw TUsageError{"give the output: -o OUT for one input or --out-dir DIR"};
        if (a->Output && a->Inputs.size() != 1)
            throw TUsageError{"-o OUT takes one input; give --out-dir DIR for " + std::to_string(a->Inputs.size())};
        const TTrialVerdicts verdicts(a->Rules, a->Inputs);
        const std::vector<std::filesystem::path> outputs =
            a->OutDir ? OutputsInFolder(a->Inputs, *a->OutDir)
                      : std::vector<std::filesystem::path>{AbsolutePath(*a->Output)};
        const std::size_t failed = RunOnFiles(
            "reject", a->Inputs.size(), a->Jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                CheckNotInput(AbsolutePath(a->Inputs[i]), outputs[i]);
                const TORVAFile file = OpenDataFile(a->Inputs[i], a->OpenAnyway, progress);
                const std::vector<TCellFlags> flags = verdicts.Flags(file);
                TORVAFile cleaned = RejectTrials(file, ExclusionsOf(file, flags));
                cleaned.SaveToFile(outputs[i], progress);
                r.Out = verdicts.Summary(file, flags);
            });
        return failed > 0 ? 1 : 0;
    };
}

#define ORVA_RULES_TEXT                                                                                    \
    "The rules test the calibrated values (microvolts) of every trial on every channel in\n"             \
    "--chans (all by default) less --bad-channels, over the samples from T1 to T2 ms\n"                   \
    "(--window, inclusive, times as in measure; all samples by default):\n"                               \
    "  --peak-to-peak UV  max - min in one window above UV; the window is the whole test\n"               \
    "                     window, or with --moving-window W S every window of W ms that\n"                \
    "                     starts at the test window's first sample and moves by S ms\n"                  \
    "  --flat UV          max - min over the test window below UV\n"                                      \
    "  --absolute UV      a value beyond UV in magnitude\n"                                               \
    "A trial is bad when any rule flags it on any tested channel. Thresholds are positive\n"              \
    "numbers with '.' as the decimal point. Average files are refused: their observations\n"              \
    "are subjects, not trials.\n"

} // namespace

std::vector<TCommand> ArtifactCommands()
{
    return {
        {"artifacts", "find trials with artifacts (peak-to-peak, flat, absolute) and report them",
         "usage: orva artifacts FILE.ses... [--peak-to-peak UV [--moving-window W S]] [--flat UV]\n"
         "                      [--absolute UV] [--window T1 T2] [--chans LIST] [--bad-channels LIST]\n"
         "                      [--cells LIST] [-o REPORT.csv] [-j JOBS] [--open-anyway]\n",
         "Prints for each FILE one line per cell: its number and name, its trials, how many are\n"
         "bad and their share, and how many trials each rule flagged; then the file's total.\n" ORVA_RULES_TEXT
         "With -o the report is written: one CSV table for every FILE (UTF-8, LF line ends) with\n"
         "  file,cell,cell_name,observation,status,rules,channels\n"
         "one row per trial of the cells in --cells (all by default). status is good or bad;\n"
         "rules and channels (from 1) say what flagged a bad trial. Change a status by hand to\n"
         "overrule the rules and give the report to reject or average with --reject-list.\n"
         "Files are tested in parallel (-j JOBS, default the number of cores); a file that\n"
         "cannot be tested is named on stderr and left out, and the exit status is then 1.\n",
         DeclareArtifacts},
        {"reject", "write session files without their bad trials",
         "usage: orva reject FILE.ses... (-o OUT.ses | --out-dir DIR)\n"
         "                   (RULES | --reject-list REPORT.csv) [-j JOBS] [--open-anyway]\n",
         "Writes each FILE without the trials that the rules flag, or that the report marks bad\n"
         "in the rows of the FILE's name (rows of other files are ignored; a trial without a row\n"
         "is kept). The trial specifics of a rejected trial leave with it; a cell may be left\n"
         "with no trial. Header, calibration and the kept trials are written unchanged, and the\n"
         "summary of artifacts is printed.\n" ORVA_RULES_TEXT
         "With -o OUT one FILE is written to OUT; with --out-dir DIR every FILE is written to DIR\n"
         "under its own name, in parallel (-j JOBS). A file that cannot be done is named on\n"
         "stderr and the others go on; the exit status is then 1.\n",
         DeclareReject},
    };
}

} // namespace orva::cli
