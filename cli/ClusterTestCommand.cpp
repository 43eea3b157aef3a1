// Subcommand cluster-test: where and when conditions (or groups) differ, by a t test at every
// channel and sample corrected by cluster-based permutation, TFCE, FDR or Bonferroni.
#include "cli/ClusterTestCommand.h"
#include "cli/ClusterPictureOption.h"

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/EpochLayout.h"
#include "select/LineSink.h"
#include "tools/ClusterInput.h"
#include "tools/ClusterTables.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <iostream>
#include <memory>
#include <thread>

namespace orva::cli {

namespace {

struct TClusterArguments {
    std::vector<std::string> Inputs, Window;
    std::optional<std::string> Cells, Chans, Positions, ChannelNames, Neighbours, Threshold, PThreshold, Tail,
        Seed, TfceStep, Correction, Alpha, Output, Points, Null;
    std::optional<int> Permutations;
    bool Tfce = false, OpenAnyway = false;
    int Jobs = 1;
};

std::optional<double> Number(const std::string& text) { return ParseTime(text); }

std::string PositiveNumber(const std::string& text)
{
    const auto v = Number(text);
    return v && std::isfinite(*v) && *v > 0 ? std::string() : "needs a positive finite number, not \"" + text + "\"";
}

std::string Probability(const std::string& text)
{
    const auto v = Number(text);
    return v && *v > 0 && *v < 1 ? std::string() : "needs a number between 0 and 1, not \"" + text + "\"";
}

std::optional<std::uint64_t> Seed(const std::string& text)
{
    std::uint64_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return v;
}

TClusterTestOptions Options(const TClusterArguments& a)
{
    TClusterTestOptions o;
    if (a.Threshold)
        o.Threshold = *Number(*a.Threshold);
    if (a.PThreshold)
        o.PThreshold = *Number(*a.PThreshold);
    if (a.Tail)
        o.Tail = *a.Tail == "positive" ? TClusterTail::Positive
                 : *a.Tail == "negative" ? TClusterTail::Negative
                                         : TClusterTail::Both;
    o.Permutations = a.Permutations.value_or(10000);
    if (a.Seed)
        o.Seed = *Seed(*a.Seed);
    o.Tfce = a.Tfce;
    if (a.TfceStep)
        o.TfceStep = *Number(*a.TfceStep);
    if (a.Correction)
        o.Correction = *a.Correction == "fdr" ? TPointCorrection::Fdr : TPointCorrection::Bonferroni;
    if (a.Alpha)
        o.Alpha = *Number(*a.Alpha);
    o.Jobs = a.Jobs;
    return o;
}

// Refused before any file is read.
void CheckArguments(const TClusterArguments& a)
{
    if (a.Inputs.empty() || a.Inputs.size() > 2)
        throw TUsageError{"give one data file, or two for independent groups"};
    if (!a.Cells)
        throw TUsageError{"say which cells: --cells A B (paired or two groups of trials) or --cells A"};
    const std::size_t cells = ListOption(a.Cells)->size();
    if (cells < 1 || cells > 2 || (a.Inputs.size() == 2 && cells != 1))
        throw TUsageError{a.Inputs.size() == 2 ? "two files compare one cell of each: give --cells A"
                                               : "--cells takes one cell (tested against 0) or two"};
    if (a.Window.size() == 2 && *ParseTime(a.Window[0]) > *ParseTime(a.Window[1]))
        throw TUsageError{"--window: the start comes after the end"};
    const bool pointwise = a.Correction.has_value();
    if (pointwise && (a.Tfce || a.Threshold))
        throw TUsageError{"--correction corrects the points without clusters: leave out --tfce and --threshold"};
    if (a.Tfce && (a.Threshold || a.PThreshold))
        throw TUsageError{"--tfce needs no threshold: leave out --threshold and --p-threshold"};
    if (!pointwise && !a.Positions && !a.Neighbours)
        throw TUsageError{"clusters need the channels' neighbours: give --positions FILE or --neighbours FILE"};
    for (const auto& out : {a.Output, a.Points, a.Null})
        if (out)
            for (const auto& input : a.Inputs)
                CheckNotInput(AbsolutePath(input), AbsolutePath(*out));
}

void WriteTable(const std::optional<std::string>& path, void (*write)(const TClusterTestResult&, TLineSink&),
                const TClusterTestResult& result)
{
    if (!path)
        return;
    TTextFileSink sink(AbsolutePath(*path), "\n");
    write(result, sink);
    sink.Commit();
}

TClusterTestRun RunClusterTestCommand(const TClusterArguments& a)
{
    CheckArguments(a);
    const TClusterTestOptions options = Options(a);
    TTerminalProgress progress;
    TClusterTestRun run;
    run.File = OpenDataFile(a.Inputs[0], a.OpenAnyway, &progress);
    std::optional<TORVAFile> second;
    if (a.Inputs.size() == 2)
        second = OpenDataFile(a.Inputs[1], a.OpenAnyway, &progress);
    TClusterInputOptions io;
    io.Cells = *ListOption(a.Cells);
    if (a.Window.size() == 2) {
        io.WindowStart = *ParseTime(a.Window[0]);
        io.WindowEnd = *ParseTime(a.Window[1]);
    }
    io.Channels = ListOption(a.Chans);
    std::optional<std::filesystem::path> namesFile;
    if (a.ChannelNames)
        namesFile = AbsolutePath(*a.ChannelNames);
    run.ChannelNames = ChannelNamesFor(run.File, namesFile);
    TNeighbourSource source;
    if (a.Positions)
        source.Positions = run.Positions = AbsolutePath(*a.Positions);
    if (a.Neighbours)
        source.NeighboursFile = AbsolutePath(*a.Neighbours);
    run.Result = ClusterTestOfFiles(run.File, second ? &*second : nullptr, io, source, run.ChannelNames, options,
                                    &progress);
    return run;
}

TRun DeclareClusterTest(CLI::App* command)
{
    auto a = std::make_shared<TClusterArguments>();
    AddInputFiles(command, a->Inputs)
        ->description("FILE [FILE2]: an average file of subjects (or a session file); two files for two groups");
    command
        ->add_option_function<std::vector<std::string>>(
            "--cells",
            [a](const std::vector<std::string>& words) {
                std::string list;
                for (const auto& w : words)
                    list += (list.empty() ? "" : " ") + w;
                a->Cells = list;
            },
            "A B: paired (A - B per subject) or two groups of trials; A alone: against 0, or across two files")
        ->type_name("CELL")
        ->expected(1, 2)
        ->check(CLI::Validator(
            [](std::string& text) {
                return WholeNumber(text) && *WholeNumber(text) >= 1 ? std::string()
                                                                    : "needs cell numbers from 1, not "" + text + """;
            },
            ""));
    AddTimeWindow(command, a->Window, "test the samples from T1 to T2 ms only, as measure takes them");
    AddSelectionList(command, "--chans", a->Chans);
    AddText(command, "--positions", a->Positions, kAnyFile,
            "the sensors' positions (.sfp or _electrodes.tsv): neighbours by Delaunay triangulation");
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line, one per channel; default E1 ... En");
    AddText(command, "--neighbours", a->Neighbours, kAnyFile, "the neighbours, one line per channel LABEL: LABEL ...")
        ->excludes("--positions");
    AddText(command, "--threshold", a->Threshold, "T", "the cluster-forming t (positive)", PositiveNumber);
    AddText(command, "--p-threshold", a->PThreshold, "P",
            "the cluster-forming t as the t quantile at this p (default 0.05)", Probability)
        ->excludes("--threshold");
    AddChoice(command, "--tail", a->Tail, {"both", "positive", "negative"}, "the tail tested (default both)");
    AddWholeNumber(command, "--permutations", a->Permutations, 1, INT_MAX, "N",
                   "the null's size (default 10000); exact when the distinct permutations number at most N");
    AddText(command, "--seed", a->Seed, "S", "the seed of the random permutations (default 1)",
            [](const std::string& text) {
                return Seed(text) ? std::string() : "needs a whole number from 0, not \"" + text + "\"";
            });
    AddFlag(command, "--tfce", a->Tfce, "threshold-free cluster enhancement instead of a threshold");
    AddText(command, "--tfce-step", a->TfceStep, "DH", "the TFCE step in t (default 0.1)", PositiveNumber);
    AddChoice(command, "--correction", a->Correction, {"fdr", "bonferroni"},
              "no clusters: parametric p values corrected by FDR (Benjamini-Hochberg) or Bonferroni");
    AddText(command, "--alpha", a->Alpha, "A", "what counts as significant (default 0.05)", Probability);
    AddText(command, "-o", a->Output, kAnyFile, "the table of clusters (CSV)");
    AddText(command, "--points", a->Points, kAnyFile, "the table of every tested point (CSV)");
    AddText(command, "--null", a->Null, kAnyFile,
            "the permutation null, one value per line (the observed first), each as the shortest text that reads back");
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    const auto picture = AddClusterPicture(command);
    return [a, picture] {
        const TClusterTestRun run = RunClusterTestCommand(*a);
        WriteTable(a->Output, WriteClusterTable, run.Result);
        WriteTable(a->Points, WritePointTable, run.Result);
        SaveClusterPicture(*picture, run, a->Alpha);
        WriteTable(a->Null, WriteNullValues, run.Result);
        for (const std::string& line : ClusterSummary(run.Result))
            std::cout << line << "\n";
        return 0;
    };
}

} // namespace

std::vector<TCommand> ClusterTestCommands()
{
    return {
        {"cluster-test", "where and when conditions differ: t tests over channels x time, cluster-corrected",
         "usage: orva cluster-test FILE [FILE2] --cells A [B] (--positions P | --neighbours F)\n"
         "                         [--window T1 T2] [--chans LIST] [--channel-names F]\n"
         "                         [--threshold T | --p-threshold P | --tfce [--tfce-step DH]]\n"
         "                         [--tail both|positive|negative] [--permutations N] [--seed S]\n"
         "                         [--correction fdr|bonferroni] [--alpha A]\n"
         "                         [-o CLUSTERS.csv] [--points POINTS.csv] [--null NULL.txt] [-j JOBS]\n",
         "A t value at every tested channel and sample: paired (cells A - B of an average file of\n"
         "subjects), one sample (cell A against 0), or independent groups with the pooled variance\n"
         "(cell A of two files, or the trials of cells A and B of a session file). Points beyond the\n"
         "threshold (strictly) form clusters with their neighbours of the same sign: the same channel\n"
         "at the adjacent samples and the neighbouring channels at the same sample; a cluster's mass\n"
         "is the sum of its t. Its p is the share of the permutation null (the observed data\n"
         "included) whose largest |mass| is at least its |mass|. Sign flips of the subjects (paired,\n"
         "one sample) or reassigned group labels make the null: every distinct permutation when they\n"
         "number at most N, else N - 1 drawn with the seed plus the observed one, the same on every\n"
         "platform and with any -j. --tfce scores every point by threshold-free cluster enhancement\n"
         "(E 0.5, H 2) with a p from the null of the largest score. --correction gives parametric p\n"
         "values per point instead, corrected for their number.\n"
         "The tables: cluster,sign,mass,p,start_ms,end_ms,channels,points,peak_t,peak_channel,peak_ms\n"
         "and channel,sample,time_ms,t,p_uncorrected,cluster,p_corrected[,tfce] (channels and samples\n"
         "from 1; tfce the point's TFCE score, signed as its t, with --tfce only).\n",
         DeclareClusterTest},
    };
}

} // namespace orva::cli
