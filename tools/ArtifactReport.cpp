#include "tools/ArtifactReport.h"

#include "select/CsvText.h"
#include "select/NumberFormat.h"
#include "model/FileStream.h"
#include "model/ORVAError.h"

#include <charconv>
#include <set>

namespace orva {

namespace {

// A report larger than this is not a report of trials (a million trials take about 40 MB).
constexpr std::int64_t kLargestReport = std::int64_t{1} << 30;

std::string Share(std::int64_t part, std::int64_t whole)
{
    char text[kMaxFormattedLength];
    const double percent = whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
    return std::string(text, FormatFixed(text, percent, 0, 1, '.'));
}

// Trials, bad trials and trials flagged by each rule.
struct TCounts {
    std::int64_t Trials = 0;
    std::int64_t Bad = 0;
    std::int64_t ByRule[3] = {0, 0, 0};

    void Add(const TTrialFlags& t)
    {
        ++Trials;
        Bad += t.Bad ? 1 : 0;
        for (std::size_t r = 0; r < 3; ++r)
            ByRule[r] += (t.Rules & kArtifactRules[r]) != 0 ? 1 : 0;
    }
    std::string Text(std::uint8_t rulesInUse) const
    {
        std::string text = std::to_string(Trials) + (Trials == 1 ? " trial, " : " trials, ") + std::to_string(Bad) +
                           " bad (" + Share(Bad, Trials) + "%)";
        std::string rules;
        for (std::size_t r = 0; r < 3; ++r)
            if ((rulesInUse & kArtifactRules[r]) != 0)
                rules.append(rules.empty() ? "; " : ", ")
                    .append(ArtifactRuleName(kArtifactRules[r]))
                    .append(" ")
                    .append(std::to_string(ByRule[r]));
        return text + rules;
    }
};

// One CSV record of the report and the line it starts on.
struct TRecord {
    std::vector<std::string> Fields;
    int Line = 0;
};

[[noreturn]] void Refuse(const std::filesystem::path& path, int line, const std::string& cause)
{
    throw EORVAError(PathText(path), "line " + std::to_string(line) + ": " + cause);
}

// Splits the text into records (RFC 4180: quoted fields may hold commas, quotes and line
// ends). Empty lines give no record.
std::vector<TRecord> SplitRecords(std::string_view text, const std::filesystem::path& path)
{
    std::vector<TRecord> records;
    std::size_t i = 0;
    int line = 1;
    auto atLineEnd = [&] { return i >= text.size() || text[i] == '\n' || text[i] == '\r'; };
    auto skipLineEnd = [&] {
        if (i < text.size() && text[i] == '\r')
            ++i;
        if (i < text.size() && text[i] == '\n')
            ++i;
        ++line;
    };
    while (i < text.size()) {
        if (atLineEnd()) { // an empty line
            skipLineEnd();
            continue;
        }
        TRecord record{{}, line};
        for (;;) {
            std::string field;
            if (text[i] == '"') {
                const int opened = line;
                for (++i;; ++i) {
                    if (i >= text.size())
                        Refuse(path, opened, "a quoted field is not closed");
                    if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                        field.push_back('"');
                        ++i;
                    } else if (text[i] == '"') {
                        ++i;
                        break;
                    } else {
                        line += text[i] == '\n' ? 1 : 0;
                        field.push_back(text[i]);
                    }
                }
                if (!atLineEnd() && text[i] != ',')
                    Refuse(path, line, "text follows a quoted field");
            } else {
                while (!atLineEnd() && text[i] != ',')
                    field.push_back(text[i++]);
            }
            record.Fields.push_back(std::move(field));
            if (atLineEnd())
                break;
            ++i; // the comma
            if (i >= text.size()) {
                record.Fields.emplace_back();
                break;
            }
        }
        records.push_back(std::move(record));
        if (i < text.size())
            skipLineEnd();
    }
    return records;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int NumberFromOne(const std::filesystem::path& path, const TRecord& record, std::size_t column, const char* name)
{
    const std::string_view text = Trimmed(record.Fields[column]);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1)
        Refuse(path, record.Line, std::string(name) + " \"" + record.Fields[column] + "\" is not a number from 1");
    return value;
}

} // namespace

std::string ReportFileName(const TORVAFile& file)
{
    return file.FileName.empty() ? PathText(file.FullFileName.filename()) : file.FileName;
}

std::string ArtifactSummary(const TORVAFile& file, const std::vector<TCellFlags>& flags, std::uint8_t rulesInUse)
{
    std::string out;
    TCounts total;
    for (const TCellFlags& cell : flags) {
        TCounts counts;
        for (const TTrialFlags& t : cell.Trials) {
            counts.Add(t);
            total.Add(t);
        }
        out += "  cell " + std::to_string(cell.Cell + 1) + " \"" +
               Windows1252ToUtf8(file.Cells[static_cast<std::size_t>(cell.Cell)].Name) +
               "\": " + counts.Text(rulesInUse) + "\n";
    }
    return out + "  total: " + total.Text(rulesInUse) + "\n";
}

void WriteArtifactRows(const TORVAFile& file, const std::vector<TCellFlags>& flags, TLineSink& sink)
{
    TLineComposer line(sink);
    const std::string fileField = CsvField(ReportFileName(file)) + ",";
    for (const TCellFlags& cell : flags) {
        const std::string name = CsvField(Windows1252ToUtf8(file.Cells[static_cast<std::size_t>(cell.Cell)].Name));
        for (std::size_t o = 0; o < cell.Trials.size(); ++o) {
            const TTrialFlags& t = cell.Trials[o];
            line.Append(fileField);
            line.AppendNumber(cell.Cell + 1);
            line.Append(',');
            line.Append(name);
            line.Append(',');
            line.AppendNumber(static_cast<long long>(o) + 1);
            line.Append(t.Bad ? ",bad," : ",good,");
            if (t.Bad) {
                line.Append(ArtifactRuleNames(t.Rules));
                line.Append(',');
                for (std::size_t k = 0; k < t.Channels.size(); ++k) {
                    if (k > 0)
                        line.Append(' ');
                    line.AppendNumber(t.Channels[k] + 1);
                }
            } else {
                line.Append(',');
            }
            line.EndLine();
        }
    }
}

TRejectList ParseRejectList(std::string_view text, const std::filesystem::path& path)
{
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
    const std::vector<TRecord> records = SplitRecords(text, path);
    std::string header;
    if (!records.empty())
        for (const auto& f : records.front().Fields)
            header.append(header.empty() ? "" : ",").append(f);
    if (records.empty() || records.front().Line != 1 || header != kArtifactReportHeader)
        Refuse(path, 1, "the header is not \"" + std::string(kArtifactReportHeader) + "\"");
    TRejectList list;
    list.Path = path;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const TRecord& record = records[r];
        if (record.Fields.size() != 7)
            Refuse(path, record.Line,
                   "the row has " + std::to_string(record.Fields.size()) + " fields instead of 7");
        TReportRow row;
        row.Cell = NumberFromOne(path, record, 1, "cell") - 1;
        row.Observation = NumberFromOne(path, record, 3, "observation") - 1;
        const std::string_view status = Trimmed(record.Fields[4]);
        if (status != "good" && status != "bad")
            Refuse(path, record.Line, "the status is \"" + record.Fields[4] + "\", not good or bad");
        row.Bad = status == "bad";
        row.Line = record.Line;
        list.Files[record.Fields[0]].push_back(row);
    }
    return list;
}

TRejectList ReadRejectList(const std::filesystem::path& path)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    const std::int64_t size = stream.Size();
    if (size > kLargestReport)
        throw EORVAError(PathText(path), "is too large for a report of trials (" + std::to_string(size) + " bytes)");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    return ParseRejectList(bytes, path);
}

std::vector<TCellFlags> FlagsFromRejectList(const TORVAFile& file, const TRejectList& list)
{
    const std::string name = ReportFileName(file);
    const auto rows = list.Files.find(name);
    if (rows == list.Files.end())
        throw EORVAError(PathText(list.Path), "has no row of the file " + name);
    std::vector<TCellFlags> flags(static_cast<std::size_t>(std::max(0, file.NumCells())));
    for (int c = 0; c < file.NumCells(); ++c) {
        flags[static_cast<std::size_t>(c)].Cell = c;
        flags[static_cast<std::size_t>(c)].Trials.resize(
            static_cast<std::size_t>(std::max(0, file.Cells[static_cast<std::size_t>(c)].NumObservations)));
    }
    std::set<std::pair<int, int>> seen;
    for (const TReportRow& row : rows->second) {
        if (row.Cell >= file.NumCells())
            Refuse(list.Path, row.Line,
                   "cell " + std::to_string(row.Cell + 1) + " is beyond the " + std::to_string(file.NumCells()) +
                       " cells of " + name);
        auto& trials = flags[static_cast<std::size_t>(row.Cell)].Trials;
        if (row.Observation >= static_cast<int>(trials.size()))
            Refuse(list.Path, row.Line,
                   "observation " + std::to_string(row.Observation + 1) + " is beyond the " +
                       std::to_string(trials.size()) + " trials of cell " + std::to_string(row.Cell + 1) + " of " +
                       name);
        if (!seen.insert({row.Cell, row.Observation}).second)
            Refuse(list.Path, row.Line,
                   "cell " + std::to_string(row.Cell + 1) + ", observation " + std::to_string(row.Observation + 1) +
                       " of " + name + " is listed twice");
        trials[static_cast<std::size_t>(row.Observation)].Bad = row.Bad;
    }
    return flags;
}

} // namespace orva
