// Subcommand measure: ERP measures (window mean, peak, peak latency) of many data files.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/MeasureExport.h"
#include "export/StatsExport.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

struct TMeasureArguments {
    std::vector<std::string> Inputs;
    std::string Output;
    TMeasureOptions Options;
    bool OpenAnyway = false;
    int Jobs = 1;
};

// A time in ms as typed: '.' as the decimal separator whatever the locale, nothing after.
double ParseTime(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        throw TUsageError{"--window takes two times in ms such as -100 or 250.5, not \"" + text + "\""};
    return value;
}

int ParseNeighbours(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 1)
        throw TUsageError{"--neighbours takes a whole number from 1 up, not \"" + text + "\""};
    return value;
}

// The value after args[i], which it consumes.
const std::string& ValueOf(const std::vector<std::string>& args, std::size_t& i)
{
    if (i + 1 >= args.size())
        throw TUsageError{"option " + args[i] + " needs a value"};
    return args[++i];
}

TMeasureArguments ParseArguments(std::vector<std::string> args)
{
    TMeasureArguments parsed;
    parsed.Jobs = TakeJobs(args);
    bool haveOutput = false;
    bool haveWindow = false;
    TMeasureOptions& o = parsed.Options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o") {
            if (haveOutput)
                throw TUsageError{"-o may be given once only"};
            parsed.Output = ValueOf(args, i);
            haveOutput = true;
        } else if (a == "--window") {
            o.WindowStart = ParseTime(ValueOf(args, i));
            o.WindowEnd = ParseTime(ValueOf(args, i));
            if (o.WindowStart > o.WindowEnd)
                throw TUsageError{"--window: the start comes after the end"};
            haveWindow = true;
        } else if (a == "--measure") {
            const std::string& name = ValueOf(args, i);
            const auto kind = MeasureFromName(name);
            if (!kind)
                throw TUsageError{"unknown measure \"" + name + "\" (mean, peak or peak-latency)"};
            o.Measures.push_back(*kind);
        } else if (a == "--polarity") {
            const std::string& text = ValueOf(args, i);
            if (text != "positive" && text != "negative")
                throw TUsageError{"--polarity is positive or negative, not \"" + text + "\""};
            o.Polarity = text == "positive" ? TPolarity::Positive : TPolarity::Negative;
        } else if (a == "--neighbours") {
            o.Neighbours = ParseNeighbours(ValueOf(args, i));
        } else if (a == "--cells") {
            o.Cells = ParseSelectionList(ValueOf(args, i));
        } else if (a == "--obs") {
            o.Observations = ParseSelectionList(ValueOf(args, i));
        } else if (a == "--chans") {
            o.Channels = ParseSelectionList(ValueOf(args, i));
        } else if (a == "--open-anyway") {
            parsed.OpenAnyway = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw TUsageError{"unknown option " + a};
        } else {
            parsed.Inputs.push_back(a);
        }
    }
    if (!haveOutput)
        throw TUsageError{"the output file is missing: give it with -o OUT"};
    if (!haveWindow)
        throw TUsageError{"the option --window T1 T2 is required"};
    if (o.Measures.empty())
        throw TUsageError{"give at least one --measure (mean, peak or peak-latency)"};
    if (parsed.Inputs.empty())
        throw TUsageError{"no input file given"};
    return parsed;
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

int RunMeasure(const std::vector<std::string>& args)
{
    const TMeasureArguments parsed = ParseArguments(args);
    const std::filesystem::path output = AbsolutePath(parsed.Output);
    for (const auto& input : parsed.Inputs)
        CheckNotInput(AbsolutePath(input), output);
    TMeasuredRows rows(parsed.Inputs.size());
    TTextFileSink sink(output, kMeasureLineEnd);
    sink.Line(kMeasureHeader);
    std::size_t measured = 0;
    const std::size_t failed = RunOnFiles(
        "measure", parsed.Inputs.size(), parsed.Jobs,
        [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
            const TORVAFile file = OpenDataFile(parsed.Inputs[i], parsed.OpenAnyway, progress);
            WriteMeasureRows(file, parsed.Options, rows.For(i));
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
}

} // namespace

std::vector<TCommand> MeasureCommands()
{
    return {
        {"measure", "ERP measures (window mean, peak, peak latency) of many files as one CSV table",
         "usage: orva measure FILE... -o OUT.csv --window T1 T2 --measure M [--measure M2 ...]\n"
         "                    [--polarity positive|negative] [--neighbours N]\n"
         "                    [--cells LIST] [--obs LIST] [--chans LIST] [-j JOBS] [--open-anyway]\n"
         "Writes one CSV row per file, cell, observation, channel and measure with the columns\n"
         "  file,cell,cell_name,observation,channel,measure,window_start_ms,window_end_ms,value,note\n"
         "The window holds every sample whose time lies from T1 to T2 ms inclusive; times count\n"
         "from the stimulus in an average file and from the first sample in a session file.\n"
         "M is one of\n"
         "  mean          the mean of the calibrated values in the window\n"
         "  peak          the largest value (--polarity negative: the smallest), the first on ties\n"
         "  peak-latency  the time of that peak in ms\n"
         "With --neighbours N the peak is the largest local peak: a window sample beyond the mean\n"
         "of the N samples before it and of the N after it (these may lie outside the window).\n"
         "Without one, the simple peak is reported with the note \"no local peak\".\n"
         "Numbers have '.' and three decimals. A LIST is read as export-long reads it; a list\n"
         "left out means everything each cell has. Files are measured in parallel (-j JOBS,\n"
         "default the number of cores) and their rows follow one another in the order given.\n"
         "A file that cannot be measured (unreadable, a number outside its lists, a cell\n"
         "without a sample in the window) is named on stderr and left out; the exit status is\n"
         "then 1. OUT is replaced only once it is complete, and not at all if no file passed.\n",
         RunMeasure},
    };
}

} // namespace orva::cli
