// Subcommands export-brainvision and export-edf: whole recordings out to the formats that
// MNE-Python, EEGLAB, FieldTrip and Brainstorm read.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "export/BrainVisionExport.h"
#include "export/EdfExport.h"
#include "export/StatsExport.h"
#include "model/PathText.h"

#include <optional>
#include <string>

namespace orva::cli {

namespace {

using TRecordingWriter = void (*)(const TORVAFile&, const TEpochSelection&, const std::optional<std::filesystem::path>&,
                                  const std::filesystem::path&);

// What the two commands share: inputs, where their outputs go, and the selection.
struct TRecordingArguments {
    std::vector<std::string> Inputs;
    std::vector<std::filesystem::path> Outputs;
    TEpochSelection Selection;
    std::optional<std::filesystem::path> ChannelNames;
    bool OpenAnyway = false;
    int Jobs = 1;
};

std::optional<TSelectionList> ListOption(const TArguments& a, const std::string& name)
{
    if (!a.Has(name))
        return std::nullopt;
    return ParseSelectionList(a.Value(name));
}

// "-o OUT" is taken out first (TArguments knows only "--" options); every refusal of the
// arguments comes before any file is read.
TRecordingArguments ParseArguments(std::vector<std::string> args, const std::string& extension)
{
    TRecordingArguments parsed;
    parsed.Jobs = TakeJobs(args);
    std::optional<std::string> output;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "-o") {
            rest.push_back(args[i]);
            continue;
        }
        if (i + 1 >= args.size())
            throw TUsageError{"option -o needs a value"};
        if (output)
            throw TUsageError{"-o may be given once only"};
        output = args[++i];
    }
    const TArguments a(rest, {"open-anyway"}, {"cells", "obs", "chans", "channel-names", "out-dir"});
    parsed.Inputs = a.AllPositionals();
    if (parsed.Inputs.empty())
        throw TUsageError{"no input file given"};
    if (output && a.Has("out-dir"))
        throw TUsageError{"give either -o OUT" + extension + " or --out-dir DIR, not both"};
    if (output) {
        if (parsed.Inputs.size() != 1)
            throw TUsageError{"-o takes one input file; use --out-dir DIR for " + std::to_string(parsed.Inputs.size())};
        parsed.Outputs.push_back(AbsolutePath(*output));
    } else if (a.Has("out-dir")) {
        parsed.Outputs = OutputsInFolder(parsed.Inputs, a.Value("out-dir"), extension);
    } else {
        throw TUsageError{"the output is missing: give -o OUT" + extension + " or --out-dir DIR"};
    }
    parsed.Selection.Cells = ListOption(a, "cells");
    parsed.Selection.Observations = ListOption(a, "obs");
    parsed.Selection.Channels = ListOption(a, "chans");
    if (a.Has("channel-names"))
        parsed.ChannelNames = AbsolutePath(a.Value("channel-names"));
    parsed.OpenAnyway = a.Has("open-anyway");
    return parsed;
}

int RunRecordingExport(const char* command, const std::vector<std::string>& args, const std::string& extension,
                       TRecordingWriter write)
{
    const TRecordingArguments parsed = ParseArguments(args, extension);
    return RunOnFiles(command, parsed.Inputs.size(), parsed.Jobs,
                      [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                          const std::filesystem::path input = AbsolutePath(parsed.Inputs[i]);
                          CheckNotInput(input, parsed.Outputs[i]);
                          const TORVAFile file = OpenDataFile(parsed.Inputs[i], parsed.OpenAnyway, progress);
                          write(file, parsed.Selection, parsed.ChannelNames, parsed.Outputs[i]);
                          r.Out += PathText(parsed.Outputs[i]) + "\n";
                      }) > 0;
}

int RunExportBrainVision(const std::vector<std::string>& args)
{
    return RunRecordingExport("export-brainvision", args, ".vhdr", ExportBrainVision);
}

int RunExportEdf(const std::vector<std::string>& args)
{
    return RunRecordingExport("export-edf", args, ".edf", ExportEdf);
}

const char* const kRecordingOptions =
    "A LIST holds numbers counted from 1 separated by spaces, e.g. \"1 3 5\" (--cells: cells in\n"
    "file order, --obs: observations of each listed cell, --chans: channels); a list left out\n"
    "means everything. A channel may be listed once only.\n"
    "  --channel-names FILE  one UTF-8 name per line (LF or CR LF), one per channel of each\n"
    "                        input, non-empty, unique, at most 16 bytes; default E1 ... En\n"
    "  -o OUT                the output of the one input\n"
    "  --out-dir DIR         the output of each input in DIR under the input's stem\n"
    "  -j JOBS               inputs written in parallel (default the number of cores)\n"
    "  --open-anyway         load files whose length does not match their header\n"
    "Every refusal comes before the file's outputs are touched, and each output replaces its\n"
    "target only once it is complete. The paths written are printed, one a line.\n";

const std::string kBrainVisionUsage = std::string(
"usage: orva export-brainvision FILE... (-o OUT.vhdr | --out-dir DIR) [--cells LIST] [--obs LIST]\n"
         "                               [--chans LIST] [--channel-names FILE] [-j JOBS] [--open-anyway]\n"
         "Writes OUT.vhdr, OUT.vmrk and OUT.eeg (BrainVision Core Data Format 1.0): the epochs one\n"
         "after another, cell by cell and observation by observation in list order, as float32\n"
         "calibrated microvolts; a New Segment marker at each epoch's first sample and a Stimulus\n"
         "marker named after the cell at its stimulus (an average file's baseline end, a session\n"
         "file's first sample). The exported cells must share one sampling rate.\n") + kRecordingOptions;

const std::string kEdfUsage = std::string(
"usage: orva export-edf FILE... (-o OUT.edf | --out-dir DIR) [--cells LIST] [--obs LIST]\n"
         "                       [--chans LIST] [--channel-names FILE] [-j JOBS] [--open-anyway]\n"
         "Writes OUT.edf (EDF+C): one data record per epoch, in the order export-brainvision\n"
         "writes them, the raw 16-bit samples as the digital values with each channel's\n"
         "calibration in its physical limits, and an EDF Annotations signal naming each epoch's\n"
         "cell at its stimulus. The exported epochs must share one length and one sampling rate;\n"
         "channel names must be printable ASCII.\n") + kRecordingOptions;

} // namespace

std::vector<TCommand> RecordingExportCommands()
{
    return {
        {"export-brainvision", "export epochs as BrainVision (.vhdr, .vmrk, .eeg) for MNE, EEGLAB, FieldTrip",
         kBrainVisionUsage.c_str(),
         RunExportBrainVision},
        {"export-edf", "export epochs as EDF+ (one data record per epoch, raw 16-bit samples)",
         kEdfUsage.c_str(),
         RunExportEdf},
    };
}

} // namespace orva::cli
