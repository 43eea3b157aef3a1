#include "tools/ErpCombine.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <limits>

namespace orva {

namespace {

constexpr std::int64_t kLargestCount = std::numeric_limits<std::int16_t>::max();

[[noreturn]] void RefuseInput(const TORVAFile& file, const std::string& operation, const std::string& why)
{
    RefuseExport(file, "Cannot " + operation + ": " + why);
}

std::string Name(const TORVAFile& file) { return ExportedDocumentName(file); }

// The index of the cell named name in file, refusing a name held twice or not at all.
int CellNamed(const TORVAFile& file, const std::string& name, const std::string& operation, const TORVAFile& first)
{
    int found = -1;
    for (int c = 0; c < file.NumCells(); ++c) {
        if (file.Cells[static_cast<std::size_t>(c)].Name != name)
            continue;
        if (found >= 0)
            RefuseInput(file, operation, "cells " + std::to_string(found + 1) + " and " + std::to_string(c + 1) +
                                             " are both named \"" + name + "\"; cells are matched by name");
        found = c;
    }
    if (found < 0)
        RefuseInput(file, operation, "it has no cell named \"" + name + "\" (a cell of " + Name(first) + ")");
    return found;
}

void Compare(const TORVAFile& file, const TORVAFile& first, int c, int f, const std::string& operation,
             const char* what, std::int32_t value, std::int32_t wanted)
{
    if (value != wanted)
        RefuseInput(file, operation, CellText(file, c) + " has " + std::to_string(value) + " " + what + ", " +
                                         CellText(first, f) + " of " + Name(first) + " has " +
                                         std::to_string(wanted));
}

} // namespace

std::vector<std::vector<int>> MatchAverageFiles(const std::vector<const TORVAFile*>& inputs,
                                                const std::string& operation)
{
    if (inputs.empty())
        throw EORVAError("(no input)", "Cannot " + operation + ": no average file was given");
    for (const TORVAFile* file : inputs)
        RequireAverageFile(*file, operation);
    const TORVAFile& first = *inputs.front();
    std::vector<std::vector<int>> matches;
    for (const TORVAFile* input : inputs) {
        const TORVAFile& file = *input;
        if (file.NumCells() != first.NumCells())
            RefuseInput(file, operation, "it has " + std::to_string(file.NumCells()) + " cells, " + Name(first) +
                                             " has " + std::to_string(first.NumCells()));
        if (file.NumChannels() != first.NumChannels())
            RefuseInput(file, operation, "it has " + std::to_string(file.NumChannels()) + " channels, " +
                                             Name(first) + " has " + std::to_string(first.NumChannels()));
        const std::int32_t baseline = file.GeneralInformation.BaselineDuration;
        if (baseline != first.GeneralInformation.BaselineDuration)
            RefuseInput(file, operation, "its baseline is " + std::to_string(baseline) + " ms, that of " +
                                             Name(first) + " " +
                                             std::to_string(first.GeneralInformation.BaselineDuration) + " ms");
        std::vector<int> match;
        for (int f = 0; f < first.NumCells(); ++f) {
            const TORVACell& wanted = first.Cells[static_cast<std::size_t>(f)];
            const int c = CellNamed(file, wanted.Name, operation, first);
            const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
            Compare(file, first, c, f, operation, "samples per observation", cell.SamplesPerObservation,
                    wanted.SamplesPerObservation);
            Compare(file, first, c, f, operation, "samples per second", cell.SamplesPerSecond, wanted.SamplesPerSecond);
            match.push_back(c);
        }
        matches.push_back(std::move(match));
    }
    return matches;
}

TErpResult CombineAverages(const std::vector<const TORVAFile*>& inputs)
{
    const auto matches = MatchAverageFiles(inputs, "combine");
    const TORVAFile& first = *inputs.front();
    std::vector<TValueCell> cells;
    std::int32_t subjects = 0;
    for (int f = 0; f < first.NumCells(); ++f) {
        TValueCell cell = ValueCellOf(first, f);
        std::int64_t observations = cell.Record.NumObservations;
        for (std::size_t i = 1; i < inputs.size(); ++i) {
            TValueCell more = ValueCellOf(*inputs[i], matches[i][static_cast<std::size_t>(f)]);
            observations += more.Record.NumObservations;
            if (observations > kLargestCount)
                RefuseExport(*inputs[i], "Cannot combine: " + CellText(first, f) + " would hold " +
                                             std::to_string(observations) + " subjects, more than 32767");
            TLargeArray<double> values(cell.Values.size() + more.Values.size());
            double* end = std::copy(cell.Values.begin(), cell.Values.end(), values.begin());
            std::copy(more.Values.begin(), more.Values.end(), end);
            cell.Values = std::move(values);
            cell.Sources.insert(cell.Sources.end(), more.Sources.begin(), more.Sources.end());
            // The trial specifics of the subjects follow one another as their values do.
            TTrialSpecifics joined(static_cast<std::int32_t>(observations), cell.Record.TrialSpecifics.WordsPerObservation());
            std::copy(cell.Record.TrialSpecifics.data(),
                      cell.Record.TrialSpecifics.data() + cell.Record.TrialSpecifics.size(), joined.data());
            std::copy(more.Record.TrialSpecifics.data(), more.Record.TrialSpecifics.data() + more.Record.TrialSpecifics.size(),
                      joined.data() + cell.Record.TrialSpecifics.size());
            cell.Record.TrialSpecifics = std::move(joined);
            cell.Record.NumObservations = static_cast<std::int32_t>(observations);
        }
        subjects = std::max(subjects, cell.Record.NumObservations);
        cells.push_back(std::move(cell));
    }
    TErpResult result;
    result.File = MakeAverageFile(first, std::move(cells), subjects, first.GeneralInformation.BaselineDuration);
    return result;
}

TErpResult GrandAverage(const std::vector<const TORVAFile*>& inputs, bool weighted)
{
    const auto matches = MatchAverageFiles(inputs, "make a grand average");
    const TORVAFile& first = *inputs.front();
    TErpResult result;
    std::vector<TValueCell> cells;
    std::int32_t subjects = 0;
    for (int f = 0; f < first.NumCells(); ++f) {
        const TORVACell& model = first.Cells[static_cast<std::size_t>(f)];
        const std::size_t perObservation = model.Data.ValuesPerObservation();
        TLargeArray<double> sum(perObservation); // zero bits: 0.0
        double totalWeight = 0;
        std::int64_t trials = 0;
        std::int32_t count = 0;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            const TORVAFile& file = *inputs[i];
            const int c = matches[i][static_cast<std::size_t>(f)];
            const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
            const bool hasCount = cell.TrialSpecifics.WordsPerObservation() >= 1;
            if (weighted && !hasCount && cell.NumObservations > 0)
                RefuseInput(file, "make a weighted grand average",
                            CellText(file, c) + " keeps no trial count (its trial specifics have no word 0)");
            for (int o = 0; o < cell.NumObservations; ++o) {
                const std::int32_t n = hasCount ? cell.TrialSpecifics(o, 0) : 0;
                if (weighted && n < 1)
                    RefuseInput(file, "make a weighted grand average",
                                CellText(file, c) + ", observation " + std::to_string(o + 1) + " has a trial count of " +
                                    std::to_string(n) + "; weights must be 1 or more");
                const double w = weighted ? n : 1.0;
                const std::int16_t* raw = cell.Data.Observation(o);
                for (std::size_t k = 0; k < perObservation; ++k)
                    sum[k] += w * CalibratedValue(file, raw[k], static_cast<int>(k % static_cast<std::size_t>(file.NumChannels())));
                totalWeight += w;
                trials += n;
                ++count;
            }
        }
        if (count == 0)
            RefuseInput(first, "make a grand average", CellText(first, f) + " has no subject in any input");
        for (double& v : sum)
            v /= totalWeight;
        if (trials > kLargestCount)
            result.Notes.push_back(CellText(first, f) + ": the " + std::to_string(trials) +
                                   " trials behind the grand average are more than its trial count holds; written as 32767");
        cells.push_back(AveragedCell(model, static_cast<std::int16_t>(std::clamp<std::int64_t>(trials, 0, kLargestCount)),
                                     first.DataDescription.CellWords[static_cast<std::size_t>(f)], std::move(sum),
                                     Name(first)));
        subjects = std::max(subjects, count);
    }
    result.File = MakeAverageFile(first, std::move(cells), subjects, first.GeneralInformation.BaselineDuration);
    return result;
}

} // namespace orva
