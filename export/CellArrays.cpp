#include "export/CellArrays.h"

#include "export/LongTableExport.h"
#include "model/Calibration.h"
#include "model/LargeBuffer.h"
#include "select/EpochLayout.h"
#include "select/Selection.h"

#include <algorithm>
#include <set>

namespace orva {

namespace {

// Samples calibrated at a time: a block of the source (int16, samples x channels) and its
// values in the same order stay in the first-level cache while they are turned into
// channel-major rows.
constexpr int kBlockSamples = 32;

void CalibrateObservation(const std::int16_t* in, int samples, int channels, const TRowCalibration& k,
                          double* block, double* out)
{
    for (int s0 = 0; s0 < samples; s0 += kBlockSamples) {
        const int n = std::min(kBlockSamples, samples - s0);
        // Along the channels first: contiguous on both sides, so the rows run in vectors.
        for (int j = 0; j < n; ++j)
            k.Row(in + static_cast<std::size_t>(s0 + j) * static_cast<std::size_t>(channels),
                  block + static_cast<std::size_t>(j) * static_cast<std::size_t>(channels));
        // Then each channel's piece of trace out of the cached block.
        for (int h = 0; h < channels; ++h) {
            double* trace = out + static_cast<std::size_t>(h) * static_cast<std::size_t>(samples) +
                            static_cast<std::size_t>(s0);
            for (int j = 0; j < n; ++j)
                trace[j] = block[static_cast<std::size_t>(j) * static_cast<std::size_t>(channels) +
                                 static_cast<std::size_t>(h)];
        }
    }
}

} // namespace

void CalibrateCell(const TORVAFile& file, int c, double* out)
{
    CheckDocumentShape(file);
    for (int h = 0; h < file.NumChannels(); ++h)
        CheckCalibration(file, h);
    const TORVACell& cell = file.Cells.at(static_cast<std::size_t>(c));
    const TRowCalibration k(file);
    const int samples = cell.SamplesPerObservation;
    const int channels = file.NumChannels();
    TLargeArray<double> block(static_cast<std::size_t>(kBlockSamples) * static_cast<std::size_t>(channels));
    const std::size_t perObservation = cell.Data.ValuesPerObservation();
    for (int o = 0; o < cell.NumObservations; ++o)
        CalibrateObservation(cell.Data.Observation(o), samples, channels, k, block.data(),
                             out + static_cast<std::size_t>(o) * perObservation);
}

std::vector<double> CellSampleTimes(const TORVAFile& file, int c)
{
    const TORVACell& cell = file.Cells.at(static_cast<std::size_t>(c));
    if (cell.SamplesPerSecond <= 0)
        RefuseExport(file, "Cell " + std::to_string(c + 1) + " has a sampling rate of " +
                               std::to_string(cell.SamplesPerSecond) +
                               ", so the times of its samples cannot be computed");
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(std::max(cell.SamplesPerObservation, 0)));
    for (int s = 0; s < cell.SamplesPerObservation; ++s)
        times.push_back(LongTableSampleTime(file, cell, s));
    return times;
}

void CheckUniformEpochs(const TORVAFile& file)
{
    if (std::none_of(file.Cells.begin(), file.Cells.end(), [](const TORVACell& k) { return k.NumObservations > 0; }))
        RefuseExport(file, "The file has no observations to make epochs of");
    const TORVACell* first = nullptr;
    std::size_t firstIndex = 0;
    for (std::size_t i = 0; i < file.Cells.size(); ++i) {
        const TORVACell& cell = file.Cells[i];
        if (cell.NumObservations <= 0)
            continue;
        if (!first) {
            first = &cell;
            firstIndex = i;
            continue;
        }
        if (cell.SamplesPerObservation == first->SamplesPerObservation &&
            cell.SamplesPerSecond == first->SamplesPerSecond)
            continue;
        const auto describe = [](std::size_t index, const TORVACell& k) {
            return "cell " + std::to_string(index + 1) + " has " + std::to_string(k.SamplesPerObservation) +
                   " samples per observation at " + std::to_string(k.SamplesPerSecond) + " Hz";
        };
        RefuseExport(file, "The epochs of all cells must have the same length and rate: " +
                               describe(firstIndex, *first) + ", " + describe(i, cell));
    }
}

int AveragedTrials(const TORVACell& cell, int o)
{
    const TTrialSpecifics& t = cell.TrialSpecifics;
    if (t.WordsPerObservation() < 1 || o >= t.ObservationsInFile())
        return 1;
    return std::max<int>(t(o, 0), 1);
}

std::vector<std::string> UniqueEventNames(const TORVAFile& file)
{
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (int c = 0; c < file.NumCells(); ++c) {
        const std::string base = EventName(file, c);
        std::string name = base;
        for (int k = 2; taken.count(name); ++k)
            name = base + " (" + std::to_string(k) + ")";
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

} // namespace orva
