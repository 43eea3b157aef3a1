#pragma once
// In-memory documents for the export tests: cells of chosen shapes whose samples follow a
// formula the tests can evaluate by hand.
#include "model/ORVAFile.h"
#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <string>

#include <vector>

namespace orva::test {

/// The raw sample at (cell, observation, sample, channel), all zero-based: distinct, both signs.
inline std::int16_t ExportSample(int cell, int o, int s, int c)
{
    const int v = cell * 5000 + o * 400 + s * 20 + c;
    return static_cast<std::int16_t>(((o + s + c) % 2 ? -v : v) % 32000);
}

/// A document with one cell per entry of `observations` (that many observations each),
/// `samples[i]` samples in cell i (or samples[0] for every cell) and the given channels.
inline TORVAFile MakeDocument(bool average, const std::vector<int>& observations, const std::vector<int>& samples,
                              int channels)
{
    TORVAFile f;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.GeneralInformation.ScaleBins = 4;
    f.DataDescription.NumCells = static_cast<std::int32_t>(observations.size());
    f.DataDescription.NumChannels = channels;
    for (int c = 0; c < channels; ++c) {
        f.DataDescription.Zeros.push_back(c);
        f.DataDescription.Gains.push_back(800);
    }
    for (std::size_t i = 0; i < observations.size(); ++i) {
        TORVACell cell;
        cell.CellNumber = static_cast<std::int32_t>(i + 1);
        cell.NumObservations = observations[i];
        cell.SamplesPerObservation = samples.size() > i ? samples[i] : samples[0];
        cell.SamplesPerSecond = 250;
        cell.Data = TSampleArray(cell.NumObservations, cell.SamplesPerObservation, channels);
        for (int o = 0; o < cell.NumObservations; ++o)
            for (int s = 0; s < cell.SamplesPerObservation; ++s)
                for (int c = 0; c < channels; ++c)
                    cell.Data(o, s, c) = ExportSample(static_cast<int>(i), o, s, c);
        f.Cells.push_back(std::move(cell));
    }
    f.FullFileName = average ? "/data/s01.ave" : "/data/s01.ses";
    f.FileName = average ? "s01.ave" : "s01.ses";
    return f;
}

/// The file that b describes, written into dir under name and loaded from there.
inline TORVAFile LoadBuilt(const TTestFileBuilder& b, const TTempDir& dir, const std::string& name)
{
    b.WriteTo(PathFromText(dir.Path(name)));
    TORVAFile f;
    f.LoadFromFile(PathFromText(dir.Path(name)));
    return f;
}

} // namespace orva::test
