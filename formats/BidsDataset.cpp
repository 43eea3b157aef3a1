#include "formats/BidsDataset.h"

#include "formats/BidsElectrodes.h"
#include "formats/BidsSidecars.h"
#include "formats/BrainVisionExport.h"
#include "formats/JsonText.h"
#include "model/FileStream.h"
#include "model/ORVAError.h"
#include "select/CsvText.h"
#include "select/EpochLayout.h"
#include "select/LineSink.h"
#include "select/Selection.h"

#include <algorithm>
#include <map>
#include <set>

namespace orva {

namespace {

constexpr std::string_view kLf = "\n";

bool IsLabelCharacter(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

[[noreturn]] void RefuseOption(const TBidsOptions& options, const std::string& cause)
{
    throw EORVAError(PathText(options.Dataset), cause);
}

// A typed label must already be one: BIDS names files by it, and a changed label would
// name files the user did not ask for.
void CheckTypedLabel(const TBidsOptions& options, const char* option, const std::string& label)
{
    if (label.empty())
        RefuseOption(options, std::string("The ") + option + " label is empty");
    if (!std::all_of(label.begin(), label.end(), IsLabelCharacter))
        RefuseOption(options, std::string("The ") + option + " label \"" + label +
                                  "\" may hold ASCII letters and digits only (as BIDS labels do)");
}

bool Exists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A file's whole text (small files: participants.tsv).
std::string ReadWholeFile(const std::filesystem::path& path)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    std::string text(static_cast<std::size_t>(stream.Size()), '\0');
    text.resize(stream.Read(text.data(), text.size()));
    return text;
}

// Lines split at LF, a CR before it dropped, without a trailing empty line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::string FirstField(const std::string& line) { return line.substr(0, line.find('\t')); }

std::vector<std::string> ReadParticipants(const std::filesystem::path& path)
{
    return Exists(path) ? SplitLines(ReadWholeFile(path)) : std::vector<std::string>{};
}

// The first of the recording's files in the dataset: sub-S[_ses-X]_task-T_ and anything
// after it (another data format, a run) is the same subject, session and task.
std::optional<std::filesystem::path> ExistingFile(const TBidsRecording& recording)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(recording.Folder, ec))
        return std::nullopt;
    const std::string prefix = recording.Stem + "_";
    std::optional<std::filesystem::path> first;
    for (const auto& entry : std::filesystem::directory_iterator(recording.Folder, ec)) {
        const std::string name = PathText(entry.path().filename());
        if (name.compare(0, prefix.size(), prefix) == 0 && (!first || entry.path() < *first))
            first = entry.path();
    }
    return first;
}

void SaveText(const std::filesystem::path& path, const std::string& text)
{
    SaveLines(path, kLf, [&](TLineSink& sink) { sink.Line(text); });
}

void CreateFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw EORVAError(PathText(folder), "Cannot create the folder: " + ec.message());
}

std::string ReadmeText(const std::string& name)
{
    return "# " + name +
           "\n\nEEG recordings in BIDS, written by orva (ORVA Toolbox) from session files (*.ses) of a 64-channel\n"
           "acquisition system. Each recording holds the epochs of the session file one after another\n"
           "(RecordingType \"epoched\"), as BrainVision files with calibrated values in microvolts.\n"
           "Each epoch has one event in its _events.tsv: the cell (experimental condition) it belongs to,\n"
           "as trial_type (the cell's name) and value (the cell's number), at the epoch's first sample.\n"
           "Describe the experiment, the participants and the acquisition here.";
}

} // namespace

std::string SubjectLabelFromName(const std::filesystem::path& input)
{
    std::string label;
    for (char ch : PathText(input.stem()))
        if (IsLabelCharacter(ch))
            label.push_back(ch);
    return label;
}

std::vector<TBidsRecording> PlanBidsDataset(const std::vector<std::filesystem::path>& inputs,
                                            const TBidsOptions& options)
{
    CheckTypedLabel(options, "task", options.Task);
    if (options.Session)
        CheckTypedLabel(options, "session", *options.Session);
    if (options.Subject) {
        CheckTypedLabel(options, "subject", *options.Subject);
        if (inputs.size() != 1)
            RefuseOption(options, "--subject names one input, not " + std::to_string(inputs.size()) +
                                      "; without it each input's name gives its subject");
    }
    if (options.LineFrequency)
        BidsLineFrequency(options);
    if (options.Reference && options.Reference->empty())
        RefuseOption(options, "The --reference text is empty");
    std::error_code ec;
    if (Exists(options.Dataset) && !std::filesystem::is_directory(options.Dataset, ec))
        RefuseOption(options, "This is not a folder, so it cannot hold a dataset");
    MergeParticipants(ReadParticipants(options.Dataset / "participants.tsv"), {}, options.Dataset / "participants.tsv");

    std::vector<TBidsRecording> recordings;
    std::map<std::string, std::filesystem::path> bySubject;
    for (const auto& input : inputs) {
        TBidsRecording r;
        r.Input = input;
        r.Subject = options.Subject ? *options.Subject : SubjectLabelFromName(input);
        if (r.Subject.empty())
            throw EORVAError(PathText(input), "The name gives an empty subject label (a label keeps the ASCII letters "
                                              "and digits of the name); rename the file or give --subject");
        const auto [at, added] = bySubject.emplace(r.Subject, input);
        if (!added)
            throw EORVAError(PathText(input), "Gives the subject label " + r.Subject + ", as " +
                                                  PathText(at->second) +
                                                  " does: both would be the same subject, session and task");
        r.Folder = options.Dataset / ("sub-" + r.Subject);
        r.Stem = "sub-" + r.Subject;
        if (options.Session) {
            r.Folder /= "ses-" + *options.Session;
            r.Stem += "_ses-" + *options.Session;
        }
        r.Folder /= "eeg";
        r.Stem += "_task-" + options.Task;
        if (!options.Overwrite)
            if (const auto existing = ExistingFile(r))
                RefuseOption(options, "Subject " + r.Subject + (options.Session ? ", session " + *options.Session : "") +
                                          ", task " + options.Task + " is already in the dataset (" +
                                          PathText(existing->filename()) + "); give --overwrite to replace it");
        recordings.push_back(std::move(r));
    }
    return recordings;
}

void CheckBidsRecording(const TORVAFile& file, const TBidsOptions& options)
{
    if (!file.IsSessionFile())
        RefuseExport(file, "This is an average file, and a BIDS dataset holds recordings: write averages with "
                           "orva export-brainvision");
    const TEpochLayout layout = LayOutEpochs(file, {});
    if (layout.Epochs.empty())
        RefuseExport(file, "No cell has observations with samples, so there is no recording to write");
    for (const auto& name : ChannelNamesFor(file, options.ChannelNames))
        if (std::any_of(name.begin(), name.end(), [](char ch) { return static_cast<unsigned char>(ch) < 32; }))
            RefuseExport(file, "The channel name \"" + name + "\" holds a control character, which channels.tsv "
                               "cannot hold");
}

std::string BidsDatasetName(const TORVAFile& first, const std::filesystem::path& dataset)
{
    std::string name = Windows1252ToUtf8(first.FileDescription.ExperimentName);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty())
        return name;
    const std::filesystem::path folder = dataset.lexically_normal();
    return PathText(folder.has_filename() ? folder.filename() : folder.parent_path().filename());
}

void WriteBidsRecording(const TORVAFile& file, const TBidsRecording& recording, const TBidsOptions& options)
{
    CheckBidsRecording(file, options);
    const TEpochLayout layout = LayOutEpochs(file, {});
    const std::vector<std::string> names = ChannelNamesFor(file, options.ChannelNames);
    CreateFolder(recording.Folder);
    WriteBrainVision(file, layout, names, recording.File("_eeg.vhdr"));
    SaveText(recording.File("_eeg.json"), BidsEegJson(layout, options));
    SaveLines(recording.File("_channels.tsv"), kLf, [&](TLineSink& sink) { WriteBidsChannels(names, sink); });
    SaveLines(recording.File("_events.tsv"), kLf, [&](TLineSink& sink) { WriteBidsEvents(file, layout, sink); });
    SaveText(recording.File("_events.json"), BidsEventsJson(file, layout));
    if (options.Positions) {
        const std::string stem = BidsPositionsStem(recording, options);
        SaveLines(recording.Folder / (stem + "_electrodes.tsv"), kLf,
                  [&](TLineSink& sink) { WriteBidsElectrodes(options, sink); });
        SaveText(recording.Folder / (stem + "_coordsystem.json"), BidsCoordsystemJson(options));
    }
}

void WriteBidsDatasetFiles(const TBidsOptions& options, const std::vector<TBidsRecording>& recordings,
                           const std::string& name)
{
    CreateFolder(options.Dataset);
    const std::filesystem::path description = options.Dataset / "dataset_description.json";
    if (!Exists(description)) {
        TJson json;
        json["Name"] = name;
        json["BIDSVersion"] = std::string(kBidsVersion);
        json["DatasetType"] = "raw";
        json["GeneratedBy"] = TJson::array({{{"Name", "ORVA Toolbox (orva bids)"}, {"Version", options.ProgramVersion}}});
        SaveText(description, JsonText(json));
    }
    if (!Exists(options.Dataset / "README"))
        SaveText(options.Dataset / "README", ReadmeText(name));

    const std::filesystem::path participants = options.Dataset / "participants.tsv";
    std::vector<std::string> subjects;
    for (const auto& r : recordings)
        subjects.push_back("sub-" + r.Subject);
    const auto lines = MergeParticipants(ReadParticipants(participants), subjects, participants);
    SaveLines(participants, kLf, [&](TLineSink& sink) {
        for (const auto& line : lines)
            sink.Line(line);
    });
    const std::filesystem::path sidecar = options.Dataset / "participants.json";
    if (!Exists(sidecar)) {
        TJson json;
        json["participant_id"] = {{"Description", "The participant's label, as the dataset's sub- folders name it"}};
        SaveText(sidecar, JsonText(json));
    }
}

std::vector<std::string> MergeParticipants(const std::vector<std::string>& existing,
                                           const std::vector<std::string>& subjects,
                                           const std::filesystem::path& path)
{
    if (!existing.empty() && FirstField(existing.front()) != "participant_id")
        throw EORVAError(PathText(path), "The first column is not participant_id, so the subjects cannot be added");
    const std::string header = existing.empty() ? "participant_id" : existing.front();
    const auto columns = static_cast<std::size_t>(std::count(header.begin(), header.end(), '\t'));
    std::vector<std::string> rows;
    std::set<std::string> present;
    for (std::size_t i = 1; i < existing.size(); ++i) {
        if (existing[i].empty())
            continue;
        rows.push_back(existing[i]);
        present.insert(FirstField(existing[i]));
    }
    for (const auto& subject : subjects) {
        if (!present.insert(subject).second)
            continue;
        std::string row = subject;
        for (std::size_t c = 0; c < columns; ++c)
            row += "\tn/a";
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const std::string& a, const std::string& b) { return FirstField(a) < FirstField(b); });
    rows.insert(rows.begin(), header);
    return rows;
}

} // namespace orva
