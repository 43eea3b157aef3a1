// The header report shown by "File header".
#include "model/ORVAFile.h"

#include <algorithm>
#include <charconv>

namespace orva {

namespace {

using std::to_string;

// Appends v as "%5d": right-aligned in five characters; wider numbers take the room they
// need. Written in place: a header may declare tens of thousands of channels.
void AppendPad5(std::string& line, std::int32_t v)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    const auto width = static_cast<std::size_t>(end - digits);
    if (width < 5)
        line.append(5 - width, ' ');
    line.append(digits, width);
}

std::string ChannelRow(const char* label, const std::vector<std::int32_t>* values, std::int32_t count)
{
    std::string line = label;
    line.reserve(line.size() + 5 * static_cast<std::size_t>(std::max(count, 0)));
    for (std::int32_t c = 0; c < count; ++c)
        AppendPad5(line, values ? (*values)[static_cast<std::size_t>(c)] : c + 1);
    return line;
}

void AddGeneralInformation(const TORVAFile& f, std::vector<std::string>& out)
{
    const auto& g = f.GeneralInformation;
    if (f.IsAverageFile()) {
        out.push_back("   Last subject done: " + to_string(g.LastSubjectDone));
        out.push_back("   Scale bins       : " + to_string(g.ScaleBins));
        out.push_back("   Scale calibration: " + to_string(g.ScaleCalibration));
        out.push_back("   Baseline duration: " + to_string(g.BaselineDuration));
    } else if (f.IsSessionFile()) {
        out.push_back("   Collection date : " + to_string(g.CollectionMonth) + "/" + to_string(g.CollectionDay) + "/" +
                      to_string(g.CollectionYear) + " (mm/dd/yy)");
        out.push_back("   Collection time : " + to_string(g.CollectionHour) + ":" + to_string(g.CollectionMinute) +
                      ":" + to_string(g.CollectionSecond));
        out.push_back("   Subject ID      : " + to_string(g.SubjectID));
        out.push_back("   Handedness      : " + to_string(g.Handedness));
        out.push_back("   Sex             : " + to_string(g.Sex));
        out.push_back("   Age             : " + to_string(g.Age));
        out.push_back("   Experimenter ID : " + to_string(g.ExperimenterID));
        out.push_back("   Edit version    : " + to_string(g.EditVersion));
        out.push_back("   Calibration flag: " + to_string(g.CalibrationFlag));
    }
}

// True when the header's fields describe more than any header can hold (its length is a
// 16-bit field). Such a model cannot be written back, and a truncated file that declares it
// would otherwise give a report of gigabytes listing trial specifics it does not hold.
bool HeaderBeyondAnyFile(const TORVAFile& f)
{
    const auto& dd = f.DataDescription;
    std::int64_t fields = layout::kFixedHeaderSize + 2 * std::int64_t{dd.NumCells} + 4 * std::int64_t{dd.NumChannels} +
                          dd.CommentLength + dd.TextLength;
    for (const auto& cell : f.Cells)
        fields += cell.RecordSize();
    return fields > 32767;
}

// The observations from `first` on, whose trial specifics the file did not hold, in one line.
void AddMissingObservations(const char* label, std::int32_t first, std::int32_t count, std::vector<std::string>& out)
{
    std::string range = to_string(first + 1);
    if (count > first + 1)
        range += " to #" + to_string(count);
    out.push_back(std::string(label) + range + " Trial specifics : not in the file (read as 0)");
}

void AddCell(const TORVAFile& f, const TORVACell& cell, bool summarizeMissing, std::vector<std::string>& out)
{
    out.emplace_back();
    out.push_back(" [Cell #" + to_string(cell.CellNumber) + " Information]");
    out.push_back("   Cell name              : " + cell.Name);
    const bool average = f.IsAverageFile();
    out.push_back((average ? "   Number of subjects     : " : "   Number of observations : ") +
                  to_string(cell.NumObservations));
    out.push_back("   Samples per observation: " + to_string(cell.SamplesPerObservation));
    out.push_back("   Samples per second     : " + to_string(cell.SamplesPerSecond));
    out.push_back("   Trial specifics length : " + to_string(cell.TrialSpecificsLength));
    const auto& ts = cell.TrialSpecifics;
    const std::int32_t listed = summarizeMissing ? std::min(ts.ObservationsInFile(), cell.NumObservations)
                                                 : cell.NumObservations;
    if (average) {
        if (cell.TrialSpecificsLength != layout::kAverageTrialSpecificsLength) {
            out.push_back("     error : Trial specifics length should be 28.");
            return;
        }
        for (std::int32_t o = 0; o < listed; ++o) {
            const std::string subject = "   Subj.#" + to_string(o + 1);
            out.push_back(subject + " Number of obs. : " + to_string(ts(o, 0)));
            std::string line = subject + " specifics      :";
            for (std::int32_t w = 1; w < 14; ++w)
                line += " " + to_string(ts(o, w));
            out.push_back(std::move(line));
        }
        if (listed < cell.NumObservations)
            AddMissingObservations("   Subj.#", listed, cell.NumObservations, out);
        return;
    }
    for (std::int32_t o = 0; o < listed; ++o) {
        std::string line = "   Obs.#" + to_string(o + 1) + " Trial specifics :";
        for (std::int32_t w = 0; w < ts.WordsPerObservation(); ++w)
            line += " " + to_string(ts(o, w));
        out.push_back(std::move(line));
    }
    if (listed < cell.NumObservations)
        AddMissingObservations("   Obs.#", listed, cell.NumObservations, out);
}

} // namespace

void TORVAFile::GetHeaderText(std::vector<std::string>& Lines) const
{
    std::vector<std::string> out;
    const auto& fd = FileDescription;
    out.emplace_back();
    out.push_back(" [File Description]");
    out.push_back("   Full File Name : " + PathText(FullFileName));
    out.push_back("   Byte order     : " + to_string(fd.ByteOrder));
    out.push_back("   Header version : " + to_string(fd.HeaderVersion) +
                  (IsAverageFile() ? " (average file)" : IsSessionFile() ? " (session file)" : ""));
    out.push_back("   Header length  : " + to_string(fd.HeaderLength));
    out.push_back("   Data length    : " + to_string(fd.DataLength));
    out.push_back("   Experiment name: " + fd.ExperimentName);

    out.emplace_back();
    out.push_back(" [General Information]");
    AddGeneralInformation(*this, out);

    const auto& dd = DataDescription;
    out.emplace_back();
    out.push_back(" [Data Description]");
    out.push_back("   Number of cells   : " + to_string(dd.NumCells));
    out.push_back("   Number of channels: " + to_string(dd.NumChannels));
    out.push_back("   Comment length    : " + to_string(dd.CommentLength));
    out.push_back("   Text length       : " + to_string(dd.TextLength));
    out.push_back("   Padding length    : " + to_string(dd.PaddingLength));
    out.push_back("   Board gain        : " + to_string(dd.BoardGain));

    out.emplace_back();
    out.push_back(" [Channels Zeros and Gains]");
    out.push_back(ChannelRow("   channel ", nullptr, dd.NumChannels));
    out.push_back(ChannelRow("   zero    ", &dd.Zeros, dd.NumChannels));
    out.push_back(ChannelRow("   gain    ", &dd.Gains, dd.NumChannels));

    out.emplace_back();
    out.push_back(" [Experimenter Comment]");
    out.push_back("   ." + Comment + ".");
    out.emplace_back();
    out.push_back(" [Text Segment]");
    out.push_back("   ." + TextSegment + ".");

    const bool summarizeMissing = HeaderBeyondAnyFile(*this);
    for (std::size_t i = 0; i < Cells.size(); ++i) {
        if (summarizeMissing && !Cells[i].RecordInFile) {
            // The records after the end of the file: all alike, all zero.
            out.emplace_back();
            out.push_back(" [Cells " + to_string(i + 1) + " to " + to_string(Cells.size()) +
                          ": not in the file (every field read as 0)]");
            break;
        }
        AddCell(*this, Cells[i], summarizeMissing, out);
    }
    Lines = std::move(out);
}

} // namespace orva
