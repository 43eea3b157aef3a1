// The writers: SaveToFile, SaveRemapped and SaveCell.
#include "model/BigEndianFileStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"

#include <algorithm>
#include <limits>

namespace orva {

namespace {

constexpr std::int32_t kUnmappedGain = 1638;
constexpr std::int64_t kMaxHeaderLength = std::numeric_limits<std::int16_t>::max();

// The lengths written into a file's fixed header.
struct TWrittenLengths {
    std::int32_t HeaderLength;
    std::int32_t DataLength;
    std::int32_t PaddingLength;
};

// The smallest multiple of 512 above a header of `bytes` without padding, as the
// acquisition system lays out its headers (at least one byte of padding).
std::int64_t HeaderLengthFor(std::int64_t bytes) { return (bytes / 512 + 1) * 512; }

std::int64_t CellDataBytes(const TORVACell& cell, std::int32_t numChannels)
{
    return 2 * std::int64_t{cell.NumObservations} * cell.SamplesPerObservation * numChannels;
}

// Guards the writers against a model whose arrays do not match its counts
// (only possible for a model assembled in memory, never for a loaded one).
void RequireConsistentModel(const TORVAFile& f, const std::string& path)
{
    const auto& dd = f.DataDescription;
    auto fail = [&](const std::string& what) { throw EORVAError(path, "Cannot write: " + what); };
    if (f.Cells.size() != static_cast<std::size_t>(dd.NumCells) || dd.CellWords.size() != f.Cells.size())
        fail("the number of cells does not match NumCells");
    if (dd.Zeros.size() != static_cast<std::size_t>(dd.NumChannels) || dd.Gains.size() != dd.Zeros.size())
        fail("the zeros and gains do not match NumChannels");
    for (std::size_t i = 0; i < f.Cells.size(); ++i) {
        const auto& c = f.Cells[i];
        if (c.Data.Observations() != c.NumObservations || c.Data.Samples() != c.SamplesPerObservation ||
            c.Data.Channels() != dd.NumChannels ||
            c.TrialSpecifics.size() != static_cast<std::size_t>(c.NumObservations) * static_cast<std::size_t>(c.TrialSpecificsLength / 2))
            fail("the arrays of cell " + std::to_string(i + 1) + " do not match its counts");
    }
}

// Keeps HeaderLength and adjusts the padding so that the written header adds up;
// grows the header only when its fields do not fit. DataLength is always recomputed.
TWrittenLengths WholeFileLengths(const TORVAFile& f, const std::string& path)
{
    const auto& dd = f.DataDescription;
    std::int64_t fields = layout::kFixedHeaderSize + 2 * std::int64_t{dd.NumCells} + 4 * std::int64_t{dd.NumChannels} +
                          dd.CommentLength + dd.TextLength;
    std::int64_t data = 0;
    for (const auto& cell : f.Cells) {
        fields += cell.RecordSize();
        data += CellDataBytes(cell, dd.NumChannels);
    }
    std::int64_t header = f.FileDescription.HeaderLength;
    if (fields > header) {
        header = HeaderLengthFor(fields);
        if (header > kMaxHeaderLength)
            header = fields;
    }
    if (header > kMaxHeaderLength)
        throw EORVAError(path, "Cannot write: the header needs " + std::to_string(fields) +
                                   " bytes, more than a header length field can describe (32767)");
    if (data > std::numeric_limits<std::int32_t>::max())
        throw EORVAError(path, "Cannot write: the samples take " + std::to_string(data) +
                                   " bytes, more than a data length field can describe");
    return {static_cast<std::int32_t>(header), static_cast<std::int32_t>(data),
            static_cast<std::int32_t>(header - fields)};
}

void WriteGeneralInformation(TBigEndianFileStream& s, const TORVAFile& f)
{
    const auto& g = f.GeneralInformation;
    if (f.IsAverageFile()) {
        for (std::int32_t v : {0, 0, 0, 0, 0, 0, g.LastSubjectDone, g.ScaleBins, g.ScaleCalibration,
                               g.BaselineDuration, 0, 0, 0})
            s.WriteInt16(v);
        return;
    }
    for (std::int32_t v : {g.CollectionMonth, g.CollectionDay, g.CollectionYear, g.CollectionHour,
                           g.CollectionMinute, g.CollectionSecond, g.SubjectID, g.Handedness, g.Sex, g.Age,
                           g.ExperimenterID, g.EditVersion, g.CalibrationFlag})
        s.WriteInt16(v);
}

void WriteFixedPart(TBigEndianFileStream& s, const TORVAFile& f, const TWrittenLengths& lengths, std::int32_t numCells)
{
    const auto& fd = f.FileDescription;
    const auto& dd = f.DataDescription;
    s.WriteInt32(fd.ByteOrder);
    s.WriteInt16(fd.HeaderVersion);
    s.WriteInt16(lengths.HeaderLength);
    s.WriteInt32(lengths.DataLength);
    s.WriteFixedString(fd.ExperimentName, layout::kNameWidth);
    WriteGeneralInformation(s, f);
    for (std::int32_t v : {numCells, dd.NumChannels, dd.CommentLength, dd.TextLength, lengths.PaddingLength, dd.BoardGain})
        s.WriteInt16(v);
}

void WriteCellRecord(TBigEndianFileStream& s, const TORVACell& cell, TProgressScope& progress, std::int32_t numChannels)
{
    s.WriteInt16(cell.CellNumber);
    s.WriteFixedString(cell.Name, layout::kNameWidth);
    for (std::int32_t v : {cell.NumObservations, cell.SamplesPerObservation, cell.SamplesPerSecond, cell.TrialSpecificsLength})
        s.WriteInt16(v);
    s.WriteInt16Block(cell.TrialSpecifics.data(), cell.TrialSpecifics.size());
    progress.AddToMaximum(std::int64_t{numChannels} * cell.NumObservations * cell.SamplesPerObservation);
}

void WriteTexts(TBigEndianFileStream& s, const TORVAFile& f, std::int32_t padding)
{
    s.WriteFixedString(f.Comment, f.DataDescription.CommentLength);
    s.WriteFixedString(f.TextSegment, f.DataDescription.TextLength);
    s.WriteFixedString(std::string(), padding);
}

bool NamesChannel(std::int32_t entry, std::int32_t numChannels) { return entry >= 0 && entry < numChannels; }

bool IsIdentity(const ChannelMap& map, std::int32_t numChannels)
{
    for (std::int32_t i = 0; i < numChannels; ++i)
        if (map[static_cast<std::size_t>(i)] != i)
            return false;
    return true;
}

void WriteCellSamples(TBigEndianFileStream& s, const TORVACell& cell, const ChannelMap& map, std::int32_t numChannels,
                      TProgressScope& progress)
{
    const std::size_t perObservation = cell.Data.ValuesPerObservation();
    const bool identity = IsIdentity(map, numChannels);
    std::vector<std::int16_t> remapped(identity ? 0 : perObservation);
    for (std::int32_t o = 0; o < cell.NumObservations; ++o) {
        progress.ProcessPendingEvents();
        const std::int16_t* values = cell.Data.Observation(o);
        if (!identity) {
            for (std::int32_t t = 0; t < cell.SamplesPerObservation; ++t) {
                const std::int16_t* in = values + static_cast<std::size_t>(t) * static_cast<std::size_t>(numChannels);
                std::int16_t* out = remapped.data() + static_cast<std::size_t>(t) * static_cast<std::size_t>(numChannels);
                for (std::int32_t i = 0; i < numChannels; ++i) {
                    std::int32_t src = map[static_cast<std::size_t>(i)];
                    out[i] = NamesChannel(src, numChannels) ? in[src] : std::int16_t{0};
                }
            }
            values = remapped.data();
        }
        s.WriteInt16Block(values, perObservation);
        progress.Advance(static_cast<std::int64_t>(perObservation));
    }
}

// The checks of SaveRemapped and the lengths it writes.
TWrittenLengths PrepareWholeFile(const TORVAFile& f, const ChannelMap& map, const std::string& where)
{
    RequireConsistentModel(f, where);
    if (map.size() < static_cast<std::size_t>(f.NumChannels()))
        throw EORVAError(where, "Cannot write: the channel map has " + std::to_string(map.size()) +
                                   " entries for " + std::to_string(f.NumChannels()) + " channels");
    return WholeFileLengths(f, where);
}

} // namespace

ChannelMap IdentityChannelMap(std::int32_t count)
{
    ChannelMap map(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<std::int32_t>(i);
    return map;
}

void TORVAFile::SaveToFile(const std::filesystem::path& Path, TProgressDisplay* progress)
{
    SaveRemapped(Path, IdentityChannelMap(NumChannels()), progress);
    Saved = true;
}

void TORVAFile::SaveRemapped(const std::filesystem::path& Path, const ChannelMap& Map, TProgressDisplay* progressDisplay) const
{
    // Everything that could refuse the model is checked before the file is created.
    PrepareWholeFile(*this, Map, PathText(Path));
    TBigEndianFileStream s(Path, TFileMode::fmCreate);
    SaveRemappedTo(s, Map, progressDisplay);
}

void TORVAFile::SaveRemappedTo(TBigEndianFileStream& s, const ChannelMap& Map, TProgressDisplay* progressDisplay) const
{
    const TWrittenLengths lengths = PrepareWholeFile(*this, Map, s.Path());
    const auto& dd = DataDescription;
    TProgressScope progress(progressDisplay, "Saving " + ExtractFileName(PathFromText(s.Path())) + "...");
    WriteFixedPart(s, *this, lengths, dd.NumCells);
    for (std::int32_t w : dd.CellWords)
        s.WriteInt16(w);
    for (std::int32_t i = 0; i < dd.NumChannels; ++i) {
        std::int32_t src = Map[static_cast<std::size_t>(i)];
        s.WriteInt16(NamesChannel(src, dd.NumChannels) ? dd.Zeros[static_cast<std::size_t>(src)] : 0);
    }
    for (std::int32_t i = 0; i < dd.NumChannels; ++i) {
        std::int32_t src = Map[static_cast<std::size_t>(i)];
        s.WriteInt16(NamesChannel(src, dd.NumChannels) ? dd.Gains[static_cast<std::size_t>(src)] : kUnmappedGain);
    }
    for (const auto& cell : Cells)
        WriteCellRecord(s, cell, progress, dd.NumChannels);
    WriteTexts(s, *this, lengths.PaddingLength);
    for (const auto& cell : Cells)
        WriteCellSamples(s, cell, Map, dd.NumChannels, progress);
    s.Commit();
}

void TORVAFile::SaveCell(const std::filesystem::path& Path, int CellIndex, TProgressDisplay* progressDisplay)
{
    const std::string where = PathText(Path);
    RequireConsistentModel(*this, where);
    if (CellIndex < 0 || static_cast<std::size_t>(CellIndex) >= Cells.size())
        throw EORVAError(where, "Cannot write: there is no cell " + std::to_string(CellIndex + 1));
    const auto& dd = DataDescription;
    const TORVACell& cell = Cells[static_cast<std::size_t>(CellIndex)];
    const std::int64_t withoutPadding = layout::kFixedHeaderSize + 2 + 4 * std::int64_t{dd.NumChannels} +
                                        cell.RecordSize() + dd.CommentLength + dd.TextLength;
    const std::int64_t header = HeaderLengthFor(withoutPadding);
    if (header > kMaxHeaderLength)
        throw EORVAError(where, "Cannot write cell " + std::to_string(CellIndex + 1) + ": its header needs " +
                                   std::to_string(header) +
                                   " bytes, more than a header length field can describe (32767)");
    const std::int64_t data = CellDataBytes(cell, dd.NumChannels);
    if (data > std::numeric_limits<std::int32_t>::max())
        throw EORVAError(where, "Cannot write cell " + std::to_string(CellIndex + 1) + ": its samples take " +
                                   std::to_string(data) + " bytes, more than a data length field can describe");
    const TWrittenLengths lengths{static_cast<std::int32_t>(header), static_cast<std::int32_t>(data),
                                  static_cast<std::int32_t>(header - withoutPadding)};

    const ChannelMap identity = IdentityChannelMap(dd.NumChannels);
    TBigEndianFileStream s(Path, TFileMode::fmCreate);
    {
        TProgressScope progress(progressDisplay, "Saving " + ExtractFileName(Path) + "...");
        WriteFixedPart(s, *this, lengths, 1);
        s.WriteInt16(dd.CellWords[static_cast<std::size_t>(CellIndex)]);
        for (std::int32_t z : dd.Zeros)
            s.WriteInt16(z);
        for (std::int32_t g : dd.Gains)
            s.WriteInt16(g);
        WriteCellRecord(s, cell, progress, dd.NumChannels);
        WriteTexts(s, *this, lengths.PaddingLength);
        WriteCellSamples(s, cell, identity, dd.NumChannels, progress);
        s.Commit();
    }
    Saved = true;
}

} // namespace orva
