// Subcommands export-brainvision and export-edf: whole recordings out to the formats that
// MNE-Python, EEGLAB, FieldTrip and Brainstorm read.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "formats/BrainVisionExport.h"
#include "formats/EdfExport.h"
#include "model/PathText.h"
#include "select/Selection.h"

#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

using TRecordingWriter = void (*)(const TORVAFile&, const TEpochSelection&, const std::optional<std::filesystem::path>&,
                                  const std::filesystem::path&);

// What the two commands share: inputs, where their outputs go, and the selection.
struct TRecordingArguments {
    std::vector<std::string> Inputs;
    std::optional<std::string> Output, OutDir, Cells, Obs, Chans, ChannelNames;
    bool OpenAnyway = false;
    int Jobs = 1;
};

// Every refusal of the arguments comes before any file is read.
std::vector<std::filesystem::path> Outputs(const TRecordingArguments& a, const std::string& extension)
{
    RequireInputs(a.Inputs);
    if (a.Output) {
        if (a.Inputs.size() != 1)
            throw TUsageError{"-o takes one input file; use --out-dir DIR for " + std::to_string(a.Inputs.size())};
        return {AbsolutePath(*a.Output)};
    }
    if (a.OutDir)
        return OutputsInFolder(a.Inputs, *a.OutDir, extension);
    throw TUsageError{"the output is missing: give -o OUT" + extension + " or --out-dir DIR"};
}

TRun DeclareRecordingExport(CLI::App* command, const char* name, const std::string& extension, TRecordingWriter write)
{
    auto a = std::make_shared<TRecordingArguments>();
    AddInputFiles(command, a->Inputs);
    CLI::Option* output =
        AddText(command, "-o", a->Output, kAnyFile, "the output of the one input (OUT" + extension + ")");
    AddOutDir(command, a->OutDir)->excludes(output);
    AddSelectionList(command, "--cells", a->Cells);
    AddSelectionList(command, "--obs", a->Obs);
    AddSelectionList(command, "--chans", a->Chans);
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line (LF or CR LF), one per channel of each input, non-empty, unique, "
            "at most 16 bytes; default E1 ... En");
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a, name, extension, write] {
        const std::vector<std::filesystem::path> outputs = Outputs(*a, extension);
        TEpochSelection selection;
        selection.Cells = ListOption(a->Cells);
        selection.Observations = ListOption(a->Obs);
        selection.Channels = ListOption(a->Chans);
        std::optional<std::filesystem::path> names;
        if (a->ChannelNames)
            names = AbsolutePath(*a->ChannelNames);
        return RunOnFiles(name, a->Inputs.size(), a->Jobs,
                          [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                              CheckNotInput(AbsolutePath(a->Inputs[i]), outputs[i]);
                              const TORVAFile file = OpenDataFile(a->Inputs[i], a->OpenAnyway, progress);
                              write(file, selection, names, outputs[i]);
                              r.Out += PathText(outputs[i]) + "\n";
                          }) > 0;
    };
}

TRun DeclareExportBrainVision(CLI::App* command)
{
    return DeclareRecordingExport(command, "export-brainvision", ".vhdr", ExportBrainVision);
}

TRun DeclareExportEdf(CLI::App* command)
{
    return DeclareRecordingExport(command, "export-edf", ".edf", ExportEdf);
}

#define ORVA_RECORDING_NOTES                                                                                    \
    "A LIST holds numbers counted from 1 separated by spaces, e.g. \"1 3 5\" (--cells: cells in\n"             \
    "file order, --obs: observations of each listed cell, --chans: channels); a list left out\n"               \
    "means everything. A channel may be listed once only. With --out-dir, each output is named\n"              \
    "after its input's stem. Every refusal comes before the file's outputs are touched, and each\n"           \
    "output replaces its target only once it is complete. The paths written are printed, one a line.\n"

} // namespace

std::vector<TCommand> RecordingExportCommands()
{
    return {
        {"export-brainvision", "export epochs as BrainVision (.vhdr, .vmrk, .eeg) for MNE, EEGLAB, FieldTrip",
         "usage: orva export-brainvision FILE... (-o OUT.vhdr | --out-dir DIR) [--cells LIST] [--obs LIST]\n"
         "                               [--chans LIST] [--channel-names FILE] [-j JOBS] [--open-anyway]\n",
         "Writes OUT.vhdr, OUT.vmrk and OUT.eeg (BrainVision Core Data Format 1.0): the epochs one\n"
         "after another, cell by cell and observation by observation in list order, as float32\n"
         "calibrated microvolts; a New Segment marker at each epoch's first sample and a Stimulus\n"
         "marker named after the cell at its stimulus (an average file's baseline end, a session\n"
         "file's first sample). The exported cells must share one sampling rate.\n" ORVA_RECORDING_NOTES,
         DeclareExportBrainVision},
        {"export-edf", "export epochs as EDF+ (one data record per epoch, raw 16-bit samples)",
         "usage: orva export-edf FILE... (-o OUT.edf | --out-dir DIR) [--cells LIST] [--obs LIST]\n"
         "                       [--chans LIST] [--channel-names FILE] [-j JOBS] [--open-anyway]\n",
         "Writes OUT.edf (EDF+C): one data record per epoch, in the order export-brainvision\n"
         "writes them, the raw 16-bit samples as the digital values with each channel's\n"
         "calibration in its physical limits, and an EDF Annotations signal naming each epoch's\n"
         "cell at its stimulus. The exported epochs must share one length and one sampling rate;\n"
         "channel names must be printable ASCII.\n" ORVA_RECORDING_NOTES,
         DeclareExportEdf},
    };
}

} // namespace orva::cli
