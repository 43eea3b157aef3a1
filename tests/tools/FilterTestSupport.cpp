#include "tests/tools/FilterTestSupport.h"

#include "tools/LowPassFilter.h"
#include "tools/ZRPTools.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace orva::test {

TORVAFile MakeFilterModel(bool average, int cells, int observations, int samples, int channels, int rate)
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.FullFileName = average ? "/data/model.ave" : "/data/model.ses";
    if (average)
        f.GeneralInformation.ScaleBins = 10;
    auto& dd = f.DataDescription;
    dd.NumCells = cells;
    dd.NumChannels = channels;
    dd.CellWords.assign(static_cast<std::size_t>(cells), 0);
    dd.Zeros.assign(static_cast<std::size_t>(channels), 0);
    dd.Gains.assign(static_cast<std::size_t>(channels), average ? 0 : 400);
    for (int i = 0; i < cells; ++i) {
        TORVACell cell;
        cell.NumObservations = observations;
        cell.SamplesPerObservation = samples;
        cell.SamplesPerSecond = rate;
        cell.Data = TSampleArray(observations, samples, channels);
        f.Cells.push_back(std::move(cell));
    }
    f.Saved = true;
    return f;
}

void FillWaveforms(TORVAFile& file, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (auto& cell : file.Cells)
        for (int o = 0; o < cell.NumObservations; ++o)
            for (int t = 0; t < cell.SamplesPerObservation; ++t)
                for (int c = 0; c < file.NumChannels(); ++c) {
                    const double v = file.DataDescription.Zeros[static_cast<std::size_t>(c)] +
                                     4000 * std::sin(0.05 * t * (c + 1) + o) + 1500 * std::cos(2.9 * t) + noise(random);
                    cell.Data(o, t, c) = static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
                }
}

void ReferenceLowPassFilter(TORVAFile& file, float cutoff)
{
    for (auto& cell : file.Cells) {
        const int n = cell.SamplesPerObservation;
        const int length = FilterTransformLength(n);
        const int k = FilterCutoffBin(length, cutoff, cell.SamplesPerSecond);
        std::vector<float> buffer(static_cast<std::size_t>(length) + 1);
        for (int o = 0; o < cell.NumObservations; ++o)
            for (int c = 0; c < file.NumChannels(); ++c) {
                auto at = [&](int i) -> float& { return buffer[static_cast<std::size_t>(i)]; };
                for (int t = 0; t < n; ++t)
                    at(t + 1) = static_cast<float>(CalibratedValue(file, cell.Data(o, t, c), c));
                std::fill(buffer.begin() + n + 1, buffer.end(), 0.0f);
                at(0) = 0.0f;
                const float first = at(1);
                const float last = at(n);
                std::vector<double> line(static_cast<std::size_t>(n));
                for (int t = 0; t < n; ++t) {
                    line[static_cast<std::size_t>(t)] = std::nearbyint((static_cast<double>(last) - first) * t / n);
                    at(t + 1) = static_cast<float>((static_cast<double>(at(t + 1)) - first) - line[static_cast<std::size_t>(t)]);
                }
                RealFFT(buffer.data(), length / 2, 1);
                for (int i = 2 * k + 1; i <= length; ++i)
                    at(i) = 0.0f;
                if (k <= length)
                    at(2) = 0.0f;
                RealFFT(buffer.data(), length / 2, -1);
                for (int i = 0; i <= length; ++i)
                    at(i) = static_cast<float>(static_cast<double>(at(i)) * 2.0 / length);
                for (int t = 0; t < n; ++t) {
                    const auto v = static_cast<float>((static_cast<double>(at(t + 1)) + first) + line[static_cast<std::size_t>(t)]);
                    double s;
                    if (file.IsAverageFile())
                        s = std::nearbyint(file.GeneralInformation.ScaleBins * static_cast<double>(v));
                    else
                        s = std::nearbyint(file.DataDescription.Gains[static_cast<std::size_t>(c)] * static_cast<double>(v) / 400.0) +
                            file.DataDescription.Zeros[static_cast<std::size_t>(c)];
                    cell.Data(o, t, c) = static_cast<std::int16_t>(std::clamp(s, -32768.0, 32767.0));
                }
            }
    }
}

std::vector<int> Trace(const TORVAFile& file, int cell, int o, int c)
{
    const auto& data = file.Cells[static_cast<std::size_t>(cell)].Data;
    std::vector<int> values;
    for (int t = 0; t < data.Samples(); ++t)
        values.push_back(data(o, t, c));
    return values;
}

void SetTrace(TORVAFile& file, int cell, int o, int c, const std::vector<int>& values)
{
    auto& data = file.Cells[static_cast<std::size_t>(cell)].Data;
    for (int t = 0; t < data.Samples(); ++t)
        data(o, t, c) = static_cast<std::int16_t>(values[static_cast<std::size_t>(t)]);
}

} // namespace orva::test
