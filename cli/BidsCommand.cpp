// Subcommand bids: session files into a BIDS EEG dataset, created or extended.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "formats/BidsDataset.h"

#include "OrvaVersion.h"

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

TRun DeclareBids(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Inputs;
        std::optional<std::string> Out, Task, Subject, Session, LineFrequency, Reference, ChannelNames, Positions,
            PositionUnits;
        bool Overwrite = false;
        bool OpenAnyway = false;
        int Jobs = 1;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Inputs);
    AddText(command, "--out", a->Out, kFolder, "the dataset folder, created or extended")->required();
    AddText(command, "--task", a->Task, "LABEL", "the task label (ASCII letters and digits)")->required();
    AddText(command, "--subject", a->Subject, "LABEL", "the subject label of the one input (else from its name)");
    AddText(command, "--session", a->Session, "LABEL", "the session label (else no session level)");
    AddText(command, "--line-frequency", a->LineFrequency, "HZ", "power line frequency for the sidecar (else n/a)");
    AddText(command, "--reference", a->Reference, "TEXT", "the EEG reference, e.g. \"Cz\" (else n/a)");
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line for every channel (default E1 ... En)");
    AddText(command, "--positions", a->Positions, kAnyFile,
            "the sensors' positions (.sfp or _electrodes.tsv): adds _electrodes.tsv and _coordsystem.json");
    AddChoice(command, "--position-units", a->PositionUnits, {"m", "cm", "mm"},
              "the units of the positions for _coordsystem.json (else n/a)");
    AddFlag(command, "--overwrite", a->Overwrite, "replace a subject, session and task already in the dataset");
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequireInputs(a->Inputs);
        TBidsOptions options;
        options.Dataset = AbsolutePath(*a->Out);
        options.Task = *a->Task;
        options.Subject = a->Subject;
        options.Session = a->Session;
        options.LineFrequency = a->LineFrequency;
        options.Reference = a->Reference;
        if (a->ChannelNames)
            options.ChannelNames = AbsolutePath(*a->ChannelNames);
        if (a->Positions) {
            options.Positions = AbsolutePath(*a->Positions);
            options.Sensors = ReadSensorPositions(*options.Positions);
        } else if (a->PositionUnits) {
            throw TUsageError{"--position-units needs --positions"};
        }
        options.PositionUnits = a->PositionUnits;
        options.Overwrite = a->Overwrite;
        options.ProgramVersion = kOrvaVersion;
        const std::vector<std::string>& arguments = a->Inputs;
        const int jobs = a->Jobs;

        std::vector<std::filesystem::path> inputs;
        for (const auto& input : arguments)
            inputs.push_back(AbsolutePath(input));
        const std::vector<TBidsRecording> recordings = PlanBidsDataset(inputs, options);

        // Every file is checked before the dataset is touched, then loaded again to be written
        // (no more than JOBS documents at once), as export-long does.
        std::string name;
        const std::size_t failed =
            RunOnFiles("bids", inputs.size(), jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
                const TORVAFile file = OpenDataFile(arguments[i], a->OpenAnyway, progress);
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
            [&](std::size_t i) { return OpenDataFile(arguments[i], a->OpenAnyway, single ? &progress : nullptr); },
            [&](std::size_t i, const TORVAFile& file) { WriteBidsRecording(file, recordings[i], options); });
        WriteBidsDatasetFiles(options, recordings, name);
        return 0;
    };
}

} // namespace

std::vector<TCommand> BidsCommands()
{
    return {
        {"bids", "write session files into a BIDS EEG dataset (BrainVision files with their sidecars)",
         "usage: orva bids FILE.ses... --out DATASET --task LABEL [--subject LABEL] [--session LABEL]\n"
         "                 [--line-frequency HZ] [--reference TEXT] [--channel-names FILE]\n"
         "                 [--positions P [--position-units m|cm|mm]] [--overwrite] [-j JOBS] [--open-anyway]\n",
         "Creates or extends the BIDS EEG dataset DATASET (BIDS 1.8). Each session file becomes\n"
         "  sub-S/[ses-X/]eeg/sub-S[_ses-X]_task-T_eeg.vhdr, .vmrk and .eeg (every epoch of every\n"
         "  cell in microvolts, one after another) with _eeg.json, _channels.tsv, _events.tsv\n"
         "  (one event per epoch: its cell's name and number at its first sample) and _events.json;\n"
         "the subject label S is --subject (one file only) or the file's name without extension,\n"
         "keeping its ASCII letters and digits. dataset_description.json and README are written\n"
         "when absent; participants.tsv gains a row for each new subject (existing rows kept).\n"
         "With --positions every recording's folder also gets sub-S[_ses-X]_electrodes.tsv (every\n"
         "sensor of P as P gives it) and _coordsystem.json (EEGCoordinateSystem Other, the units\n"
         "of --position-units or n/a).\n"
         "Labels hold ASCII letters and digits only. A subject, session and task already in the\n"
         "dataset is refused unless --overwrite; average files are refused (use export-brainvision).\n"
         "Every file is checked before anything is written; files are replaced only once complete.\n",
         DeclareBids},
    };
}

} // namespace orva::cli
