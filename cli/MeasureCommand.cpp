// Subcommand measure: ERP measures (window mean, peaks, areas, fractional latencies, on
// each subject or by the jackknife) of many data files.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/MeasureExport.h"
#include "select/Selection.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

struct TMeasureArguments {
    std::vector<std::string> Inputs;
    std::string Output;
    std::vector<std::string> Window;
    std::vector<std::string> Measures;
    std::optional<std::string> Polarity, Cells, Obs, Chans, Fraction, Area;
    std::optional<int> Neighbours;
    bool Onset = false, Offset = false, Jackknife = false;
    bool OpenAnyway = false;
    int Jobs = 1;
};

// The options as the core takes them; the window's order is checked here.
TMeasureOptions MeasureOptions(const TMeasureArguments& a)
{
    TMeasureOptions o;
    o.WindowStart = *ParseTime(a.Window[0]);
    o.WindowEnd = *ParseTime(a.Window[1]);
    if (o.WindowStart > o.WindowEnd)
        throw TUsageError{"--window: the start comes after the end"};
    for (const auto& name : a.Measures)
        o.Measures.push_back(*MeasureFromName(name));
    if (a.Polarity)
        o.Polarity = *a.Polarity == "positive" ? TPolarity::Positive : TPolarity::Negative;
    if (a.Neighbours)
        o.Neighbours = *a.Neighbours;
    if (a.Fraction)
        o.Fraction = *ParseTime(*a.Fraction);
    if (a.Area)
        o.Area = AreaKindFromName(*a.Area);
    o.Offset = a.Offset;
    o.Jackknife = a.Jackknife;
    o.Cells = ListOption(a.Cells);
    o.Observations = ListOption(a.Obs);
    o.Channels = ListOption(a.Chans);
    return o;
}

// The rows of one file, kept until the file's turn in the output comes.
class TMeasuredRows {
public:
    explicit TMeasuredRows(std::size_t files) : rows_(files) {}
    TLineCollector& For(std::size_t i) { return rows_[i]; }
    std::vector<std::string> Take(std::size_t i) { return std::move(rows_[i].Lines); }

private:
    std::vector<TLineCollector> rows_;
};

TRun DeclareMeasure(CLI::App* command)
{
    auto a = std::make_shared<TMeasureArguments>();
    AddInputFiles(command, a->Inputs);
    AddOutputFile(command, a->Output);
    AddTimeWindow(command, a->Window, "the window from T1 to T2 ms, inclusive (e.g. -100 or 250.5)")
        ->required()
        ->option_text("T1 T2 REQUIRED");
    command->add_option("--measure", a->Measures, MeasureNamesText() + "; give it once per measure")
        ->type_name("M")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                return MeasureFromName(text) ? std::string() : "is " + MeasureNamesText() + ", not \"" + text + "\"";
            },
            ""));
    AddChoice(command, "--polarity", a->Polarity, {"positive", "negative"},
              "the peak's sign (default positive: the largest value)");
    AddWholeNumber(command, "--neighbours", a->Neighbours, 1, INT_MAX, "N",
                   "find the largest local peak, beyond the mean of N samples on either side");
    AddText(command, "--fraction", a->Fraction, "F",
            "the fraction of the area or of the peak for the fractional latencies (0 to 1, default 0.5)",
            [](const std::string& text) {
                const auto value = ParseTime(text);
                return value && *value >= 0 && *value <= 1 ? std::string()
                                                           : "needs a number from 0 to 1, not \"" + text + "\"";
            });
    AddChoice(command, "--area", a->Area, {"positive", "negative", "rectified", "integral"},
              "the area of fractional-area-latency (default: that of --polarity)");
    auto* onset = AddFlag(command, "--onset", a->Onset,
                          "fractional-peak-latency looks before the peak (the default)");
    AddFlag(command, "--offset", a->Offset, "fractional-peak-latency looks after the peak")->excludes(onset);
    AddFlag(command, "--jackknife", a->Jackknife,
            "score each subject of an average file on the mean of the others, then retrieve the score");
    AddSelectionList(command, "--cells", a->Cells);
    AddSelectionList(command, "--obs", a->Obs);
    AddSelectionList(command, "--chans", a->Chans);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        const TMeasureOptions options = MeasureOptions(*a);
        RequireInputs(a->Inputs);
        const std::vector<std::string>& inputs = a->Inputs;
        const std::filesystem::path output = AbsolutePath(a->Output);
        for (const auto& input : inputs)
            CheckNotInput(AbsolutePath(input), output);
        TMeasuredRows rows(inputs.size());
        TTextFileSink sink(output, kMeasureLineEnd);
        sink.Line(kMeasureHeader);
        std::size_t measured = 0;
        const std::size_t failed = RunOnFiles(
            "measure", inputs.size(), a->Jobs,
            [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
                const TORVAFile file = OpenDataFile(inputs[i], a->OpenAnyway, progress);
                WriteMeasureRows(file, options, rows.For(i));
            },
            [&](std::size_t i, TFileResult& result) {
                if (result.Failed)
                    return;
                for (const auto& row : rows.Take(i))
                    sink.Line(row);
                ++measured;
            });
        // The table holds the files that passed; with none, the output is left untouched.
        if (measured > 0)
            sink.Commit();
        return failed > 0 ? 1 : 0;
    };
}

} // namespace

std::vector<TCommand> MeasureCommands()
{
    return {
        {"measure", "ERP measures (means, peaks, areas, fractional latencies) of many files as one CSV table",
         "usage: orva measure FILE... -o OUT.csv --window T1 T2 --measure M [--measure M2 ...]\n"
         "                    [--polarity positive|negative] [--neighbours N] [--fraction F]\n"
         "                    [--area positive|negative|rectified|integral] [--onset|--offset]\n"
         "                    [--jackknife]\n"
         "                    [--cells LIST] [--obs LIST] [--chans LIST] [-j JOBS] [--open-anyway]\n",
         "Writes one CSV row per file, cell, observation, channel and measure with the columns\n"
         "  file,cell,cell_name,observation,channel,measure,window_start_ms,window_end_ms,value,note\n"
         "The window holds every sample whose time lies from T1 to T2 ms inclusive; times count\n"
         "from the stimulus in an average file and from the first sample in a session file.\n"
         "M is one of\n"
         "  mean          the mean of the calibrated values in the window\n"
         "  peak          the largest value (--polarity negative: the smallest), the first on ties\n"
         "  peak-latency  the time of that peak in ms\n"
         "  area, positive-area, negative-area, integral\n"
         "                the area in uV x ms (trapezoid rule over the window's samples) of |x|,\n"
         "                of x where positive, of -x where negative, and of x with its sign\n"
         "  fractional-area-latency\n"
         "                the first sample at which the area from the window's start reaches F\n"
         "                (--fraction, default 0.5) of the window's area, of the kind --area\n"
         "                (default positive, or negative with --polarity negative); empty with\n"
         "                the note \"no area\" when that area is 0\n"
         "  fractional-peak-latency\n"
         "                the nearest sample before the peak (--offset: after it) in the window\n"
         "                at or below F x the peak (a negative peak: at or above); empty with the\n"
         "                note \"no crossing\" when there is none\n"
         "Latencies are sample times: nothing is interpolated between samples.\n"
         "With --neighbours N the peak is the largest local peak: a window sample beyond the mean\n"
         "of the N samples before it and of the N after it (these may lie outside the window).\n"
         "Without one, the simple peak is reported with the note \"no local peak\".\n"
         "--jackknife (average files, cells of 3 or more listed subjects): subject i's row holds\n"
         "n x mean(J) - (n - 1) x J_i, J_i the measure of the mean of the other subjects, with\n"
         "the note \"jackknife\"; ordinary statistics on these scores need no correction.\n"
         "Numbers have '.' and three decimals. A LIST is read as export-long reads it; a list\n"
         "left out means everything each cell has. Files are measured in parallel (-j JOBS,\n"
         "default the number of cores) and their rows follow one another in the order given.\n"
         "A file that cannot be measured (unreadable, a number outside its lists, a cell\n"
         "without a sample in the window) is named on stderr and left out; the exit status is\n"
         "then 1. OUT is replaced only once it is complete, and not at all if no file passed.\n",
         DeclareMeasure},
    };
}

} // namespace orva::cli
