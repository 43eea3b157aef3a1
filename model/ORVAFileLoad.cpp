// Validation (CheckFile) and loading (LoadFromFile) of session and average files.
#include "model/BigEndianFileStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"

#include <algorithm>

namespace orva {

namespace {

// A header may claim more data than the file holds (the user can open a truncated file
// anyway, and the missing values read as 0), but not so much more that believing it would
// mean an absurd allocation. A claim is believed up to the size the header itself declares
// (HeaderLength + DataLength, at most about 2 GiB: a copy cut short), and otherwise up to
// twice the file's size or the file's size plus 16 MiB.
constexpr std::int64_t kMinimumShortfallAllowed = 16 << 20;

void RequireNotNegative(const std::string& path, const std::string& where, const char* field, std::int32_t value)
{
    if (value < 0)
        throw EORVAError(path, "Invalid header: " + where + field + " is " + std::to_string(value) +
                                   " (must not be negative)");
}

class TSizeBudget {
public:
    TSizeBudget(std::string path, std::int64_t fileSize, std::int64_t declaredSize)
        : path_(std::move(path)), fileSize_(fileSize),
          limit_(std::max(fileSize + std::max<std::int64_t>(fileSize, kMinimumShortfallAllowed), declaredSize))
    {
    }
    void Claim(std::int64_t bytes)
    {
        claimed_ += bytes;
        if (claimed_ > limit_)
            throw EORVAError(path_, "Invalid header: its counts describe at least " + std::to_string(claimed_) +
                                        " bytes, but the file holds only " + std::to_string(fileSize_) + " bytes");
    }

private:
    std::string path_;
    std::int64_t fileSize_;
    std::int64_t limit_;
    std::int64_t claimed_ = 0;
};

void ReadGeneralInformation(TBigEndianFileStream& s, std::int32_t version, TGeneralInformation& g)
{
    if (version == kAverageFileVersion) {
        for (int i = 0; i < 6; ++i)
            s.ReadInt16();
        g.LastSubjectDone = s.ReadInt16();
        g.ScaleBins = s.ReadInt16();
        g.ScaleCalibration = s.ReadInt16();
        g.BaselineDuration = s.ReadInt16();
        for (int i = 0; i < 3; ++i)
            s.ReadInt16();
        return;
    }
    for (std::int32_t* field : {&g.CollectionMonth, &g.CollectionDay, &g.CollectionYear, &g.CollectionHour,
                                &g.CollectionMinute, &g.CollectionSecond, &g.SubjectID, &g.Handedness, &g.Sex,
                                &g.Age, &g.ExperimenterID, &g.EditVersion, &g.CalibrationFlag})
        *field = s.ReadInt16();
}

// Words beyond the end of the file stay 0 without being read one by one.
std::vector<std::int32_t> ReadWords(TBigEndianFileStream& s, std::int32_t count)
{
    std::vector<std::int32_t> words(static_cast<std::size_t>(count));
    for (auto& w : words) {
        if (s.Position() >= s.Size())
            break;
        w = s.ReadInt16();
    }
    return words;
}

void ReadCellRecord(TBigEndianFileStream& s, const std::string& path, int index, std::int32_t numChannels,
                    TSizeBudget& budget, TORVACell& cell)
{
    cell.RecordInFile = s.Position() < s.Size();
    if (!cell.RecordInFile) {
        // Every field of a record beyond the end reads as 0: nothing to read, nothing to hold.
        budget.Claim(cell.RecordSize());
        return;
    }
    cell.CellNumber = s.ReadInt16();
    cell.Name = s.ReadFixedString(layout::kNameWidth);
    cell.NumObservations = s.ReadInt16();
    cell.SamplesPerObservation = s.ReadInt16();
    cell.SamplesPerSecond = s.ReadInt16();
    cell.TrialSpecificsLength = s.ReadInt16();
    const std::string where = "cell " + std::to_string(index + 1) + " ";
    RequireNotNegative(path, where, "NumObservations", cell.NumObservations);
    RequireNotNegative(path, where, "SamplesPerObservation", cell.SamplesPerObservation);
    RequireNotNegative(path, where, "TrialSpecificsLength", cell.TrialSpecificsLength);
    budget.Claim(cell.RecordSize() + 2 * std::int64_t{cell.NumObservations} * cell.SamplesPerObservation * numChannels);

    const std::int32_t words = cell.TrialSpecificsLength / 2;
    cell.TrialSpecifics = TTrialSpecifics(cell.NumObservations, words);
    const std::size_t got = s.ReadInt16Words(cell.TrialSpecifics.data(), cell.TrialSpecifics.size());
    if (words > 0)
        cell.TrialSpecifics.SetObservationsInFile(
            static_cast<std::int32_t>((got + static_cast<std::size_t>(words) - 1) / static_cast<std::size_t>(words)));
}

// Reads a cell's samples in chunks of whole observations straight into its block,
// giving the user interface its turn once per observation. Samples beyond the end of the
// file are left as the block's untouched zeros.
void ReadCellData(TBigEndianFileStream& s, std::int32_t numChannels, TORVACell& cell, TProgressScope& progress)
{
    cell.Data = TSampleArray(cell.NumObservations, cell.SamplesPerObservation, numChannels);
    const std::size_t perObservation = cell.Data.ValuesPerObservation();
    const std::size_t chunkObservations = std::max<std::size_t>(1, (std::size_t{1} << 19) / std::max<std::size_t>(perObservation, 1));
    for (std::int32_t o = 0; o < cell.NumObservations;) {
        auto n = static_cast<std::int32_t>(std::min<std::size_t>(chunkObservations, static_cast<std::size_t>(cell.NumObservations - o)));
        s.ReadInt16Words(cell.Data.Observation(o), perObservation * static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            progress.ProcessPendingEvents();
            progress.Advance(static_cast<std::int64_t>(perObservation));
        }
        o += n;
    }
}

} // namespace

std::string TORVAFile::CheckFile(const std::filesystem::path& Path, TLengthQuestion* question)
{
    std::int64_t size = 0;
    {
        TBigEndianFileStream s(Path, TFileMode::fmOpenRead);
        ReadFirstFields(s);
        size = s.Size();
    }
    return Verdict(size, question);
}

std::string TORVAFile::CheckStream(TBigEndianFileStream& Stream, TLengthQuestion* question)
{
    Stream.Seek(0);
    ReadFirstFields(Stream);
    return Verdict(Stream.Size(), question);
}

void TORVAFile::ReadFirstFields(TBigEndianFileStream& s)
{
    FileDescription.ByteOrder = s.ReadInt32();
    FileDescription.HeaderVersion = s.ReadInt16();
    FileDescription.HeaderLength = s.ReadInt16();
    FileDescription.DataLength = s.ReadInt32();
}

std::string TORVAFile::Verdict(std::int64_t size, TLengthQuestion* question) const
{
    const auto& d = FileDescription;
    if (d.ByteOrder == kSwappedByteOrderTag)
        return "Bad byte order (" + std::to_string(d.ByteOrder) + ")";
    if (d.ByteOrder != kByteOrderTag)
        return "Invalid file tag (byte order: " + std::to_string(d.ByteOrder) + ")";
    if (d.HeaderVersion != kAverageFileVersion && d.HeaderVersion != kSessionFileVersion)
        return "Unhandled header version (" + std::to_string(d.HeaderVersion) + ")";
    if (std::int64_t{d.HeaderLength} + d.DataLength == size)
        return std::string();
    const std::string text = "Bad file length (" + std::to_string(d.HeaderLength) + "+" +
                             std::to_string(d.DataLength) + "<>" + std::to_string(size) + ")." + "\r" +
                             "Open anyway ?";
    if (question && question->AskOpenAnyway(text))
        return std::string();
    return "Bad file length";
}

void TORVAFile::LoadFromFile(const std::filesystem::path& Path, TProgressDisplay* progressDisplay)
{
    TBigEndianFileStream s(Path, TFileMode::fmOpenRead);
    LoadFromStream(s, Path, progressDisplay);
}

void TORVAFile::LoadFromStream(TBigEndianFileStream& s, const std::filesystem::path& Path, TProgressDisplay* progressDisplay)
{
    TORVAFile f;
    f.FullFileName = Path;
    f.FileName = ExtractFileName(Path);
    f.Saved = true;

    s.Seek(0);
    const std::string& path = s.Path();
    auto& fd = f.FileDescription;
    fd.ByteOrder = s.ReadInt32();
    fd.HeaderVersion = s.ReadInt16();
    fd.HeaderLength = s.ReadInt16();
    fd.DataLength = s.ReadInt32();
    fd.ExperimentName = s.ReadFixedString(layout::kNameWidth);

    TProgressScope progress(progressDisplay, "Loading " + f.FileName + "...");
    if (fd.HeaderVersion != kAverageFileVersion && fd.HeaderVersion != kSessionFileVersion)
        throw EORVAError(path, "Unhandled header version (" + std::to_string(fd.HeaderVersion) + ")");
    RequireNotNegative(path, "", "HeaderLength", fd.HeaderLength);
    ReadGeneralInformation(s, fd.HeaderVersion, f.GeneralInformation);

    auto& dd = f.DataDescription;
    dd.NumCells = s.ReadInt16();
    dd.NumChannels = s.ReadInt16();
    dd.CommentLength = s.ReadInt16();
    dd.TextLength = s.ReadInt16();
    dd.PaddingLength = s.ReadInt16();
    dd.BoardGain = s.ReadInt16();
    RequireNotNegative(path, "", "NumCells", dd.NumCells);
    RequireNotNegative(path, "", "NumChannels", dd.NumChannels);
    RequireNotNegative(path, "", "CommentLength", dd.CommentLength);
    RequireNotNegative(path, "", "TextLength", dd.TextLength);
    RequireNotNegative(path, "", "PaddingLength", dd.PaddingLength);
    dd.CellWords = ReadWords(s, dd.NumCells);
    dd.Zeros = ReadWords(s, dd.NumChannels);
    dd.Gains = ReadWords(s, dd.NumChannels);

    TSizeBudget budget(path, s.Size(), std::int64_t{fd.HeaderLength} + std::max(fd.DataLength, 0));
    budget.Claim(layout::kFixedHeaderSize + 2 * std::int64_t{dd.NumCells} + 4 * std::int64_t{dd.NumChannels});
    f.Cells.resize(static_cast<std::size_t>(dd.NumCells));
    for (int i = 0; i < dd.NumCells; ++i) {
        ReadCellRecord(s, path, i, dd.NumChannels, budget, f.Cells[static_cast<std::size_t>(i)]);
        const auto& cell = f.Cells[static_cast<std::size_t>(i)];
        progress.AddToMaximum(std::int64_t{dd.NumChannels} * cell.NumObservations * cell.SamplesPerObservation);
    }
    f.Comment = s.ReadFixedString(dd.CommentLength);
    f.TextSegment = s.ReadFixedString(dd.TextLength);

    s.Seek(fd.HeaderLength);
    for (auto& cell : f.Cells)
        ReadCellData(s, dd.NumChannels, cell, progress);

    *this = std::move(f);
}

} // namespace orva
