// Subcommands of the ERP operations: average, combine, grand-average, baseline, difference,
// rereference. Each reads its arguments and hands the documents to the core (tools/Erp*).
#include "cli/ArtifactOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ErpOutputs.h"
#include "model/ORVAError.h"
#include "select/Selection.h"
#include "tools/ErpAverage.h"
#include "tools/ErpCombine.h"
#include "tools/ErpTraces.h"
#include "tools/FilterTexts.h"

#include <functional>
#include <memory>
#include <iostream>
#include <optional>
#include <set>

namespace orva::cli {

namespace {

TRun DeclareAverage(CLI::App* command)
{
    struct TArgs : TErpArguments {
        std::optional<std::string> Obs;
        std::optional<int> BaselineMs;
        TRuleArguments Rules;
    };
    auto a = DeclareEachInput<TArgs>(command);
    AddSelectionList(command, "--obs", a->Obs);
    AddWholeNumber(command, "--baseline-ms", a->BaselineMs, -32768, 32767, "MS",
                   "the baseline (BaselineDuration) of the average file in ms (default 0)");
    AddRuleOptions(command, a->Rules, true);
    return [a] {
        TAverageOptions options;
        options.Observations = ListOption(a->Obs);
        if (a->BaselineMs)
            options.BaselineMs = *a->BaselineMs;
        std::optional<TTrialVerdicts> verdicts;
        if (a->Rules.AnyRule() || a->Rules.RejectList)
            verdicts.emplace(a->Rules, a->Inputs);
        else if (!a->Rules.Moving.empty() || !a->Rules.Window.empty() || a->Rules.Chans || a->Rules.BadChannels)
            throw TUsageError{"--moving-window, --window, --chans and --bad-channels go with a rule"};
        return ForEachInput("average", *a, ".ave", [&](TORVAFile file, TFileResult& r) {
            if (!verdicts)
                return AverageSession(file, options);
            // Checked before the rules look at the trials; an average file has none.
            RequireTrials(file, "average");
            const std::vector<TCellFlags> flags = verdicts->Flags(file);
            TAverageOptions without = options;
            without.Excluded = ExclusionsOf(file, flags);
            r.Out = verdicts->Summary(file, flags);
            return AverageSession(file, without);
        });
    };
}

TRun DeclareCombine(CLI::App* command)
{
    auto a = DeclareAllInputs(command);
    return [a] { return FromAllInputs("combine", *a, [](const auto& inputs) { return CombineAverages(inputs); }); };
}

TRun DeclareGrandAverage(CLI::App* command)
{
    auto a = DeclareAllInputs(command);
    auto weighted = std::make_shared<bool>(false);
    AddFlag(command, "--weighted", *weighted, "weigh each subject by its number of trials (trial specifics word 0)");
    return [a, weighted] {
        return FromAllInputs("grand-average", *a,
                             [&](const auto& inputs) { return GrandAverage(inputs, *weighted); });
    };
}

TRun DeclareBaseline(CLI::App* command)
{
    struct TArgs : TErpArguments {
        std::vector<std::string> Window;
    };
    auto a = DeclareEachInput<TArgs>(command);
    AddTimeWindow(command, a->Window, "the baseline from A to B ms, inclusive (default: before 0 ms of an average file)")
        ->option_text("A B");
    return [a] {
        TBaselineOptions options;
        if (!a->Window.empty()) {
            options.Start = *ParseTime(a->Window[0]);
            options.End = *ParseTime(a->Window[1]);
            if (*options.Start > *options.End)
                throw TUsageError{"--window: the start comes after the end"};
        }
        return ForEachInput("baseline", *a, "",
                            [&](TORVAFile file, TFileResult&) { return CorrectBaseline(std::move(file), options); });
    };
}

TRun DeclareDifference(CLI::App* command)
{
    struct TArgs : TErpArguments {
        std::vector<int> Cells;
        std::optional<std::string> Name;
    };
    auto a = DeclareEachInput<TArgs>(command);
    command->add_option("--cells", a->Cells, "the cells A and B (from 1): the new cell holds A minus B")
        ->type_name("CELL")
        ->option_text("A B REQUIRED")
        ->expected(2)
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                const std::optional<int> n = WholeNumber(text);
                return n && *n >= 1 ? std::string() : "needs two cell numbers from 1, not \"" + text + "\"";
            },
            ""));
    AddText(command, "--name", a->Name, "TEXT", "the new cell's name (default: A's name-B's name, at most 80 bytes)");
    return [a] {
        TDifferenceOptions options;
        options.CellA = a->Cells[0] - 1;
        options.CellB = a->Cells[1] - 1;
        if (a->Name)
            options.Name = *a->Name;
        return ForEachInput("difference", *a, "", [&](TORVAFile file, TFileResult&) { return DifferenceWave(file, options); });
    };
}

TRun DeclareRereference(CLI::App* command)
{
    struct TArgs : TErpArguments {
        std::optional<std::string> Exclude;
    };
    auto a = DeclareEachInput<TArgs>(command);
    AddSelectionList(command, "--exclude", a->Exclude);
    return [a] {
        const TSelectionList excluded = a->Exclude ? ParseSelectionList(*a->Exclude) : TSelectionList{};
        return ForEachInput("rereference", *a, "",
                            [&](TORVAFile file, TFileResult&) { return AverageReference(std::move(file), excluded); });
    };
}

} // namespace

std::vector<TCommand> ErpCommands()
{
    return {
        {"average", "average the trials of session files into average files",
         "usage: orva average FILE.ses... (-o OUT.ave | --out-dir DIR) [--obs LIST]\n"
         "                    [--baseline-ms MS] [RULES | --reject-list REPORT.csv] [-j JOBS] [--open-anyway]\n",
         "Writes the average file of each session file: its cells in order, each with one\n"
         "observation, the mean over the observations in LIST (all by default; numbers from 1,\n"
         "as in the exports, applied to every cell). Trial specifics word 0 is the number of\n"
         "observations averaged; the baseline (BaselineDuration) is MS, 0 by default.\n"
         "With --out-dir the output is named after its input with the extension .ave.\n"
         "With the rules of artifacts (--peak-to-peak, --flat, --absolute, ...) or a report of\n"
         "artifacts (--reject-list), the bad trials among those in LIST are left out, word 0 is\n"
         "the number kept, and the summary of artifacts is printed; a cell left with no trial\n"
         "is refused.\n" ORVA_ERP_OUTPUTS,
         DeclareAverage},
        {"combine", "put the subjects of several average files into one",
         "usage: orva combine FILE.ave... -o OUT.ave [-j JOBS] [--open-anyway]\n",
         "Writes one average file whose cells hold the subjects of every FILE, in the order\n"
         "given, each with its own trial specifics. Cells are matched by name in the first\n"
         "file's order; every FILE needs the same cell names, channels, samples, rate and\n"
         "baseline. Nothing is written when a FILE cannot be read or does not match.\n",
         DeclareCombine},
        {"grand-average", "average the subjects of average files",
         "usage: orva grand-average FILE.ave... -o OUT.ave [--weighted] [-j JOBS] [--open-anyway]\n",
         "Writes one average file with one observation per cell: the mean over every subject\n"
         "of every FILE (matched as combine matches them). With --weighted each subject counts\n"
         "by its number of trials (trial specifics word 0, which must be 1 or more). Word 0 of\n"
         "the result is the sum of the subjects' trials, at most 32767.\n",
         DeclareGrandAverage},
        {"baseline", "subtract each trace's mean over a baseline window",
         "usage: orva baseline FILE... (-o OUT | --out-dir DIR) [--window A B] [-j JOBS] [--open-anyway]\n",
         "Subtracts from every trace the mean of its samples from A to B ms (inclusive; times\n"
         "as in export-long). Without --window: every sample before 0 ms of an average file;\n"
         "a session file needs --window. Session values beyond a 16-bit sample are clamped\n"
         "and counted on stderr.\n" ORVA_ERP_OUTPUTS,
         DeclareBaseline},
        {"difference", "append a difference wave (cell A minus cell B)",
         "usage: orva difference FILE.ave... (-o OUT | --out-dir DIR) --cells A B [--name TEXT]\n"
         "                       [-j JOBS] [--open-anyway]\n",
         "Appends a cell holding cell A minus cell B (from 1), subject by subject, named TEXT\n"
         "or \"<name of A>-<name of B>\" (at most 80 bytes), numbered one above the largest\n"
         "cell number. Session files are refused: average them first.\n" ORVA_ERP_OUTPUTS,
         DeclareDifference},
        {"rereference", "re-reference every sample to the average of the channels",
         "usage: orva rereference FILE... (-o OUT | --out-dir DIR) [--exclude LIST] [-j JOBS] [--open-anyway]\n",
         "Average reference: at each observation and sample every channel less the mean of\n"
         "the channels not in LIST (numbers from 1); excluded channels are re-referenced too.\n" ORVA_ERP_OUTPUTS,
         DeclareRereference},
    };
}

} // namespace orva::cli
