// Subcommand bids: session files into a BIDS EEG dataset, created or extended.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/BidsDataset.h"

#include "OrvaVersion.h"

#include <optional>
#include <string>

namespace orva::cli {

namespace {

std::optional<std::string> OptionalValue(const TArguments& a, const std::string& name)
{
    return a.Has(name) ? std::optional<std::string>(a.Value(name)) : std::nullopt;
}

int RunBids(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    const int jobs = TakeJobs(args);
    const TArguments a(args, {"overwrite", "open-anyway"},
                       {"out", "task", "subject", "session", "line-frequency", "reference", "channel-names"});
    if (a.AllPositionals().empty())
        throw TUsageError{"no input file given"};
    if (!a.Has("out"))
        throw TUsageError{"the dataset folder is missing: give it with --out DATASET"};
    if (!a.Has("task"))
        throw TUsageError{"the task label is missing: give it with --task LABEL"};
    TBidsOptions options;
    options.Dataset = AbsolutePath(a.Value("out"));
    options.Task = a.Value("task");
    options.Subject = OptionalValue(a, "subject");
    options.Session = OptionalValue(a, "session");
    options.LineFrequency = OptionalValue(a, "line-frequency");
    options.Reference = OptionalValue(a, "reference");
    if (a.Has("channel-names"))
        options.ChannelNames = AbsolutePath(a.Value("channel-names"));
    options.Overwrite = a.Has("overwrite");
    options.ProgramVersion = kOrvaVersion;
    const bool openAnyway = a.Has("open-anyway");

    std::vector<std::filesystem::path> inputs;
    for (const auto& input : a.AllPositionals())
        inputs.push_back(AbsolutePath(input));
    const std::vector<TBidsRecording> recordings = PlanBidsDataset(inputs, options);

    // Every file is checked before the dataset is touched, then loaded again to be written
    // (no more than JOBS documents at once), as export-long does.
    std::string name;
    const std::size_t failed = RunOnFiles(
        "bids", inputs.size(), jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
            const TORVAFile file = OpenDataFile(a.AllPositionals()[i], openAnyway, progress);
            CheckBidsRecording(file, options);
            if (i == 0)
                name = BidsDatasetName(file, options.Dataset);
        });
    if (failed > 0)
        return 1;
    TTerminalProgress progress;
    const bool single = inputs.size() == 1 || jobs == 1;
    ForEachDocumentInOrder(
        inputs.size(), jobs,
        [&](std::size_t i) { return OpenDataFile(a.AllPositionals()[i], openAnyway, single ? &progress : nullptr); },
        [&](std::size_t i, const TORVAFile& file) { WriteBidsRecording(file, recordings[i], options); });
    WriteBidsDatasetFiles(options, recordings, name);
    return 0;
}

} // namespace

std::vector<TCommand> BidsCommands()
{
    return {
        {"bids", "write session files into a BIDS EEG dataset (BrainVision files with their sidecars)",
         "usage: orva bids FILE.ses... --out DATASET --task LABEL [--subject LABEL] [--session LABEL]\n"
         "                 [--line-frequency HZ] [--reference TEXT] [--channel-names FILE]\n"
         "                 [--overwrite] [-j JOBS] [--open-anyway]\n"
         "Creates or extends the BIDS EEG dataset DATASET (BIDS 1.8). Each session file becomes\n"
         "  sub-S/[ses-X/]eeg/sub-S[_ses-X]_task-T_eeg.vhdr, .vmrk and .eeg (every epoch of every\n"
         "  cell in microvolts, one after another) with _eeg.json, _channels.tsv, _events.tsv\n"
         "  (one event per epoch: its cell's name and number at its first sample) and _events.json;\n"
         "the subject label S is --subject (one file only) or the file's name without extension,\n"
         "keeping its ASCII letters and digits. dataset_description.json and README are written\n"
         "when absent; participants.tsv gains a row for each new subject (existing rows kept).\n"
         "Labels hold ASCII letters and digits only. A subject, session and task already in the\n"
         "dataset is refused unless --overwrite; average files are refused (use export-brainvision).\n"
         "  --line-frequency HZ   power line frequency for the sidecar (else n/a)\n"
         "  --reference TEXT      the EEG reference, e.g. \"Cz\" (else n/a)\n"
         "  --channel-names FILE  one UTF-8 name per line for every channel (default E1 ... En)\n"
         "Every file is checked before anything is written; files are replaced only once complete.\n",
         RunBids},
    };
}

} // namespace orva::cli
