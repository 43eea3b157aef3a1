#pragma once
#include "model/PathText.h"
#include "model/ProgressDisplay.h"
#include "model/SampleArray.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class TBigEndianFileStream;

constexpr std::int32_t kByteOrderTag = 16909060;        // bytes 01 02 03 04
constexpr std::int32_t kSwappedByteOrderTag = 33620995; // bytes 02 01 04 03
constexpr std::int32_t kAverageFileVersion = -1;
constexpr std::int32_t kSessionFileVersion = 3;

/// Named layout of the fixed header (offsets from the start of the file).
namespace layout {
constexpr int kByteOrder = 0;
constexpr int kHeaderVersion = 4;
constexpr int kHeaderLength = 6;
constexpr int kDataLength = 8;
constexpr int kExperimentName = 12;
constexpr int kNameWidth = 80;
constexpr int kGeneralInformation = 92;
constexpr int kGeneralWords = 13;
constexpr int kNumCells = 118;
constexpr int kFixedHeaderSize = 130;
constexpr int kCellRecordFixedSize = 90;
constexpr int kAverageTrialSpecificsLength = 28;
} // namespace layout

/// Entry i names the channel of the model written as channel i; entries outside
/// 0 .. NumChannels-1 name no channel.
using ChannelMap = std::vector<std::int32_t>;

/// The map that writes every channel in its own place.
ChannelMap IdentityChannelMap(std::int32_t count);

struct TORVAFileDescription {
    std::int32_t ByteOrder = 0;
    std::int32_t HeaderVersion = 0;
    std::int32_t HeaderLength = 0;
    std::int32_t DataLength = 0;
    std::string ExperimentName;
};

struct TGeneralInformation {
    // Session files (HeaderVersion 3), in file order.
    std::int32_t CollectionMonth = 0;
    std::int32_t CollectionDay = 0;
    std::int32_t CollectionYear = 0;
    std::int32_t CollectionHour = 0;
    std::int32_t CollectionMinute = 0;
    std::int32_t CollectionSecond = 0;
    std::int32_t SubjectID = 0;
    std::int32_t Handedness = 0;
    std::int32_t Sex = 0;
    std::int32_t Age = 0;
    std::int32_t ExperimenterID = 0;
    std::int32_t EditVersion = 0;
    std::int32_t CalibrationFlag = 0;
    // Average files (HeaderVersion -1).
    std::int32_t LastSubjectDone = 0;
    std::int32_t ScaleBins = 0;
    std::int32_t ScaleCalibration = 0;
    std::int32_t BaselineDuration = 0;

    bool operator==(const TGeneralInformation&) const = default;
};

struct TDataDescription {
    std::int32_t NumCells = 0;
    std::int32_t NumChannels = 0;
    std::int32_t CommentLength = 0;
    std::int32_t TextLength = 0;
    std::int32_t PaddingLength = 0;
    std::int32_t BoardGain = 0;
    std::vector<std::int32_t> CellWords;
    std::vector<std::int32_t> Zeros;
    std::vector<std::int32_t> Gains;
};

class TORVACell {
public:
    std::string Name;
    std::int32_t CellNumber = 0;
    std::int32_t NumObservations = 0;
    std::int32_t SamplesPerObservation = 0;
    std::int32_t SamplesPerSecond = 0;
    std::int32_t TrialSpecificsLength = 0;
    /// [observation][word], TrialSpecificsLength div 2 words per observation.
    TTrialSpecifics TrialSpecifics;
    /// [observation][sample][channel], raw 16-bit samples in one block.
    TSampleArray Data;
    /// False when the file ended before this cell's record began (every field read as 0).
    bool RecordInFile = true;

    /// Bytes of this cell's record in the header.
    std::int64_t RecordSize() const;
};

class TORVAFile {
public:
    TORVAFileDescription FileDescription;
    TGeneralInformation GeneralInformation;
    TDataDescription DataDescription;
    std::vector<TORVACell> Cells;
    std::string Comment;
    std::string TextSegment;
    /// The path that was loaded.
    std::filesystem::path FullFileName;
    /// Its name without folder, as UTF-8 text (for captions and reports).
    std::string FileName;
    bool Saved = false;

    /// Empty when the file may be loaded, otherwise the reason. Fills the first four
    /// members of FileDescription. Asks `question` when only the length is wrong
    /// (no question object: the answer is No).
    std::string CheckFile(const std::filesystem::path& Path, TLengthQuestion* question = nullptr);

    /// CheckFile on an open stream (a file, or bytes in memory), read from its start.
    std::string CheckStream(TBigEndianFileStream& Stream, TLengthQuestion* question = nullptr);

    /// Reads the whole file. On any error the object is left as it was and an
    /// EORVAError names the file and the cause.
    void LoadFromFile(const std::filesystem::path& Path, TProgressDisplay* progress = nullptr);
    /// LoadFromFile on an open stream, read from its start; Path is recorded as the file's name.
    void LoadFromStream(TBigEndianFileStream& Stream, const std::filesystem::path& Path,
                        TProgressDisplay* progress = nullptr);

    /// Replaces Lines with the header report.
    void GetHeaderText(std::vector<std::string>& Lines) const;

    void SaveToFile(const std::filesystem::path& Path, TProgressDisplay* progress = nullptr);
    void SaveRemapped(const std::filesystem::path& Path, const ChannelMap& Map, TProgressDisplay* progress = nullptr) const;
    /// SaveRemapped into a stream opened in create mode, which is committed at the end.
    void SaveRemappedTo(TBigEndianFileStream& Stream, const ChannelMap& Map, TProgressDisplay* progress = nullptr) const;
    void SaveCell(const std::filesystem::path& Path, int CellIndex, TProgressDisplay* progress = nullptr);

    bool IsAverageFile() const { return FileDescription.HeaderVersion == kAverageFileVersion; }
    bool IsSessionFile() const { return FileDescription.HeaderVersion == kSessionFileVersion; }
    std::int32_t NumCells() const { return DataDescription.NumCells; }
    std::int32_t NumChannels() const { return DataDescription.NumChannels; }

private:
    void ReadFirstFields(TBigEndianFileStream& s);
    std::string Verdict(std::int64_t size, TLengthQuestion* question) const;
};

/// The calibrated value of raw sample v of channel c, in microvolts: v / ScaleBins for an
/// average file, ((v - Zeros[c]) * 400) / Gains[c] for a session file (integer product,
/// floating-point division). Check CalibrationProblem first: a zero divisor gives inf or nan.
inline double CalibratedValue(const TORVAFile& file, std::int32_t v, int c)
{
    if (file.IsAverageFile())
        return static_cast<double>(v) / static_cast<double>(file.GeneralInformation.ScaleBins);
    const auto& d = file.DataDescription;
    return static_cast<double>((v - d.Zeros[static_cast<std::size_t>(c)]) * 400) /
           static_cast<double>(d.Gains[static_cast<std::size_t>(c)]);
}

/// Why channel c cannot be calibrated ("Scale bins is 0", "Gain of channel 5 is 0"), or nothing.
std::optional<std::string> CalibrationProblem(const TORVAFile& file, int c);

/// The first channel of the file that cannot be calibrated, as CalibrationProblem says it.
std::optional<std::string> FirstCalibrationProblem(const TORVAFile& file);

} // namespace orva
