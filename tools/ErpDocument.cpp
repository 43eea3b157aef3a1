#include "tools/ErpDocument.h"

#include "model/ORVAError.h"
#include "select/NumberFormat.h"
#include "tools/SampleWriteBack.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace orva {

namespace {

constexpr double kLargestSample = 32767.0;
constexpr std::int32_t kAverageWords = layout::kAverageTrialSpecificsLength / 2;

// The header length the acquisition system would give a header of `bytes` without padding.
std::int64_t PaddedHeaderLength(std::int64_t bytes) { return (bytes / 512 + 1) * 512; }

std::string ValueText(double v)
{
    char text[kMaxFormattedLength];
    return std::string(text, FormatFixed(text, v, 0, 3, '.'));
}

struct TLargest {
    double Magnitude = 0;
    bool TooLarge = false;
    std::size_t Cell = 0;
    std::size_t Index = 0; // of the first value beyond 32767 in its cell's block
};

TLargest FindLargest(const std::vector<TValueCell>& cells)
{
    TLargest largest;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const TLargeArray<double>& values = cells[c].Values;
        double m = 0;
        for (double v : values)
            m = std::max(m, std::fabs(v));
        largest.Magnitude = std::max(largest.Magnitude, m);
        if (m > kLargestSample && !largest.TooLarge) {
            largest.TooLarge = true;
            largest.Cell = c;
            largest.Index = static_cast<std::size_t>(
                std::find_if(values.begin(), values.end(), [](double v) { return std::fabs(v) > kLargestSample; }) -
                values.begin());
        }
    }
    return largest;
}

[[noreturn]] void RefuseTooLarge(const std::vector<TValueCell>& cells, const TLargest& largest, std::int32_t channels)
{
    const TValueCell& cell = cells[largest.Cell];
    const std::size_t perSample = static_cast<std::size_t>(channels);
    const std::size_t perObservation = perSample * static_cast<std::size_t>(cell.Record.SamplesPerObservation);
    const std::size_t o = largest.Index / perObservation;
    const std::size_t s = largest.Index % perObservation / perSample;
    const std::size_t h = largest.Index % perSample;
    const std::string source = o < cell.Sources.size() ? cell.Sources[o] : std::string("(result)");
    throw EORVAError(source, "Cannot store the result as an average file: cell " + std::to_string(largest.Cell + 1) +
                                 " \"" + cell.Record.Name + "\", observation " + std::to_string(o + 1) + ", channel " +
                                 std::to_string(h + 1) + ", sample " + std::to_string(s + 1) + " is " +
                                 ValueText(cell.Values[largest.Index]) +
                                 " uV, beyond the 32767 a 16-bit sample holds even at ScaleBins 1");
}

// Calibrated values of observation o of a cell, channels adjacent.
void ReadObservation(const TORVAFile& file, const TORVACell& cell, int o, double* values)
{
    const std::int16_t* raw = cell.Data.Observation(o);
    const int channels = file.NumChannels();
    for (int s = 0; s < cell.SamplesPerObservation; ++s)
        for (int h = 0; h < channels; ++h, ++raw, ++values)
            *values = CalibratedValue(file, *raw, h);
}

} // namespace

TValueCell AveragedCell(const TORVACell& model, std::int16_t trials, std::int32_t cellWord,
                        TLargeArray<double> values, std::string source)
{
    TValueCell cell;
    cell.Record.Name = model.Name;
    cell.Record.CellNumber = model.CellNumber;
    cell.Record.NumObservations = 1;
    cell.Record.SamplesPerObservation = model.SamplesPerObservation;
    cell.Record.SamplesPerSecond = model.SamplesPerSecond;
    cell.Record.TrialSpecificsLength = layout::kAverageTrialSpecificsLength;
    cell.Record.TrialSpecifics = TTrialSpecifics(1, layout::kAverageTrialSpecificsLength / 2);
    cell.Record.TrialSpecifics(0, 0) = trials;
    cell.CellWord = cellWord;
    cell.Values = std::move(values);
    cell.Sources = {std::move(source)};
    return cell;
}

std::int32_t ChooseScaleBins(double m)
{
    if (m == 0)
        return 32767;
    if (!(m <= kLargestSample))
        return 0;
    return static_cast<std::int32_t>(std::min(kLargestSample, std::floor(kLargestSample / m)));
}

TTrialSpecifics AverageTrialSpecifics(const TORVACell& cell)
{
    TTrialSpecifics words(cell.NumObservations, kAverageWords);
    const std::int32_t kept = std::min(kAverageWords, cell.TrialSpecifics.WordsPerObservation());
    for (std::int32_t o = 0; o < cell.NumObservations; ++o)
        for (std::int32_t w = 0; w < kept; ++w)
            words(o, w) = cell.TrialSpecifics(o, w);
    return words;
}

TValueCell ValueCellOf(const TORVAFile& file, int c)
{
    const TORVACell& in = file.Cells[static_cast<std::size_t>(c)];
    TValueCell cell;
    cell.Record.Name = in.Name;
    cell.Record.CellNumber = in.CellNumber;
    cell.Record.NumObservations = in.NumObservations;
    cell.Record.SamplesPerObservation = in.SamplesPerObservation;
    cell.Record.SamplesPerSecond = in.SamplesPerSecond;
    cell.Record.TrialSpecificsLength = layout::kAverageTrialSpecificsLength;
    cell.Record.TrialSpecifics = AverageTrialSpecifics(in);
    cell.CellWord = file.DataDescription.CellWords[static_cast<std::size_t>(c)];
    cell.Values = TLargeArray<double>(in.Data.size());
    const std::size_t perObservation = in.Data.ValuesPerObservation();
    for (int o = 0; o < in.NumObservations; ++o)
        ReadObservation(file, in, o, cell.Values.data() + static_cast<std::size_t>(o) * perObservation);
    cell.Sources.assign(static_cast<std::size_t>(in.NumObservations), ExportedDocumentName(file));
    return cell;
}

TORVAFile MakeAverageFile(const TORVAFile& source, std::vector<TValueCell> cells, std::int32_t lastSubjectDone,
                          std::int32_t baselineDuration)
{
    const TLargest largest = FindLargest(cells);
    if (largest.TooLarge)
        RefuseTooLarge(cells, largest, source.NumChannels());
    const std::int32_t scaleBins = ChooseScaleBins(largest.Magnitude);

    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kAverageFileVersion;
    f.FileDescription.ExperimentName = source.FileDescription.ExperimentName;
    f.GeneralInformation.LastSubjectDone = lastSubjectDone;
    f.GeneralInformation.ScaleBins = scaleBins;
    f.GeneralInformation.ScaleCalibration = 0;
    f.GeneralInformation.BaselineDuration = baselineDuration;
    auto& dd = f.DataDescription;
    const auto& in = source.DataDescription;
    dd.NumCells = static_cast<std::int32_t>(cells.size());
    dd.NumChannels = in.NumChannels;
    dd.CommentLength = in.CommentLength;
    dd.TextLength = in.TextLength;
    dd.BoardGain = in.BoardGain;
    dd.Zeros = in.Zeros;
    dd.Gains = in.Gains;
    f.Comment = source.Comment;
    f.TextSegment = source.TextSegment;

    std::int64_t fields = layout::kFixedHeaderSize + 2 * std::int64_t{dd.NumCells} + 4 * std::int64_t{dd.NumChannels} +
                          dd.CommentLength + dd.TextLength;
    std::int64_t data = 0;
    std::int64_t clamped = 0; // stays 0: the scale was chosen so that every value fits
    for (TValueCell& cell : cells) {
        TORVACell record = std::move(cell.Record);
        record.Data = TSampleArray(record.NumObservations, record.SamplesPerObservation, dd.NumChannels);
        std::int16_t* raw = record.Data.data();
        for (double v : cell.Values)
            *raw++ = AverageSample(v, scaleBins, clamped);
        cell.Values = {};
        fields += record.RecordSize();
        data += 2 * static_cast<std::int64_t>(record.Data.size());
        dd.CellWords.push_back(cell.CellWord);
        f.Cells.push_back(std::move(record));
    }
    const std::int64_t header = PaddedHeaderLength(fields);
    // A header too long for its field is refused by the writer, naming the output.
    f.FileDescription.HeaderLength = static_cast<std::int32_t>(std::min<std::int64_t>(header, INT32_MAX));
    dd.PaddingLength = static_cast<std::int32_t>(std::min<std::int64_t>(header - fields, INT16_MAX));
    f.FileDescription.DataLength = static_cast<std::int32_t>(std::min<std::int64_t>(data, INT32_MAX));
    return f;
}

TErpResult ChangeObservations(TORVAFile file, const TObservationChange& change)
{
    TErpResult result;
    if (file.IsAverageFile()) {
        std::vector<TValueCell> cells;
        for (int c = 0; c < file.NumCells(); ++c) {
            cells.push_back(ValueCellOf(file, c));
            TValueCell& cell = cells.back();
            const std::size_t perObservation = file.Cells[static_cast<std::size_t>(c)].Data.ValuesPerObservation();
            for (int o = 0; o < cell.Record.NumObservations; ++o)
                change(c, o, cell.Values.data() + static_cast<std::size_t>(o) * perObservation);
        }
        const auto& g = file.GeneralInformation;
        result.File = MakeAverageFile(file, std::move(cells), g.LastSubjectDone, g.BaselineDuration);
        return result;
    }
    // A session file is changed in place, one observation at a time: its values never
    // exist in double all at once.
    const int channels = file.NumChannels();
    const auto& dd = file.DataDescription;
    std::vector<double> values;
    for (int c = 0; c < file.NumCells(); ++c) {
        TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        values.resize(cell.Data.ValuesPerObservation());
        for (int o = 0; o < cell.NumObservations; ++o) {
            ReadObservation(file, cell, o, values.data());
            change(c, o, values.data());
            std::int16_t* raw = cell.Data.Observation(o);
            const double* value = values.data();
            for (int s = 0; s < cell.SamplesPerObservation; ++s)
                for (int h = 0; h < channels; ++h)
                    *raw++ = SessionSample(*value++, dd.Zeros[static_cast<std::size_t>(h)],
                                           dd.Gains[static_cast<std::size_t>(h)], result.Clamped);
        }
    }
    file.Saved = false;
    result.File = std::move(file);
    return result;
}

void RequireUsable(const TORVAFile& file, const std::string& operation)
{
    CheckDocumentShape(file);
    if (auto problem = FirstCalibrationProblem(file))
        RefuseExport(file, "Cannot " + operation + ": " + *problem);
}

void RequireAverageFile(const TORVAFile& file, const std::string& operation)
{
    if (!file.IsAverageFile())
    {
        // "make a grand average" takes its files as "a grand average", the one-word operations by their name.
        const std::string maker = operation.rfind("make ", 0) == 0 ? operation.substr(5) : operation;
        RefuseExport(file, "Cannot " + operation + ": this is a session file; " + maker + " takes average files");
    }
    RequireUsable(file, operation);
}

void RequireSessionFile(const TORVAFile& file, const std::string& operation)
{
    if (!file.IsSessionFile())
        RefuseExport(file, "Cannot " + operation + ": this is an average file; " + operation + " takes session files");
    RequireUsable(file, operation);
}

void RequireTrials(const TORVAFile& file, const std::string& operation)
{
    if (!file.IsSessionFile())
        RefuseExport(file, "Cannot " + operation + ": this is an average file: its observations are subjects, not trials");
    RequireUsable(file, operation);
}

TSelectionList DistinctEntries(const TORVAFile& file, const char* listName, const TSelectionList& list, int count,
                               const std::string& note)
{
    CheckSelectionEntries(file, listName, list, count, note);
    TSelectionList distinct;
    std::set<int> seen;
    for (int i : list)
        if (seen.insert(i).second)
            distinct.push_back(i);
    return distinct;
}

std::string CellText(const TORVAFile& file, int c)
{
    return "cell " + std::to_string(c + 1) + " \"" + file.Cells[static_cast<std::size_t>(c)].Name + "\"";
}

} // namespace orva
