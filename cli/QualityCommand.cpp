// Subcommand quality: the standardized measurement error of the averages of session files,
// over the trials that average keeps with the same options, as one CSV table.
#include "cli/ArtifactOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "model/PathText.h"
#include "tools/DataQualityTable.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <climits>
#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

struct TQualityArguments {
    std::vector<std::string> Inputs;
    std::string Output;
    std::vector<std::string> Windows;
    std::vector<std::string> Measures;
    std::optional<std::string> Cells, Chans, Obs, Seed, Polarity, Fraction, Area;
    std::optional<int> BaselineMs, Bootstrap, Neighbours;
    bool Onset = false, Offset = false;
    TRuleArguments Rules;
    bool OpenAnyway = false;
    int Jobs = 1;
};

std::optional<std::uint64_t> SeedNumber(const std::string& text)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

TQualityOptions QualityOptions(const TQualityArguments& a)
{
    TQualityOptions o;
    for (std::size_t i = 0; i + 1 < a.Windows.size(); i += 2) {
        const TQualityWindow w{*ParseTime(a.Windows[i]), *ParseTime(a.Windows[i + 1])};
        if (w.Start > w.End)
            throw TUsageError{"--window: the start comes after the end"};
        o.Windows.push_back(w);
    }
    o.Average.Observations = ListOption(a.Obs);
    if (a.BaselineMs)
        o.Average.BaselineMs = *a.BaselineMs;
    o.Cells = ListOption(a.Cells);
    o.Channels = ListOption(a.Chans);
    if (a.Bootstrap.has_value() != !a.Measures.empty())
        throw TUsageError{"--bootstrap N and --measure M go together"};
    if (a.Bootstrap)
        o.Bootstrap = *a.Bootstrap;
    if (a.Seed)
        o.Seed = *SeedNumber(*a.Seed);
    for (const auto& name : a.Measures) {
        const TMeasureKind m = *MeasureFromName(name);
        if (std::find(o.Measures.begin(), o.Measures.end(), m) == o.Measures.end())
            o.Measures.push_back(m);
    }
    if (a.Polarity)
        o.Settings.Polarity = *a.Polarity == "positive" ? TPolarity::Positive : TPolarity::Negative;
    if (a.Neighbours)
        o.Settings.Neighbours = *a.Neighbours;
    if (a.Fraction)
        o.Settings.Fraction = *ParseTime(*a.Fraction);
    if (a.Area)
        o.Settings.Area = AreaKindFromName(*a.Area);
    o.Settings.Offset = a.Offset;
    return o;
}

void Declare(CLI::App* command, TQualityArguments& a)
{
    AddInputFiles(command, a.Inputs);
    AddOutputFile(command, a.Output);
    AddTimeWindow(command, a.Windows, "a window from T1 to T2 ms, inclusive; give it once per window "
                                      "(default: every 100 ms window from 0 ms inside the epoch)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddRuleOptions(command, a.Rules, true, {"--test-window", "--test-chans"});
    AddSelectionList(command, "--cells", a.Cells);
    AddSelectionList(command, "--chans", a.Chans);
    AddSelectionList(command, "--obs", a.Obs);
    AddWholeNumber(command, "--baseline-ms", a.BaselineMs, -32768, 32767, "MS",
                   "0 ms lies MS after the first sample, as in average (default 0)");
    AddWholeNumber(command, "--bootstrap", a.Bootstrap, 2, INT_MAX, "N", "bootstrap SME of each --measure from N averages");
    AddText(command, "--seed", a.Seed, "S", "the bootstrap's seed (default 1)", [](const std::string& text) {
        return SeedNumber(text) ? std::string() : "needs a whole number from 0 to 2^64 - 1, not \"" + text + "\"";
    });
    command->add_option("--measure", a.Measures, MeasureNamesText() + ", as measure takes them; once per measure")
        ->type_name("M")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(CLI::Validator(
            [](std::string& text) {
                return MeasureFromName(text) ? std::string() : "is " + MeasureNamesText() + ", not \"" + text + "\"";
            },
            ""));
    AddChoice(command, "--polarity", a.Polarity, {"positive", "negative"},
              "the peak's sign (default positive: the largest value)");
    AddWholeNumber(command, "--neighbours", a.Neighbours, 1, INT_MAX, "N",
                   "the largest local peak, beyond the mean of N samples on either side");
    AddText(command, "--fraction", a.Fraction, "F", "the fraction of the fractional latencies (0 to 1, default 0.5)",
            [](const std::string& text) {
                const auto value = ParseTime(text);
                return value && *value >= 0 && *value <= 1 ? std::string()
                                                           : "needs a number from 0 to 1, not \"" + text + "\"";
            });
    AddChoice(command, "--area", a.Area, {"positive", "negative", "rectified", "integral"},
              "the area of fractional-area-latency (default: that of --polarity)");
    auto* onset = AddFlag(command, "--onset", a.Onset, "fractional-peak-latency looks before the peak (the default)");
    AddFlag(command, "--offset", a.Offset, "fractional-peak-latency looks after the peak")->excludes(onset);
    AddJobs(command, a.Jobs);
    AddOpenAnyway(command, a.OpenAnyway);
}

TRun DeclareQuality(CLI::App* command)
{
    auto a = std::make_shared<TQualityArguments>();
    Declare(command, *a);
    return [a] {
        const TQualityOptions options = QualityOptions(*a);
        RequireInputs(a->Inputs);
        std::optional<TTrialVerdicts> verdicts;
        if (a->Rules.AnyRule() || a->Rules.RejectList)
            verdicts.emplace(a->Rules, a->Inputs);
        else if (!a->Rules.Moving.empty() || !a->Rules.Window.empty() || a->Rules.Chans || a->Rules.BadChannels)
            throw TUsageError{"--moving-window, --test-window, --test-chans and --bad-channels go with a rule"};
        const std::vector<std::string>& inputs = a->Inputs;
        const std::filesystem::path output = AbsolutePath(a->Output);
        for (const auto& input : inputs)
            CheckNotInput(AbsolutePath(input), output);
        std::vector<TLineCollector> rows(inputs.size());
        std::vector<std::vector<std::string>> cellNames(inputs.size());
        std::vector<TQualityTable> tables(inputs.size());
        TTextFileSink sink(output, kQualityLineEnd);
        sink.Line(QualityHeader(options.Measures));
        TSmeOverFiles overFiles;
        std::size_t measured = 0;
        const std::size_t failed = RunOnFiles(
            "quality", inputs.size(), a->Jobs,
            [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                const TORVAFile file = OpenDataFile(inputs[i], a->OpenAnyway, progress);
                TQualityOptions mine = options;
                // The average file is refused before the rules look at its "trials".
                if (verdicts) {
                    CheckQuality(file, mine);
                    mine.Average.Excluded = ExclusionsOf(file, verdicts->Flags(file));
                }
                tables[i] = MeasureQuality(file, mine);
                WriteQualityRows(file, tables[i], rows[i]);
                r.Out = PathText(file.FullFileName) + ":\n" + QualitySummary(file, tables[i]);
                for (const auto& note : tables[i].Notes)
                    r.Err += "orva quality: note: " + note + "\n";
                for (const TORVACell& cell : file.Cells)
                    cellNames[i].push_back(cell.Name);
            },
            [&](std::size_t i, TFileResult& result) {
                if (result.Failed)
                    return;
                for (const auto& row : rows[i].Lines)
                    sink.Line(row);
                rows[i].Lines = {};
                overFiles.Add(cellNames[i], tables[i]);
                tables[i] = {};
                ++measured;
            });
        if (measured > 1)
            std::cout << overFiles.Summary();
        // The table holds the files that passed; with none, the output is left untouched.
        if (measured > 0)
            sink.Commit();
        return failed > 0 ? 1 : 0;
    };
}

} // namespace

std::vector<TCommand> QualityCommands()
{
    return {
        {"quality", "data quality: the standardized measurement error of the averages, as one CSV table",
         "usage: orva quality FILE.ses... -o OUT.csv [--window T1 T2]... [--cells LIST] [--chans LIST]\n"
         "                    [--obs LIST] [--baseline-ms MS] [RULES | --reject-list REPORT.csv]\n"
         "                    [--bootstrap N --measure M [--measure M2 ...] [--seed S]\n"
         "                     [--polarity positive|negative] [--neighbours N] [--fraction F]\n"
         "                     [--area KIND] [--onset | --offset]] [-j JOBS] [--open-anyway]\n",
         "Writes one CSV row per file, cell, window and channel with the columns\n"
         "  file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd\n"
         "and bsme_M for each --measure M, over exactly the trials that average keeps with the\n"
         "same --obs, --baseline-ms and rules (or report). The rules' own test window and\n"
         "channels are --test-window and --test-chans here (average's --window and --chans).\n"
         "  asme         the analytic SME of the mean amplitude: the sd (n - 1) of the trials'\n"
         "               means in the window, divided by the square root of their number n\n"
         "  baseline_sd  the sd (n - 1) over the samples before 0 ms of the average of the\n"
         "               trials (empty with fewer than two such samples)\n"
         "  bsme_M       the sd (n - 1) of measure M over N bootstrap averages, each of n trials\n"
         "               drawn with replacement (the same for a seed S on every platform and\n"
         "               with any -j); M and its options as measure takes them; an average\n"
         "               without a value (no area, no crossing) is left out of the sd\n"
         "Windows take the samples from T1 to T2 ms inclusive, times as measure gives them in\n"
         "the average file: 0 ms lies MS (--baseline-ms) after the first sample. Without\n"
         "--window: the 100 ms windows from 0 ms outward (..., -100 to 0, 0 to 100, ...) that lie\n"
         "wholly inside the epoch. Values have '.' and four decimals. A cell with fewer than two\n"
         "trials gets empty SME fields and a note on stderr; average files are refused. The\n"
         "output lists per file and cell the trials and the median and largest aSME over the\n"
         "channels of each window; for several files, the root mean square of the aSME over\n"
         "the files. OUT is replaced only once it is complete, and not at all if no file passed.\n",
         DeclareQuality},
    };
}

} // namespace orva::cli
