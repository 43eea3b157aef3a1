#include "tools/LowPassFilter.h"

#include "model/ORVAError.h"
#include "tests/tools/FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace orva;
using namespace orva::test;

namespace {

TEST(ParseCutoffText, ReadsOnlyNumbersWithAPoint)
{
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"20", 20.0f},        {"12.5", 12.5f},     {"  7", 7.0f},     {"+3", 3.0f},     {"-4.5", -4.5f},
        {"1e2", 100.0f},      {"2.5E-1", 0.25f},   {".5", 0.5f},      {"5.", 5.0f},     {"0", 0.0f},
        {"1e30", 1e30f},      {"", std::nullopt},  {"   ", std::nullopt}, {"12,5", std::nullopt},
        {"20 ", std::nullopt}, {"abc", std::nullopt}, {"1e", std::nullopt}, {".", std::nullopt},
        {"--1", std::nullopt}, {"1.2.3", std::nullopt}, {"\t20", std::nullopt}, {"1e39", std::nullopt},
        {"nan", std::nullopt}, {"inf", std::nullopt}, {"0x10", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCutoffText(c.text), c.value) << '"' << c.text << '"';
}

TEST(FilterTransformLength, IsTheNextPowerOfTwo)
{
    const std::pair<int, int> cases[] = {{1, 1}, {2, 2}, {3, 4}, {250, 256}, {256, 256}, {257, 512}, {32767, 32768}};
    for (auto [samples, length] : cases)
        EXPECT_EQ(FilterTransformLength(samples), length) << samples;
}

TEST(FilterCutoffBin, RoundsDownAndCapsHugeValues)
{
    EXPECT_EQ(FilterCutoffBin(256, 20.0f, 250), 20);  // 20.48
    EXPECT_EQ(FilterCutoffBin(256, 125.0f, 250), 128); // half the rate: K = L/2
    EXPECT_EQ(FilterCutoffBin(256, 0.9f, 250), 0);
    EXPECT_EQ(FilterCutoffBin(256, 250.0f, 250), 256);
    EXPECT_EQ(FilterCutoffBin(256, 251.0f, 250), 257);  // beyond L
    EXPECT_EQ(FilterCutoffBin(256, 1e30f, 1), 257);     // would not fit an int
    EXPECT_EQ(FilterCutoffBin(256, -1.0f, 250), -1);
}

// The batched filter gives exactly the samples of the trace-by-trace computation.
TEST(LowPassFilter, MatchesTheStepByStepFilterBitForBit)
{
    for (bool average : {false, true})
        for (int samples : {2, 3, 5, 250, 256, 257})
            for (float cutoff : {0.0f, 7.3f, 20.0f, 62.5f, 125.0f, 1000.0f}) {
                // 11 channels: one full group of lanes and a partial one.
                TORVAFile file = MakeFilterModel(average, 2, 3, samples, 11);
                for (int c = 0; c < 11 && !average; ++c) {
                    file.DataDescription.Zeros[static_cast<std::size_t>(c)] = 2000 + 13 * c - 70;
                    file.DataDescription.Gains[static_cast<std::size_t>(c)] = 1590 + 7 * c;
                }
                file.Cells[1].SamplesPerSecond = 500;
                FillWaveforms(file, static_cast<unsigned>(samples));
                TORVAFile expected = file;
                ReferenceLowPassFilter(expected, cutoff);
                LowPassFilter(file, cutoff);
                for (std::size_t i = 0; i < file.Cells.size(); ++i)
                    ASSERT_TRUE(file.Cells[i].Data == expected.Cells[i].Data)
                        << (average ? "average" : "session") << " N " << samples << " fc " << cutoff << " cell " << i;
            }
}

// Every build of the inner loop this processor runs (AVX-512, AVX2, the baseline) gives the
// bits of the step-by-step filter; the wider ones must not round differently.
TEST(LowPassFilter, EveryKernelGivesTheSameBits)
{
    const std::vector<std::string> kernels = FilterKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels.back(), "baseline");
    EXPECT_FALSE(UseFilterKernel("no-such-kernel"));
    for (bool average : {false, true}) {
        TORVAFile file = MakeFilterModel(average, 1, 4, 250, 19);
        FillWaveforms(file, 7u);
        TORVAFile expected = file;
        ReferenceLowPassFilter(expected, 12.5f);
        for (const std::string& kernel : kernels) {
            ASSERT_TRUE(UseFilterKernel(kernel));
            TORVAFile filtered = file;
            LowPassFilter(filtered, 12.5f);
            EXPECT_TRUE(filtered.Cells[0].Data == expected.Cells[0].Data) << kernel << (average ? " average" : " session");
        }
    }
    UseFilterKernel(kernels.front());
}

TEST(LowPassFilter, CutoffBelowTheFirstBinLeavesTheLine)
{
    // N = 4, first 10, last 22: R = 0, 3, 6, 9; the trace becomes first + R.
    TORVAFile file = MakeFilterModel(false, 1, 1, 4, 2);
    SetTrace(file, 0, 0, 0, {10, 50, -40, 22});
    SetTrace(file, 0, 0, 1, {0, 7, -3, 2}); // R = 0, 0, 1, 2 (halves to even)
    LowPassFilter(file, 0.0f);
    EXPECT_EQ(Trace(file, 0, 0, 0), (std::vector<int>{10, 13, 16, 19}));
    EXPECT_EQ(Trace(file, 0, 0, 1), (std::vector<int>{0, 0, 1, 2}));
}

TEST(LowPassFilter, AverageFileDividesAndMultipliesByScaleBins)
{
    // ScaleBins 10: first 10.0, last 22.0 in microvolts, the line comes back times 10.
    TORVAFile file = MakeFilterModel(true, 1, 1, 4, 1);
    SetTrace(file, 0, 0, 0, {100, 7, 3, 220});
    LowPassFilter(file, 10.0f); // 4 * 10 / 250: K = 0
    EXPECT_EQ(Trace(file, 0, 0, 0), (std::vector<int>{100, 130, 160, 190}));
}

TEST(LowPassFilter, HalfTheRateRemovesOnlyTheHalfRateTerm)
{
    // Detrended 0, 4, -1, 2, -2, 2, -3, 0 has a half-rate component of -14/8 per sample,
    // the only thing that differs between these samples and 7.
    TORVAFile file = MakeFilterModel(false, 1, 1, 8, 1, 8);
    SetTrace(file, 0, 0, 0, {5, 9, 5, 9, 5, 9, 5, 9});
    LowPassFilter(file, 4.0f);
    EXPECT_EQ(Trace(file, 0, 0, 0), std::vector<int>(8, 7));
}

TEST(LowPassFilter, CutoffBeyondTheTransformLengthChangesNothing)
{
    for (float cutoff : {500.0f, 1e30f}) {
        TORVAFile file = MakeFilterModel(false, 1, 4, 250, 9);
        FillWaveforms(file, 3);
        const TSampleArray before = file.Cells[0].Data;
        LowPassFilter(file, cutoff);
        EXPECT_TRUE(file.Cells[0].Data == before) << cutoff;
        EXPECT_TRUE(file.Saved) << "nothing changed, so nothing needs saving";
    }
}

TEST(LowPassFilter, ConstantTraceComesBackUnchanged)
{
    for (float cutoff : {0.0f, 3.0f, 20.0f, 300.0f}) {
        TORVAFile file = MakeFilterModel(false, 1, 1, 250, 1);
        file.DataDescription.Zeros[0] = 2048;
        file.DataDescription.Gains[0] = 1631;
        SetTrace(file, 0, 0, 0, std::vector<int>(250, 2999));
        LowPassFilter(file, cutoff);
        EXPECT_EQ(Trace(file, 0, 0, 0), std::vector<int>(250, 2999)) << cutoff;
    }
}

TEST(LowPassFilter, LowPassRemovesAFastOscillation)
{
    // 6 Hz kept, 100 Hz removed, at 250 samples per second.
    TORVAFile file = MakeFilterModel(false, 1, 1, 256, 1);
    std::vector<int> slow(256), mixed(256);
    for (int t = 0; t < 256; ++t) {
        slow[static_cast<std::size_t>(t)] = static_cast<int>(std::lround(1000 * std::sin(2 * std::numbers::pi * 6 * t / 250.0)));
        mixed[static_cast<std::size_t>(t)] =
            slow[static_cast<std::size_t>(t)] + static_cast<int>(std::lround(500 * std::sin(2 * std::numbers::pi * 100 * t / 250.0)));
    }
    SetTrace(file, 0, 0, 0, mixed);
    LowPassFilter(file, 20.0f);
    const auto filtered = Trace(file, 0, 0, 0);
    // Away from the ends (where the brick-wall cut rings) the slow wave is what remains.
    for (int t = 40; t < 216; ++t)
        EXPECT_NEAR(filtered[static_cast<std::size_t>(t)], slow[static_cast<std::size_t>(t)], 60) << t;
    EXPECT_FALSE(file.Saved);
}

TEST(LowPassFilter, ClampsValuesBeyondTheSampleRange)
{
    // A full-scale pulse rings above 32767 after the cut; wrapping would turn it negative.
    TORVAFile file = MakeFilterModel(false, 1, 1, 64, 1);
    std::vector<int> pulse(64, 0);
    for (int t = 20; t < 44; ++t)
        pulse[static_cast<std::size_t>(t)] = 32767;
    SetTrace(file, 0, 0, 0, pulse);
    TORVAFile reference = file;
    LowPassFilter(file, 30.0f);
    const auto filtered = Trace(file, 0, 0, 0);
    int clamped = 0;
    for (int t = 20; t < 44; ++t) {
        EXPECT_GT(filtered[static_cast<std::size_t>(t)], 20000) << t;
        clamped += filtered[static_cast<std::size_t>(t)] == 32767;
    }
    EXPECT_GT(clamped, 0);
    ReferenceLowPassFilter(reference, 30.0f);
    EXPECT_TRUE(file.Cells[0].Data == reference.Cells[0].Data);
}

// Every refusal is found before any cell changes, so the first cell stays as it was too.
TEST(LowPassFilter, RefusesUnfilterableFilesWithoutChangingThem)
{
    struct Case {
        const char* what;
        bool average;
        float cutoff;
        void (*spoil)(TORVAFile&);
        const char* message;
    };
    const Case cases[] = {
        {"rate 0", false, 20.0f, [](TORVAFile& f) { f.Cells[1].SamplesPerSecond = 0; }, "Cell 2 has a sampling rate of 0 Hz"},
        {"rate < 0", false, 20.0f, [](TORVAFile& f) { f.Cells[1].SamplesPerSecond = -250; }, "Cell 2 has a sampling rate"},
        {"one sample", false, 20.0f,
         [](TORVAFile& f) {
             f.Cells[1].SamplesPerObservation = 1;
             f.Cells[1].Data = TSampleArray(2, 1, 3);
         },
         "Cell 2 has 1 sample(s)"},
        {"no samples", false, 20.0f,
         [](TORVAFile& f) {
             f.Cells[1].SamplesPerObservation = 0;
             f.Cells[1].Data = TSampleArray(2, 0, 3);
         },
         "Cell 2 has 0 sample(s)"},
        {"gain 0", false, 20.0f, [](TORVAFile& f) { f.DataDescription.Gains[2] = 0; }, "Gain of channel 3 is 0"},
        {"scale bins 0", true, 20.0f, [](TORVAFile& f) { f.GeneralInformation.ScaleBins = 0; }, "Scale bins is 0"},
        {"negative cut-off", false, -5.0f, [](TORVAFile&) {}, "cut-off frequency must be 0 Hz or more"},
        {"undefined cut-off", false, std::nanf(""), [](TORVAFile&) {}, "cut-off frequency must be 0 Hz or more"},
        {"counts", false, 20.0f, [](TORVAFile& f) { f.Cells[1].NumObservations = 5; }, "samples of Cell 2 do not match"},
    };
    for (const auto& c : cases) {
        TORVAFile file = MakeFilterModel(c.average, 2, 2, 16, 3);
        FillWaveforms(file, 11);
        c.spoil(file);
        const TORVAFile before = file;
        try {
            LowPassFilter(file, c.cutoff);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EORVAError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
            EXPECT_EQ(e.Path(), before.FullFileName) << c.what;
        }
        for (std::size_t i = 0; i < file.Cells.size(); ++i)
            EXPECT_TRUE(file.Cells[i].Data == before.Cells[i].Data) << c.what << " cell " << i;
        EXPECT_TRUE(file.Saved) << c.what;
    }
}

TEST(LowPassFilter, CellsWithoutTracesNeedNoSamplesOrCalibration)
{
    // One sample per observation is fine when the cell has no observations, and a file
    // without channels has no traces at all, so a gain of 0 matters to nobody.
    TORVAFile file = MakeFilterModel(false, 2, 2, 16, 2);
    FillWaveforms(file, 5);
    file.Cells[1].NumObservations = 0;
    file.Cells[1].SamplesPerObservation = 1;
    file.Cells[1].Data = TSampleArray(0, 1, 2);
    TORVAFile expected = file;
    LowPassFilter(file, 20.0f);
    ReferenceLowPassFilter(expected, 20.0f);
    EXPECT_TRUE(file.Cells[0].Data == expected.Cells[0].Data);

    TORVAFile empty = MakeFilterModel(true, 1, 3, 1, 0);
    empty.GeneralInformation.ScaleBins = 0;
    EXPECT_NO_THROW(LowPassFilter(empty, 20.0f));
}

} // namespace
