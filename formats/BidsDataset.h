#pragma once
// A BIDS EEG dataset (BIDS 1.8) made from session files: each recording as BrainVision
// files with its sidecars, and the dataset's own files, created or extended.
#include "head/SensorPositions.h"
#include "model/ORVAFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// The BIDS version the written datasets follow.
inline constexpr std::string_view kBidsVersion = "1.8.0";

struct TBidsOptions {
    std::filesystem::path Dataset;
    /// Labels as typed: ASCII letters and digits only.
    std::string Task;
    std::optional<std::string> Subject; ///< one input only; else each input's name gives it
    std::optional<std::string> Session;
    /// Hz, as typed; "n/a" in the sidecar when left out.
    std::optional<std::string> LineFrequency;
    std::optional<std::string> Reference;
    std::optional<std::filesystem::path> ChannelNames;
    /// The positions file and its sensors (read before anything is written); with them each
    /// recording gets _electrodes.tsv and _coordsystem.json.
    std::optional<std::filesystem::path> Positions;
    std::vector<TSensorPosition> Sensors;
    /// "m", "cm" or "mm"; "n/a" in _coordsystem.json when left out.
    std::optional<std::string> PositionUnits;
    bool Overwrite = false;
    /// Named with the program in dataset_description.json (GeneratedBy).
    std::string ProgramVersion;
};

/// Where one input goes: DATASET/sub-S[/ses-X]/eeg/sub-S[_ses-X]_task-T_<suffix>.
struct TBidsRecording {
    std::filesystem::path Input;
    std::string Subject;
    std::filesystem::path Folder;
    std::string Stem; ///< sub-S[_ses-X]_task-T

    std::filesystem::path File(std::string_view suffix) const { return Folder / (Stem + std::string(suffix)); }
};

/// The subject label an input's name gives: its name without extension, keeping only ASCII
/// letters and digits ("S 01_b.ses" gives "S01b"); empty when none is left.
std::string SubjectLabelFromName(const std::filesystem::path& input);

/// Checks the options, labels every input and refuses, before anything is written: a
/// label that is empty or not made of ASCII letters and digits, --subject with several
/// inputs, two inputs of one subject, a recording of the same subject, session and task
/// already in the dataset (unless Overwrite), a dataset that is not a folder, and a
/// participants.tsv that does not begin with participant_id. Reads, never writes.
std::vector<TBidsRecording> PlanBidsDataset(const std::vector<std::filesystem::path>& inputs,
                                            const TBidsOptions& options);

/// Refuses a document the dataset cannot hold: an average file (BIDS holds recordings), a
/// document without epochs, a selection LayOutEpochs refuses, channel names that do not fit.
void CheckBidsRecording(const TORVAFile& file, const TBidsOptions& options);

/// The dataset's Name: the document's experiment name (Windows-1252) with the spaces
/// around it trimmed, or the dataset folder's name when that leaves nothing.
std::string BidsDatasetName(const TORVAFile& first, const std::filesystem::path& dataset);

/// Writes the recording's BrainVision files, _eeg.json, _channels.tsv, _events.tsv and
/// _events.json, and with positions sub-S[_ses-X]_electrodes.tsv and _coordsystem.json (the
/// folders created as needed), each through the safe write.
void WriteBidsRecording(const TORVAFile& file, const TBidsRecording& recording, const TBidsOptions& options);

/// dataset_description.json and README when absent, participants.tsv with a row for every
/// subject of the dataset (existing rows kept, sorted by participant_id in byte order), and
/// participants.json when absent.
void WriteBidsDatasetFiles(const TBidsOptions& options, const std::vector<TBidsRecording>& recordings,
                           const std::string& name);

/// The lines of participants.tsv: `existing` (header first; empty for a new file) with a
/// row for each subject not yet in it ("n/a" in its other columns), rows sorted by
/// participant_id in byte order, ties in their old order. `path` names the file in errors.
std::vector<std::string> MergeParticipants(const std::vector<std::string>& existing,
                                           const std::vector<std::string>& subjects,
                                           const std::filesystem::path& path);

} // namespace orva
