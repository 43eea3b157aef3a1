// Subcommands of the ERP operations: average, combine, grand-average, baseline, difference,
// rereference. Each reads its arguments and hands the documents to the core (tools/Erp*).
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/StatsExport.h"
#include "model/ORVAError.h"
#include "tools/ErpAverage.h"
#include "tools/ErpCombine.h"
#include "tools/ErpTraces.h"
#include "tools/FilterTexts.h"

#include <charconv>
#include <functional>
#include <iostream>
#include <type_traits>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace orva::cli {

namespace {

struct TErpArguments {
    std::vector<std::string> Inputs;
    std::optional<std::string> Output; // -o
    std::optional<std::string> OutDir; // --out-dir
    std::map<std::string, std::vector<std::string>> Values;
    std::set<std::string> Flags;
    int Jobs = 1;
};

// options: name (without "--") and how many values follow it; flags take none.
TErpArguments Parse(std::vector<std::string> args, const std::map<std::string, int>& options,
                    const std::set<std::string>& flags)
{
    TErpArguments a;
    a.Jobs = TakeJobs(args);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto take = [&](const std::string& name, int count) {
            std::vector<std::string> values;
            for (int k = 0; k < count; ++k) {
                if (i + 1 >= args.size())
                    throw TUsageError{"option " + name + " needs " + std::to_string(count) + " value" +
                                      (count == 1 ? "" : "s")};
                values.push_back(args[++i]);
            }
            return values;
        };
        if (arg == "-o" || arg == "--out-dir") {
            std::optional<std::string>& target = arg == "-o" ? a.Output : a.OutDir;
            if (target)
                throw TUsageError{arg + " may be given once only"};
            target = take(arg, 1)[0];
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::string name = arg.substr(2);
            if (flags.count(name)) {
                a.Flags.insert(name);
            } else if (auto it = options.find(name); it != options.end()) {
                if (a.Values.count(name))
                    throw TUsageError{arg + " may be given once only"};
                a.Values[name] = take(arg, it->second);
            } else {
                throw TUsageError{"unknown option " + arg};
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw TUsageError{"unknown option " + arg};
        } else {
            a.Inputs.push_back(arg);
        }
    }
    if (a.Inputs.empty())
        throw TUsageError{"no input file given"};
    if (a.Output && a.OutDir)
        throw TUsageError{"-o and --out-dir exclude each other"};
    return a;
}

template <class T> T ParseNumber(const std::string& option, const std::string& text, const char* form)
{
    T value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        throw TUsageError{option + " takes " + form + ", not \"" + text + "\""};
    if constexpr (std::is_floating_point_v<T>)
        if (!std::isfinite(value))
            throw TUsageError{option + " takes " + form + ", not \"" + text + "\""};
    return value;
}

std::string Reported(const std::string& command, bool named, const std::string& path, const std::string& text)
{
    return "orva " + command + ": " + (named ? path + ": " : "") + text + "\n";
}

// What the user is told about a result: values clamped, notes.
void Report(const std::string& command, bool named, const std::string& path, const TErpResult& result,
            TFileResult& r)
{
    if (result.Clamped > 0)
        r.Err += Reported(command, named, path, ClampedValuesText(result.Clamped, "computed"));
    for (const auto& note : result.Notes)
        r.Err += Reported(command, named, path, note);
}

using TMakeOne = std::function<TErpResult(TORVAFile)>;

// One output per input: with --out-dir every input, named after it (extension, when given,
// replacing its own); with -o exactly one input.
int ForEachInput(const std::string& command, const TErpArguments& a, const std::string& extension,
                 const TMakeOne& make)
{
    std::vector<std::filesystem::path> outputs;
    if (a.OutDir) {
        outputs = OutputsInFolder(a.Inputs, *a.OutDir);
        std::set<std::filesystem::path> names;
        for (auto& output : outputs) {
            if (!extension.empty())
                output.replace_extension(extension);
            if (!names.insert(output).second)
                throw TUsageError{"two inputs give the output " + PathText(output.filename()) + " in " + *a.OutDir};
        }
    } else if (a.Output) {
        if (a.Inputs.size() != 1)
            throw TUsageError{"-o OUT takes one input; give --out-dir DIR for " + std::to_string(a.Inputs.size())};
        outputs.push_back(AbsolutePath(*a.Output));
    } else {
        throw TUsageError{"give the output: -o OUT for one input or --out-dir DIR"};
    }
    const bool named = a.Inputs.size() > 1;
    const bool openAnyway = a.Flags.count("open-anyway") > 0;
    const std::size_t failed =
        RunOnFiles(command, a.Inputs.size(), a.Jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
            CheckNotInput(AbsolutePath(a.Inputs[i]), outputs[i]);
            TORVAFile file = OpenDataFile(a.Inputs[i], openAnyway, progress);
            const std::string path = PathText(file.FullFileName);
            TErpResult result = make(std::move(file));
            result.File.SaveToFile(outputs[i], progress);
            Report(command, named, path, result, r);
        });
    return failed > 0 ? 1 : 0;
}

// Every input loaded (in parallel), then one output from all of them.
int FromAllInputs(const std::string& command, const TErpArguments& a,
                  const std::function<TErpResult(const std::vector<const TORVAFile*>&)>& make)
{
    if (!a.Output || a.OutDir)
        throw TUsageError{"give the output file with -o OUT"};
    const std::filesystem::path output = AbsolutePath(*a.Output);
    for (const auto& input : a.Inputs)
        CheckNotInput(AbsolutePath(input), output);
    std::vector<TORVAFile> documents(a.Inputs.size());
    const bool openAnyway = a.Flags.count("open-anyway") > 0;
    const std::size_t failed = RunOnFiles(
        command, a.Inputs.size(), a.Jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
            documents[i] = OpenDataFile(a.Inputs[i], openAnyway, progress);
        });
    if (failed > 0)
        throw EORVAError(PathText(output), "Not written: " + std::to_string(failed) + " input" +
                                               (failed == 1 ? "" : "s") + " could not be read");
    std::vector<const TORVAFile*> inputs;
    for (const auto& d : documents)
        inputs.push_back(&d);
    TErpResult result = make(inputs);
    TTerminalProgress progress;
    result.File.SaveToFile(output, &progress);
    TFileResult r;
    Report(command, false, "", result, r);
    std::cerr << r.Err;
    return 0;
}

int RunAverage(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {{"obs", 1}, {"baseline-ms", 1}}, {"open-anyway"});
    TAverageOptions options;
    if (a.Values.count("obs"))
        options.Observations = ParseSelectionList(a.Values.at("obs")[0]);
    if (a.Values.count("baseline-ms"))
        options.BaselineMs = ParseNumber<int>("--baseline-ms", a.Values.at("baseline-ms")[0], "a whole number of ms");
    return ForEachInput("average", a, ".ave", [&](TORVAFile file) { return AverageSession(file, options); });
}

int RunCombine(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {}, {"open-anyway"});
    return FromAllInputs("combine", a, [](const auto& inputs) { return CombineAverages(inputs); });
}

int RunGrandAverage(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {}, {"open-anyway", "weighted"});
    const bool weighted = a.Flags.count("weighted") > 0;
    return FromAllInputs("grand-average", a, [&](const auto& inputs) { return GrandAverage(inputs, weighted); });
}

int RunBaseline(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {{"window", 2}}, {"open-anyway"});
    TBaselineOptions options;
    if (a.Values.count("window")) {
        const auto& w = a.Values.at("window");
        options.Start = ParseNumber<double>("--window", w[0], "two times in ms such as -100 or 0");
        options.End = ParseNumber<double>("--window", w[1], "two times in ms such as -100 or 0");
        if (*options.Start > *options.End)
            throw TUsageError{"--window: the start comes after the end"};
    }
    return ForEachInput("baseline", a, "",
                        [&](TORVAFile file) { return CorrectBaseline(std::move(file), options); });
}

int RunDifference(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {{"cells", 2}, {"name", 1}}, {"open-anyway"});
    if (!a.Values.count("cells"))
        throw TUsageError{"the option --cells A B is required"};
    TDifferenceOptions options;
    options.CellA = ParseNumber<int>("--cells", a.Values.at("cells")[0], "two cell numbers from 1") - 1;
    options.CellB = ParseNumber<int>("--cells", a.Values.at("cells")[1], "two cell numbers from 1") - 1;
    if (a.Values.count("name"))
        options.Name = a.Values.at("name")[0];
    return ForEachInput("difference", a, "", [&](TORVAFile file) { return DifferenceWave(file, options); });
}

int RunRereference(const std::vector<std::string>& args)
{
    const TErpArguments a = Parse(args, {{"exclude", 1}}, {"open-anyway"});
    const TSelectionList excluded =
        a.Values.count("exclude") ? ParseSelectionList(a.Values.at("exclude")[0]) : TSelectionList{};
    return ForEachInput("rereference", a, "",
                        [&](TORVAFile file) { return AverageReference(std::move(file), excluded); });
}

constexpr const char* kOutputs =
    "With -o OUT one FILE is written to OUT; with --out-dir DIR every FILE is written to DIR\n"
    "under its own name, in parallel (-j JOBS, default the number of cores). A file that\n"
    "cannot be done is named on stderr and the others go on; the exit status is then 1.\n";

} // namespace

std::vector<TCommand> ErpCommands()
{
    static const std::string average =
        std::string("usage: orva average FILE.ses... (-o OUT.ave | --out-dir DIR) [--obs LIST]\n"
                    "                    [--baseline-ms MS] [-j JOBS] [--open-anyway]\n"
                    "Writes the average file of each session file: its cells in order, each with one\n"
                    "observation, the mean over the observations in LIST (all by default; numbers from 1,\n"
                    "as in the exports, applied to every cell). Trial specifics word 0 is the number of\n"
                    "observations averaged; the baseline (BaselineDuration) is MS, 0 by default.\n"
                    "With --out-dir the output is named after its input with the extension .ave.\n") +
        kOutputs;
    static const std::string baseline =
        std::string("usage: orva baseline FILE... (-o OUT | --out-dir DIR) [--window A B] [-j JOBS]\n"
                    "Subtracts from every trace the mean of its samples from A to B ms (inclusive; times\n"
                    "as in export-long). Without --window: every sample before 0 ms of an average file;\n"
                    "a session file needs --window. Session values beyond a 16-bit sample are clamped\n"
                    "and counted on stderr.\n") +
        kOutputs;
    static const std::string difference =
        std::string("usage: orva difference FILE.ave... (-o OUT | --out-dir DIR) --cells A B [--name TEXT]\n"
                    "Appends a cell holding cell A minus cell B (from 1), subject by subject, named TEXT\n"
                    "or \"<name of A>-<name of B>\" (at most 80 bytes), numbered one above the largest\n"
                    "cell number. Session files are refused: average them first.\n") +
        kOutputs;
    static const std::string rereference =
        std::string("usage: orva rereference FILE... (-o OUT | --out-dir DIR) [--exclude LIST] [-j JOBS]\n"
                    "Average reference: at each observation and sample every channel less the mean of\n"
                    "the channels not in LIST (numbers from 1); excluded channels are re-referenced too.\n") +
        kOutputs;
    return {
        {"average", "average the trials of session files into average files", average.c_str(), RunAverage},
        {"combine", "put the subjects of several average files into one",
         "usage: orva combine FILE.ave... -o OUT.ave [-j JOBS] [--open-anyway]\n"
         "Writes one average file whose cells hold the subjects of every FILE, in the order\n"
         "given, each with its own trial specifics. Cells are matched by name in the first\n"
         "file's order; every FILE needs the same cell names, channels, samples, rate and\n"
         "baseline. Nothing is written when a FILE cannot be read or does not match.\n",
         RunCombine},
        {"grand-average", "average the subjects of average files",
         "usage: orva grand-average FILE.ave... -o OUT.ave [--weighted] [-j JOBS] [--open-anyway]\n"
         "Writes one average file with one observation per cell: the mean over every subject\n"
         "of every FILE (matched as combine matches them). With --weighted each subject counts\n"
         "by its number of trials (trial specifics word 0, which must be 1 or more). Word 0 of\n"
         "the result is the sum of the subjects' trials, at most 32767.\n",
         RunGrandAverage},
        {"baseline", "subtract each trace's mean over a baseline window", baseline.c_str(), RunBaseline},
        {"difference", "append a difference wave (cell A minus cell B)", difference.c_str(), RunDifference},
        {"rereference", "re-reference every sample to the average of the channels", rereference.c_str(),
         RunRereference},
    };
}

} // namespace orva::cli
