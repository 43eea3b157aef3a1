// Data quality on trials small enough to check by hand: the analytic SME and the baseline's
// sd against their definitions, the default windows at the epoch's edges, the trials against
// those average keeps, and the bootstrap against a plain recomputation from the same draws.
#include "model/Calibration.h"
#include "model/ORVAError.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ArtifactRules.h"
#include "tools/DataQuality.h"
#include "tools/DataQualityTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace orva::test {
namespace {

// A session file at 1000 Hz whose values are the raw samples (zero 0, gain 400), one cell
// per entry of data, each [observation][sample][channel].
TTestFileBuilder Trials(int observations, int samples, int channels, std::vector<std::vector<std::int16_t>> data)
{
    TTestFileBuilder b = TTestFileBuilder::Session(static_cast<int>(data.size()), observations, samples, channels);
    b.Zeros.assign(static_cast<std::size_t>(channels), 0);
    b.Gains.assign(static_cast<std::size_t>(channels), 400);
    for (std::size_t c = 0; c < data.size(); ++c) {
        b.Cells[c].SamplesPerSecond = 1000;
        b.Cells[c].Data = std::move(data[c]);
    }
    return b;
}

double Sd(const std::vector<double>& v)
{
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    double squares = 0;
    for (double x : v)
        squares += (x - mean) * (x - mean);
    return std::sqrt(squares / static_cast<double>(v.size() - 1));
}

class DataQualityTest : public ::testing::Test {
protected:
    TORVAFile Load(const TTestFileBuilder& b)
    {
        b.WriteTo(dir.Path("in.ses"));
        return LoadChecked(dir.Path("in.ses"));
    }
    std::string Refusal(const TORVAFile& f, const TQualityOptions& options)
    {
        try {
            MeasureQuality(f, options);
        } catch (const EORVAError& e) {
            return e.Cause();
        }
        return "";
    }
    TTempDir dir;
};

TEST_F(DataQualityTest, AnalyticSmeAndBaselineSdByHand)
{
    // Three trials of five samples, two channels; with a baseline of 2 ms the samples lie at
    // -2 .. 2 ms. Channel 1's window 0 .. 2 ms means are 1, 2 and 6; channel 2 is flat.
    const TORVAFile f = Load(Trials(3, 5, 2,
                                    {{4, 7, -2, 7, 0, 7, 1, 7, 2, 7, //
                                      0, 7, 8, 7, 2, 7, 2, 7, 2, 7, //
                                      5, 7, 0, 7, 6, 7, 6, 7, 6, 7}}));
    TQualityOptions options;
    options.Average.BaselineMs = 2;
    options.Windows = {{0, 2}, {-2, 2}};
    const TQualityTable t = MeasureQuality(f, options);
    ASSERT_EQ(t.Rows.size(), 4u);
    EXPECT_TRUE(t.Notes.empty());
    const TQualityRow& first = t.Rows[0];
    EXPECT_EQ(first.Channel, 0);
    EXPECT_EQ(first.Trials, 3);
    EXPECT_NEAR(*first.Asme, Sd({1, 2, 6}) / std::sqrt(3.0), 1e-12);
    // The average before 0 ms: (3, 2) on channel 1; 7, 7 on channel 2.
    EXPECT_NEAR(*first.BaselineSd, Sd({3, 2}), 1e-12);
    EXPECT_EQ(*t.Rows[1].Asme, 0.0);
    EXPECT_EQ(*t.Rows[1].BaselineSd, 0.0);
    // The whole epoch: means 1, 2.8, 4.6.
    EXPECT_NEAR(*t.Rows[2].Asme, Sd({1, 2.8, 4.6}) / std::sqrt(3.0), 1e-12);
    EXPECT_EQ(t.Rows[2].Window.Start, -2);

    // No baseline: 0 ms is the first sample and nothing lies before it.
    options.Average.BaselineMs = 0;
    options.Windows = {{2, 4}};
    const TQualityTable none = MeasureQuality(f, options);
    EXPECT_NEAR(*none.Rows[0].Asme, Sd({1, 2, 6}) / std::sqrt(3.0), 1e-12);
    EXPECT_FALSE(none.Rows[0].BaselineSd);
}

TEST_F(DataQualityTest, CalibratedWithTheSessionsZeroAndGain)
{
    TTestFileBuilder b = Trials(2, 2, 1, {{100, 100, 300, 300}});
    b.Zeros = {100};
    b.Gains = {800}; // (raw - 100) x 400 / 800
    const TORVAFile f = Load(b);
    TQualityOptions options;
    options.Windows = {{0, 1}};
    const TQualityTable t = MeasureQuality(f, options);
    EXPECT_NEAR(*t.Rows[0].Asme, Sd({0, 100}) / std::sqrt(2.0), 1e-12);
}

TEST_F(DataQualityTest, DefaultWindowsLieWhollyInsideTheEpoch)
{
    const auto starts = [](int samples, std::int32_t baseline, std::int16_t rate = 1000) {
        TORVACell cell;
        cell.SamplesPerObservation = samples;
        cell.SamplesPerSecond = rate;
        std::vector<double> out;
        for (const TQualityWindow& w : DefaultQualityWindows(cell, baseline)) {
            EXPECT_EQ(w.End - w.Start, 100);
            out.push_back(w.Start);
        }
        return out;
    };
    EXPECT_EQ(starts(301, 0), (std::vector<double>{0, 100, 200})); // the last sample at exactly 300 ms
    EXPECT_EQ(starts(300, 0), (std::vector<double>{0, 100}));
    EXPECT_EQ(starts(301, 100), (std::vector<double>{-100, 0, 100}));
    EXPECT_EQ(starts(301, 150), (std::vector<double>{-100, 0}));
    EXPECT_EQ(starts(301, 50), (std::vector<double>{0, 100}));
    EXPECT_EQ(starts(701, 400), (std::vector<double>{-400, -300, -200, -100, 0, 100, 200}));
    EXPECT_EQ(starts(26, 0, 250), (std::vector<double>{0})); // 0 .. 100 ms at 250 Hz
    EXPECT_TRUE(starts(100, 0).empty());
    EXPECT_EQ(starts(51, 200, 250), (std::vector<double>{-200, -100}));

    const TORVAFile f = Load(Trials(2, 50, 1, {std::vector<std::int16_t>(100, 1)}));
    EXPECT_NE(Refusal(f, {}).find("no 100 ms window"), std::string::npos);
}

TEST_F(DataQualityTest, TheTrialsAreThoseTheAverageKeeps)
{
    // Two cells of four trials; trial 2 of cell 1 jumps by 500 and is flagged, --obs keeps 1-3.
    std::vector<std::int16_t> one{0, 0, 10, 10, 500, -500, 20, 20};
    std::vector<std::int16_t> two{1, 1, 2, 2, 4, 4, 8, 8};
    const TORVAFile f = Load(Trials(4, 2, 1, {one, two}));
    TArtifactRules rules;
    rules.PeakToPeak = 100;
    TQualityOptions options;
    options.Windows = {{0, 1}};
    options.Average.Observations = TSelectionList{0, 1, 2};
    options.Average.Excluded = ExclusionsOf(f, DetectArtifacts(f, rules, ChosenCells(f, std::nullopt)));
    const TQualityTable t = MeasureQuality(f, options);
    const TErpResult average = AverageSession(f, options.Average);
    ASSERT_EQ(t.Rows.size(), 2u);
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(t.Rows[static_cast<std::size_t>(c)].Trials, average.File.Cells[static_cast<std::size_t>(c)].TrialSpecifics(0, 0));
    EXPECT_NEAR(*t.Rows[0].Asme, Sd({0, 10}) / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(*t.Rows[1].Asme, Sd({1, 2, 4}) / std::sqrt(3.0), 1e-12);

    // One trial left: empty fields and a note naming the cell, where average would refuse.
    options.Average.Observations = TSelectionList{0, 2};
    const TQualityTable few = MeasureQuality(f, options);
    EXPECT_EQ(few.Rows[0].Trials, 1);
    EXPECT_FALSE(few.Rows[0].Asme);
    EXPECT_FALSE(few.Rows[0].BaselineSd);
    ASSERT_EQ(few.Notes.size(), 1u);
    EXPECT_NE(few.Notes[0].find("cell 1"), std::string::npos);
    EXPECT_TRUE(few.Rows[1].Asme);

    // --cells and --chans choose the rows, each once.
    options.Cells = TSelectionList{1, 1};
    EXPECT_EQ(MeasureQuality(f, options).Rows.size(), 1u);
}

TEST_F(DataQualityTest, RefusesWhatItCannotJudge)
{
    const TORVAFile f = Load(Trials(2, 3, 1, {{1, 2, 3, 4, 5, 6}}));
    TQualityOptions options;
    options.Windows = {{5, 9}};
    EXPECT_EQ(Refusal(f, options), "Cell 1 has no sample in the window 5 to 9 ms: its samples lie from 0 to 2 ms");
    options.Windows = {{2, 1}};
    EXPECT_NE(Refusal(f, options).find("after its end"), std::string::npos);
    options.Windows = {{0, 2}};
    options.Bootstrap = 1;
    options.Measures = {TMeasureKind::Mean};
    EXPECT_NE(Refusal(f, options).find("2 or more"), std::string::npos);
    options.Bootstrap = 10;
    options.Measures.clear();
    EXPECT_NE(Refusal(f, options).find("go together"), std::string::npos);
    options.Bootstrap = 0;
    options.Channels = TSelectionList{3};
    EXPECT_NE(Refusal(f, options).find("Channels"), std::string::npos);

    TTestFileBuilder average = TTestFileBuilder::Average(1, 2, 3, 1);
    average.WriteTo(dir.Path("in.ave"));
    const TORVAFile a = LoadChecked(dir.Path("in.ave"));
    EXPECT_EQ(Refusal(a, {}), "Cannot measure data quality: this is an average file: its observations are subjects, "
                              "not trials");
}

TEST(QualityRandom, PortableStreamsPerCellAndUniformDraws)
{
    // splitmix64 from 1 + golden ratio gives the first state word; the streams of two cells differ.
    TQualityRandom a(1, 0), b(1, 0), other(1, 1), seed(2, 0);
    const std::uint64_t first = a.Next();
    EXPECT_EQ(first, b.Next());
    EXPECT_NE(first, other.Next());
    EXPECT_NE(first, seed.Next());
    std::vector<int> counts(5, 0);
    for (int i = 0; i < 50000; ++i) {
        const int k = a.Below(5);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 5);
        ++counts[static_cast<std::size_t>(k)];
    }
    for (int n : counts)
        EXPECT_NEAR(n, 10000, 400);
    EXPECT_EQ(a.Below(1), 0);
}

// The bootstrap recomputed plainly: the same draws, whole-epoch averages, every measure taken
// on the whole trace; the program sums only the window and, for the peaks, its neighbours.
TEST_F(DataQualityTest, BootstrapMatchesAWholeEpochRecomputation)
{
    const int trials = 7, samples = 40, channels = 2;
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> value(-300, 300);
    std::vector<std::int16_t> data(static_cast<std::size_t>(trials * samples * channels));
    for (auto& v : data)
        v = static_cast<std::int16_t>(value(gen));
    const TORVAFile f = Load(Trials(trials, samples, channels, {data}));
    TQualityOptions options;
    options.Average.BaselineMs = 10;
    options.Windows = {{-10, -6}, {5, 12}, {25, 29}}; // the first and last reach the epoch's edges
    options.Bootstrap = 300;
    options.Seed = 42;
    options.Measures.assign(std::begin(kMeasureKinds), std::end(kMeasureKinds));
    options.Settings.Neighbours = 3;
    options.Settings.Polarity = TPolarity::Negative;
    options.Settings.Fraction = 0.3;
    const std::size_t kinds = options.Measures.size();
    const TQualityTable t = MeasureQuality(f, options);
    ASSERT_EQ(t.Rows.size(), 6u);

    const TSampleTimes times{1000, 10};
    TQualityRandom random(42, 0);
    std::vector<std::vector<double>> scores(6 * kinds);
    for (int b = 0; b < options.Bootstrap; ++b) {
        std::vector<double> avg(static_cast<std::size_t>(samples * channels), 0.0);
        for (int k = 0; k < trials; ++k) {
            const int o = random.Below(trials);
            for (int i = 0; i < samples * channels; ++i)
                avg[static_cast<std::size_t>(i)] += data[static_cast<std::size_t>(o * samples * channels + i)];
        }
        for (std::size_t w = 0; w < 3; ++w) {
            const TSampleRange window{static_cast<int>(options.Windows[w].Start) + 10,
                                      static_cast<int>(options.Windows[w].End) + 10};
            for (int h = 0; h < channels; ++h) {
                std::vector<double> trace;
                for (int s = 0; s < samples; ++s)
                    trace.push_back(avg[static_cast<std::size_t>(s * channels + h)] / trials);
                const std::size_t row = w * channels + static_cast<std::size_t>(h);
                for (std::size_t m = 0; m < kinds; ++m)
                    if (auto v = MeasureTraceValue(trace, window, times, options.Measures[m], options.Settings).Value)
                        scores[row * kinds + m].push_back(*v);
            }
        }
    }
    for (std::size_t row = 0; row < 6; ++row)
        for (std::size_t m = 0; m < kinds; ++m) {
            const std::vector<double>& v = scores[row * kinds + m];
            const std::optional<double> got = t.Rows[row].Bsme[m];
            ASSERT_EQ(got.has_value(), v.size() >= 2) << "row " << row << " " << MeasureName(options.Measures[m]);
            if (got) {
                EXPECT_NEAR(*got, Sd(v), 1e-9) << "row " << row << " " << MeasureName(options.Measures[m]);
            }
        }

    // The bootstrap SME of the mean estimates the analytic one.
    options.Bootstrap = 4000;
    options.Measures = {TMeasureKind::Mean};
    const TQualityTable many = MeasureQuality(f, options);
    for (const TQualityRow& row : many.Rows)
        EXPECT_NEAR(*row.Bsme[0], *row.Asme * std::sqrt((trials - 1.0) / trials), 0.06 * *row.Asme);
    // Another seed, other draws.
    options.Seed = 43;
    EXPECT_NE(*MeasureQuality(f, options).Rows[0].Bsme[0], *many.Rows[0].Bsme[0]);
}

TEST(QualityTable, RowsSpreadAndRmsOverFiles)
{
    TQualityTable t;
    for (int h = 0; h < 4; ++h) {
        TQualityRow row;
        row.Channel = h;
        row.Window = {0, 100};
        row.Trials = 9;
        row.Asme = 1.0 + h * h;
        row.Bsme = {std::nullopt};
        t.Rows.push_back(row);
    }
    const std::vector<TSmeSpread> s = SmeSpreads(t);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].Median, 3.5); // of 1, 2, 5, 10
    EXPECT_EQ(s[0].Largest, 10);
    EXPECT_EQ(s[0].LargestChannel, 3);
    EXPECT_EQ(QualityNumber(0.00006), "0.0001");
    EXPECT_EQ(QualityNumber(-0.00001), "0.0000");
    EXPECT_EQ(QualityNumber(1234.56789), "1234.5679");

    TSmeOverFiles over;
    over.Add({"go"}, t);
    t.Rows[3].Asme = std::nullopt; // a file without channel 4's value counts only where it has one
    t.Rows[0].Asme = 7;
    over.Add({"go"}, t);
    // RMS per channel: 5, 2, 5, 10 -> median 5, largest 10 on channel 4.
    EXPECT_EQ(over.Summary(), "RMS of aSME over 2 files, per cell and window (median and largest over channels):\n"
                              "  cell 1 \"go\", 0 to 100 ms: median 5.0000, largest 10.0000 (channel 4)\n");
}

} // namespace
} // namespace orva::test
