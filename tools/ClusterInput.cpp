#include "tools/ClusterInput.h"

#include "head/ChannelNeighbours.h"
#include "head/SensorPositions.h"
#include "model/ORVAError.h"
#include "select/EpochLayout.h"
#include "select/TimeWindow.h"

#include <algorithm>
#include <cmath>

namespace orva {

namespace {

std::string CellText(const TORVAFile& file, int c)
{
    return "cell " + std::to_string(c + 1) + " of " + ExportedDocumentName(file);
}

const TORVACell& CellOf(const TORVAFile& file, int c)
{
    if (c < 0 || c >= static_cast<int>(file.Cells.size()))
        RefuseExport(file, "Cells: " + std::to_string(c + 1) + " is outside " +
                               ValidRangeText(static_cast<int>(file.Cells.size()), "the file has no cells"));
    return file.Cells[static_cast<std::size_t>(c)];
}

// Two cells whose maps are compared point by point must agree in channels, samples, rate
// and (between average files) baseline.
void CheckCellsAgree(const TORVAFile& fa, int a, const TORVAFile& fb, int b)
{
    const TORVACell& ca = CellOf(fa, a);
    const TORVACell& cb = CellOf(fb, b);
    std::string differ;
    if (fa.NumChannels() != fb.NumChannels())
        differ = "channels (" + std::to_string(fa.NumChannels()) + " and " + std::to_string(fb.NumChannels()) + ")";
    else if (ca.SamplesPerObservation != cb.SamplesPerObservation)
        differ = "samples (" + std::to_string(ca.SamplesPerObservation) + " and " +
                 std::to_string(cb.SamplesPerObservation) + ")";
    else if (ca.SamplesPerSecond != cb.SamplesPerSecond)
        differ = "rate (" + std::to_string(ca.SamplesPerSecond) + " and " + std::to_string(cb.SamplesPerSecond) +
                 " Hz)";
    else if (fa.IsAverageFile() != fb.IsAverageFile())
        differ = "kind of file";
    else if (fa.IsAverageFile() && fa.GeneralInformation.BaselineDuration != fb.GeneralInformation.BaselineDuration)
        differ = "baseline (" + std::to_string(fa.GeneralInformation.BaselineDuration) + " and " +
                 std::to_string(fb.GeneralInformation.BaselineDuration) + " ms)";
    if (!differ.empty())
        throw EORVAError(ExportedDocumentName(fa), CellText(fa, a) + " and " + CellText(fb, b) + " differ in " + differ);
}

// The calibrated values of the tested points of every observation, [observation][point].
std::vector<double> CellValues(const TORVAFile& file, const TORVACell& cell, const TClusterInput& in)
{
    const std::size_t points = in.Channels.size() * in.SampleIndices.size();
    std::vector<double> values(points * static_cast<std::size_t>(cell.NumObservations));
    std::size_t at = 0;
    for (int o = 0; o < cell.NumObservations; ++o)
        for (int c : in.Channels)
            for (int s : in.SampleIndices)
                values[at++] = CalibratedValue(file, cell.Data(o, s, c), c);
    return values;
}

} // namespace

TClusterInput ClusterInputFromFiles(const TORVAFile& first, const TORVAFile* second,
                                    const TClusterInputOptions& o)
{
    CheckDocumentShape(first);
    if (second)
        CheckDocumentShape(*second);
    if (o.Cells.empty() || o.Cells.size() > 2 || (second && o.Cells.size() != 1))
        RefuseExport(first, second ? "two files compare one cell of each: give one cell"
                                   : "give one cell (tested against 0) or two cells");
    for (int c : o.Cells)
        CellOf(first, c);
    TClusterInput in;
    const int a = o.Cells[0];
    const TORVACell& cellA = first.Cells[static_cast<std::size_t>(a)];
    const TORVAFile& other = second ? *second : first;
    const int b = second ? a : o.Cells.size() == 2 ? o.Cells[1] : -1;
    if (b >= 0)
        CheckCellsAgree(first, a, other, b);

    if (o.Channels) {
        CheckSelectionEntries(first, "Channels", *o.Channels, first.NumChannels(), "");
        for (std::size_t i = 0; i < o.Channels->size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if ((*o.Channels)[i] == (*o.Channels)[j])
                    RefuseExport(first, "Channels: " + std::to_string((*o.Channels)[i] + 1) + " is listed twice");
        in.Channels = *o.Channels;
    } else {
        for (int c = 0; c < first.NumChannels(); ++c)
            in.Channels.push_back(c);
    }
    for (int c : in.Channels) {
        CheckCalibration(first, c);
        if (second)
            CheckCalibration(*second, c);
    }
    if (cellA.SamplesPerSecond <= 0)
        RefuseExport(first, CellText(first, a) + " has no sampling rate");
    int from = 0, to = cellA.SamplesPerObservation - 1;
    if (o.WindowStart && o.WindowEnd) {
        const auto range = WindowSamples(first, cellA, *o.WindowStart, *o.WindowEnd);
        if (!range)
            RefuseExport(first, NoSampleInWindowText(first, a, *o.WindowStart, *o.WindowEnd));
        from = range->First;
        to = range->Last;
    }
    if (to < from)
        RefuseExport(first, CellText(first, a) + " has no samples");
    for (int s = from; s <= to; ++s) {
        in.SampleIndices.push_back(s);
        in.TimesMs.push_back(MeasureSampleTime(first, cellA, s));
    }

    TClusterData& d = in.Data;
    d.Channels = static_cast<int>(in.Channels.size());
    d.Samples = static_cast<int>(in.SampleIndices.size());
    d.First = CellValues(first, cellA, in);
    d.N1 = cellA.NumObservations;
    const std::string nameA = std::to_string(a + 1);
    if (b < 0) {
        d.Design = TClusterDesign::OneSample;
        in.DesignText = "one sample: cell " + nameA + " against 0";
        return in;
    }
    const TORVACell& cellB = other.Cells[static_cast<std::size_t>(b)];
    if (!second && first.IsAverageFile()) {
        if (cellA.NumObservations != cellB.NumObservations)
            RefuseExport(first, CellText(first, a) + " holds " + std::to_string(cellA.NumObservations) +
                                    " subjects and cell " + std::to_string(b + 1) + " " +
                                    std::to_string(cellB.NumObservations) + ": the subjects do not pair");
        const std::vector<double> values = CellValues(first, cellB, in);
        for (std::size_t i = 0; i < values.size(); ++i)
            d.First[i] -= values[i];
        d.Design = TClusterDesign::Paired;
        in.DesignText = "paired: cell " + nameA + " - cell " + std::to_string(b + 1) + " per subject";
        return in;
    }
    d.Second = CellValues(other, cellB, in);
    d.N2 = cellB.NumObservations;
    d.Design = TClusterDesign::Independent;
    in.DesignText = second ? "independent groups: cell " + nameA + " of " + first.FileName + " and of " + second->FileName
                           : "independent groups: the trials of cell " + nameA + " and of cell " + std::to_string(b + 1);
    return in;
}

void DescribeResult(TClusterTestResult& r, const TClusterInput& in, const std::vector<std::string>& labels)
{
    r.Channels = in.Channels;
    r.SampleIndices = in.SampleIndices;
    r.TimesMs = in.TimesMs;
    r.DesignText = in.DesignText;
    r.ChannelLabels.clear();
    for (int c : in.Channels)
        r.ChannelLabels.push_back(c < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(c)]
                                                                      : "E" + std::to_string(c + 1));
}

TChannelNeighbours TestedNeighbours(const TNeighbourSource& source, const TClusterInput& in,
                                    const std::vector<std::string>& names, const std::string& dataFile)
{
    if (source.Positions) {
        const auto directions =
            RequireDirections(ReadSensorPositions(*source.Positions), in.Channels, names, {}, *source.Positions, dataFile);
        std::vector<std::string> labels;
        for (int c : in.Channels)
            labels.push_back(names[static_cast<std::size_t>(c)]);
        return TriangulationNeighbours(directions, labels, *source.Positions);
    }
    if (!source.NeighboursFile)
        return TChannelNeighbours(in.Channels.size());
    const TChannelNeighbours all = ReadNeighboursFile(*source.NeighboursFile, names);
    std::vector<int> tested(names.size(), -1);
    for (std::size_t i = 0; i < in.Channels.size(); ++i)
        tested[static_cast<std::size_t>(in.Channels[i])] = static_cast<int>(i);
    TChannelNeighbours result;
    for (int c : in.Channels) {
        result.emplace_back();
        for (int other : all[static_cast<std::size_t>(c)])
            if (tested[static_cast<std::size_t>(other)] >= 0)
                result.back().push_back(tested[static_cast<std::size_t>(other)]);
        std::sort(result.back().begin(), result.back().end());
    }
    return result;
}

TClusterTestResult ClusterTestOfFiles(const TORVAFile& first, const TORVAFile* second,
                                      const TClusterInputOptions& input, const TNeighbourSource& source,
                                      const std::vector<std::string>& names, const TClusterTestOptions& options,
                                      TProgressDisplay* progress)
{
    TClusterInput in = ClusterInputFromFiles(first, second, input);
    in.Data.Neighbours = TestedNeighbours(source, in, names, ExportedDocumentName(first));
    TClusterTestResult result = RunClusterTest(in.Data, options, ExportedDocumentName(first), progress);
    DescribeResult(result, in, names);
    return result;
}

} // namespace orva
