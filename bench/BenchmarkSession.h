#pragma once
// The session model every benchmark works on: 64 channels, 2 cells of 1000 observations of
// 250 samples at 250 Hz (32 million values, 61 MiB of samples), with EEG-like waves and
// noise around each channel's zero. Built in memory, the same on every run.
#include "model/ORVAFile.h"

#include <cmath>
#include <numbers>
#include <random>

namespace orva::bench {

constexpr int kCells = 2;
constexpr int kObservations = 1000;
constexpr int kSamples = 250;
constexpr int kChannels = 64;
constexpr int kRate = 250;

inline TORVAFile MakeBenchmarkSession()
{
    TORVAFile f;
    f.FileDescription = {kByteOrderTag, kSessionFileVersion, 0, 0, "benchmark"};
    f.FullFileName = "/tmp/bench.ses";
    f.FileName = "bench.ses";
    auto& dd = f.DataDescription;
    dd.NumCells = kCells;
    dd.NumChannels = kChannels;
    dd.CellWords.assign(kCells, 0);
    for (int c = 0; c < kChannels; ++c) {
        dd.Zeros.push_back(2048 + c % 7 - 3);
        dd.Gains.push_back(1600 + 5 * c);
    }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 40.0);
    const double pi = std::numbers::pi;
    for (int i = 0; i < kCells; ++i) {
        TORVACell cell;
        cell.CellNumber = i + 1;
        cell.NumObservations = kObservations;
        cell.SamplesPerObservation = kSamples;
        cell.SamplesPerSecond = kRate;
        cell.Data = TSampleArray(kObservations, kSamples, kChannels);
        for (int o = 0; o < kObservations; ++o)
            for (int t = 0; t < kSamples; ++t)
                for (int c = 0; c < kChannels; ++c) {
                    double v = 300 * std::sin(2 * pi * 6 * t / kRate + c) + 80 * std::sin(2 * pi * 50 * t / kRate) +
                               noise(random);
                    cell.Data(o, t, c) = static_cast<std::int16_t>(std::lround(2048 + v));
                }
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

} // namespace orva::bench
