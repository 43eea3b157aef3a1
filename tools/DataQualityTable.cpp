#include "tools/DataQualityTable.h"

#include "select/CsvText.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace orva {

namespace {

std::string Optional(const std::optional<double>& value) { return value ? QualityNumber(*value) : std::string(); }

std::string WindowText(const TQualityWindow& w) { return ShortDecimal(w.Start, 3) + " to " + ShortDecimal(w.End, 3) + " ms"; }

std::string CellLabel(int c, const std::string& name)
{
    return "cell " + std::to_string(c + 1) + " \"" + Windows1252ToUtf8(name) + "\"";
}

// Median and largest of (value, channel) pairs.
void Spread(std::vector<std::pair<double, int>> values, TSmeSpread& s)
{
    s.Channels = static_cast<int>(values.size());
    if (values.empty())
        return;
    const auto largest = std::max_element(values.begin(), values.end(),
                                          [](const auto& a, const auto& b) { return a.first < b.first; });
    s.Largest = largest->first;
    s.LargestChannel = largest->second;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    s.Median = values.size() % 2 == 1 ? values[mid].first : (values[mid - 1].first + values[mid].first) / 2;
}

std::string SpreadText(const TSmeSpread& s)
{
    if (s.Channels == 0)
        return "no aSME";
    return "median " + QualityNumber(s.Median) + ", largest " + QualityNumber(s.Largest) + " (channel " +
           std::to_string(s.LargestChannel + 1) + ")";
}

} // namespace

std::string QualityHeader(const std::vector<TMeasureKind>& measures)
{
    std::string header = "file,cell,cell_name,channel,window_start_ms,window_end_ms,trials,asme,baseline_sd";
    for (TMeasureKind m : measures)
        header.append(",bsme_").append(MeasureName(m));
    return header;
}

void WriteQualityRows(const TORVAFile& file, const TQualityTable& table, TLineSink& sink)
{
    const std::string fileColumn = CsvField(file.FileName) + ",";
    for (const TQualityRow& row : table.Rows) {
        sink.Write(fileColumn);
        sink.Write(std::to_string(row.Cell + 1) + "," +
                   CsvField(Windows1252ToUtf8(file.Cells[static_cast<std::size_t>(row.Cell)].Name)) + ",");
        sink.Write(std::to_string(row.Channel + 1) + "," + QualityNumber(row.Window.Start) + "," +
                   QualityNumber(row.Window.End) + "," + std::to_string(row.Trials) + ",");
        sink.Write(Optional(row.Asme) + "," + Optional(row.BaselineSd));
        for (const auto& b : row.Bsme)
            sink.Write("," + Optional(b));
        sink.EndLine();
    }
}

std::vector<TSmeSpread> SmeSpreads(const TQualityTable& table)
{
    std::vector<TSmeSpread> spreads;
    std::vector<std::pair<double, int>> values;
    for (std::size_t i = 0; i < table.Rows.size(); ++i) {
        const TQualityRow& row = table.Rows[i];
        if (row.Asme)
            values.emplace_back(*row.Asme, row.Channel);
        const bool last = i + 1 == table.Rows.size() || table.Rows[i + 1].Cell != row.Cell ||
                          table.Rows[i + 1].Window.Start != row.Window.Start ||
                          table.Rows[i + 1].Window.End != row.Window.End;
        if (!last)
            continue;
        TSmeSpread s;
        s.Cell = row.Cell;
        s.Window = row.Window;
        s.Trials = row.Trials;
        Spread(std::move(values), s);
        values.clear();
        spreads.push_back(s);
    }
    return spreads;
}

std::string QualitySummary(const TORVAFile& file, const TQualityTable& table)
{
    std::string text;
    int lastCell = -1;
    for (const TSmeSpread& s : SmeSpreads(table)) {
        if (s.Cell != lastCell) {
            text += "  " + CellLabel(s.Cell, file.Cells[static_cast<std::size_t>(s.Cell)].Name) + ": " +
                    std::to_string(s.Trials) + (s.Trials == 1 ? " trial\n" : " trials\n");
            lastCell = s.Cell;
        }
        text += "    " + WindowText(s.Window) + ": " + SpreadText(s) + "\n";
    }
    return text;
}

void TSmeOverFiles::Add(const std::vector<std::string>& cellNames, const TQualityTable& table)
{
    ++files_;
    for (std::size_t c = cellNames_.size(); c < cellNames.size(); ++c)
        cellNames_.push_back(cellNames[c]);
    for (const TQualityRow& row : table.Rows) {
        if (!row.Asme)
            continue;
        const TKey key{row.Cell, row.Window.Start, row.Window.End, row.Channel};
        TSum& sum = sums_[key];
        sum.Squares += *row.Asme * *row.Asme;
        ++sum.Files;
    }
}

std::string TSmeOverFiles::Summary() const
{
    std::string text = "RMS of aSME over " + std::to_string(files_) +
                       " files, per cell and window (median and largest over channels):\n";
    // The keys are ordered by cell, window and channel: each cell and window is one run.
    std::map<TKey, std::vector<std::pair<double, int>>> groups;
    for (const auto& [key, sum] : sums_)
        groups[TKey{key.Cell, key.Start, key.End, 0}].emplace_back(std::sqrt(sum.Squares / sum.Files), key.Channel);
    for (auto& [key, values] : groups) {
        TSmeSpread s;
        Spread(std::move(values), s);
        text += "  " + CellLabel(key.Cell, cellNames_[static_cast<std::size_t>(key.Cell)]) + ", " +
                WindowText({key.Start, key.End}) + ": " + SpreadText(s) + "\n";
    }
    return text;
}

} // namespace orva
