#include "tools/TraceMeasures.h"

#include "tools/Jackknife.h"

#include <gtest/gtest.h>

#include <vector>

namespace orva {
namespace {

using Trace = std::vector<double>;

struct TPeakCase {
    const char* Name;
    Trace Values;
    TSampleRange Window;
    TPolarity Polarity;
    int Neighbours;
    int Index;
    bool Local;
};

TEST(FindPeak, FindsThePeakOfHandComputableTraces)
{
    const auto pos = TPolarity::Positive;
    const auto neg = TPolarity::Negative;
    const std::vector<TPeakCase> cases = {
        {"ramp, largest at the window's end", {0, 1, 2, 3, 4, 5}, {1, 4}, pos, 0, 4, false},
        {"ramp, smallest at the window's start", {0, 1, 2, 3, 4, 5}, {1, 4}, neg, 0, 1, false},
        {"single spike", {0, 0, 9, 0, 0}, {0, 4}, pos, 0, 2, false},
        {"single negative spike", {0, 0, -9, 0, 0}, {0, 4}, neg, 0, 2, false},
        {"positive polarity ignores a deeper trough", {1, -9, 2, 0}, {0, 3}, pos, 0, 2, false},
        {"plateau: the first of equal values", {0, 5, 5, 5, 0}, {0, 4}, pos, 0, 1, false},
        {"negative plateau: the first of equal values", {3, 1, 1, 3}, {0, 3}, neg, 0, 1, false},
        {"spike outside the window is not seen", {9, 1, 2, 1, 9}, {1, 3}, pos, 0, 2, false},
        {"local peak beside a larger edge value", {0, 3, 1, 0, 1, 2, 8}, {1, 6}, pos, 1, 1, true},
        {"local peak judged by neighbours outside the window", {0, 0, 5, 0, 9}, {2, 2}, pos, 2, 2, true},
        {"two neighbours a side, mean not single values", {1, 0, 4, 0, 1, 9, 9}, {2, 4}, pos, 2, 2, true},
        {"local peaks of equal value: the first", {0, 5, 0, 5, 0}, {0, 4}, pos, 1, 1, true},
        {"larger of two local peaks", {0, 2, 0, 7, 0}, {0, 4}, pos, 1, 3, true},
        {"negative local trough beside a deeper edge", {0, -3, 0, -9}, {0, 3}, neg, 1, 1, true},
        {"ramp has no local peak: the simple peak", {0, 1, 2, 3, 4}, {0, 4}, pos, 1, 4, false},
        {"flat top is no local peak", {0, 5, 5, 0}, {0, 3}, pos, 1, 1, false},
        {"peak too near the trace's end for its neighbours", {0, 1, 9, 1}, {0, 3}, pos, 2, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TPeak peak = FindPeak(c.Values, c.Window, c.Polarity, c.Neighbours);
        EXPECT_EQ(peak.Index, c.Index);
        EXPECT_EQ(peak.Local, c.Local);
    }
}

TEST(WindowMean, AveragesTheWindowOnly)
{
    EXPECT_DOUBLE_EQ(WindowMean(Trace{0, 1, 2, 3, 4, 5}, {1, 4}), 2.5);
    EXPECT_DOUBLE_EQ(WindowMean(Trace{0, 0, 9, 0, 0}, {0, 4}), 1.8);
    EXPECT_DOUBLE_EQ(WindowMean(Trace{7, -3, 100}, {1, 1}), -3);
}

TEST(MeasureTraceValue, TakesLatenciesFromTheSampleTimes)
{
    // 250 samples a second after an 8 ms baseline: sample s lies at 4 s - 8 ms.
    const TSampleTimes times{250, 8};
    const Trace trace{0, 1, -4, 3, 3, 0};
    TTraceSettings settings;
    EXPECT_EQ(MeasureTraceValue(trace, {0, 5}, times, TMeasureKind::PeakLatency, settings).Value, 4.0);
    EXPECT_EQ(MeasureTraceValue(trace, {0, 5}, times, TMeasureKind::Peak, settings).Value, 3.0);
    EXPECT_EQ(MeasureTraceValue(trace, {1, 2}, times, TMeasureKind::Mean, settings).Value, -1.5);
    settings.Polarity = TPolarity::Negative;
    EXPECT_EQ(MeasureTraceValue(trace, {0, 5}, times, TMeasureKind::PeakLatency, settings).Value, 0.0);
    settings.Neighbours = 3; // -4 at sample 2 has only two samples before it
    const TTraceValue simple = MeasureTraceValue(trace, {0, 5}, times, TMeasureKind::Peak, settings);
    EXPECT_EQ(simple.Value, -4.0);
    EXPECT_EQ(simple.Note, kNoLocalPeak);
    EXPECT_EQ(MeasureTraceValue(trace, {0, 5}, times, TMeasureKind::Mean, settings).Note, "");
    // A time that is no exact binary fraction: 1000 / 3 ms a sample.
    EXPECT_EQ(TSampleTimes({3, 0}).At(1), 1000.0 / 3);
}

// 250 samples a second after an 8 ms baseline: sample s at 4 s - 8 ms, 4 ms apart.
const TSampleTimes kTimes{250, 8};

TEST(WindowArea, AddsTrapezoidsOfTheTransformedSamples)
{
    const Trace trace{0, 2, -2, 4, 0};
    const struct {
        const char* Name;
        TSampleRange Window;
        TAreaKind Kind;
        double Area;
    } cases[] = {
        {"integral: 1 + 0 + 1 + 2 steps", {0, 4}, TAreaKind::Integral, 16},
        {"rectified: |x| is 0 2 2 4 0", {0, 4}, TAreaKind::Rectified, 32},
        {"positive: negative values count as 0", {0, 4}, TAreaKind::Positive, 24},
        {"negative: the area of -x where x < 0, a positive number", {0, 4}, TAreaKind::Negative, 8},
        {"a window that cuts the trace", {1, 3}, TAreaKind::Integral, 4},
        {"rectified, cut", {1, 3}, TAreaKind::Rectified, 20},
        {"one sample has no area", {2, 2}, TAreaKind::Rectified, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(WindowArea(trace, c.Window, c.Kind, 4), c.Area);
    }
    TTraceSettings settings;
    EXPECT_EQ(MeasureTraceValue(trace, {0, 4}, kTimes, TMeasureKind::Area, settings).Value, 32.0);
    EXPECT_EQ(MeasureTraceValue(trace, {0, 4}, kTimes, TMeasureKind::PositiveArea, settings).Value, 24.0);
    EXPECT_EQ(MeasureTraceValue(trace, {0, 4}, kTimes, TMeasureKind::NegativeArea, settings).Value, 8.0);
    EXPECT_EQ(MeasureTraceValue(trace, {0, 4}, kTimes, TMeasureKind::Integral, settings).Value, 16.0);
    // 1000 samples a second: 1 ms apart.
    EXPECT_EQ(MeasureTraceValue(trace, {0, 4}, TSampleTimes{1000, 0}, TMeasureKind::Integral, settings).Value, 4.0);
}

TEST(FractionalAreaSample, FindsTheFirstSampleThatReachesTheFraction)
{
    // Running positive area in steps at samples 0 .. 4: 0, 1, 2, 3, 4.
    const Trace hills{0, 2, 0, 2, 0};
    const Trace valley{0, -2, -2, 0};
    const struct {
        const char* Name;
        Trace Values;
        TSampleRange Window;
        TAreaKind Kind;
        double Fraction;
        std::optional<int> Sample;
    } cases[] = {
        {"exactly at half the area", hills, {0, 4}, TAreaKind::Positive, 0.5, 2},
        {"three quarters", hills, {0, 4}, TAreaKind::Positive, 0.75, 3},
        {"just beyond a quarter: the next sample", hills, {0, 4}, TAreaKind::Positive, 0.26, 2},
        {"fraction 0: the window's first sample", hills, {0, 4}, TAreaKind::Positive, 0, 0},
        {"fraction 1: where the whole area is reached", hills, {0, 4}, TAreaKind::Positive, 1, 4},
        {"a window that cuts the trace: 1.5 of 3", hills, {1, 4}, TAreaKind::Positive, 0.5, 3},
        {"negative area of a valley", valley, {0, 3}, TAreaKind::Negative, 0.5, 2},
        {"a negative integral falls to its fraction", valley, {0, 3}, TAreaKind::Integral, 0.25, 1},
        {"no positive area in a valley", valley, {0, 3}, TAreaKind::Positive, 0.5, std::nullopt},
        {"an integral of 0", Trace{1, -1, 1, -1}, {0, 3}, TAreaKind::Integral, 0.5, std::nullopt},
        {"rectified area counts both signs", Trace{0, 2, 0, -2, 0}, {0, 4}, TAreaKind::Rectified, 0.5, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FractionalAreaSample(c.Values, c.Window, c.Kind, c.Fraction), c.Sample);
    }
}

TEST(MeasureTraceValue, FractionalAreaLatencyTakesTheAreaOfThePolarity)
{
    // A positive hill at samples 1 .. 2, a negative one at 4 .. 5.
    const Trace trace{0, 2, 2, 0, -2, -2, 0};
    TTraceSettings settings;
    auto latency = [&] {
        return MeasureTraceValue(trace, {0, 6}, kTimes, TMeasureKind::FractionalAreaLatency, settings);
    };
    EXPECT_EQ(latency().Value, 0.0); // positive area 0, 1, 3, 4: half at sample 2
    settings.Polarity = TPolarity::Negative;
    EXPECT_EQ(latency().Value, 12.0); // negative area reaches half at sample 5
    settings.Area = TAreaKind::Rectified;
    EXPECT_EQ(latency().Value, 4.0); // rectified area 8: 4 at sample 3
    settings.Area = TAreaKind::Integral; // 0: the hills cancel
    EXPECT_EQ(latency().Value, std::nullopt);
    EXPECT_EQ(latency().Note, kNoArea);
}

TEST(FractionalPeakSample, FindsTheNearestSampleAtTheFractionOfThePeak)
{
    const Trace hill{0, 1, 2, 4, 8, 4, 2, 1, 0};
    Trace pit;
    for (double v : hill)
        pit.push_back(-v);
    const auto pos = TPolarity::Positive;
    const auto neg = TPolarity::Negative;
    const struct {
        const char* Name;
        Trace Values;
        TSampleRange Window;
        int Peak;
        TPolarity Polarity;
        double Fraction;
        bool Offset;
        std::optional<int> Sample;
    } cases[] = {
        {"onset exactly at half the peak", hill, {0, 8}, 4, pos, 0.5, false, 3},
        {"offset exactly at half the peak", hill, {0, 8}, 4, pos, 0.5, true, 5},
        {"onset below a quarter", hill, {0, 8}, 4, pos, 0.2, false, 1},
        {"fraction 0: the first sample at or below 0", hill, {0, 8}, 4, pos, 0, true, 8},
        {"fraction 1: the sample beside the peak", hill, {0, 8}, 4, pos, 1, false, 3},
        {"negative peak, onset", pit, {0, 8}, 4, neg, 0.5, false, 3},
        {"negative peak, offset", pit, {0, 8}, 4, neg, 0.2, true, 7},
        {"the window cuts off the crossing", hill, {3, 8}, 4, pos, 0.25, false, std::nullopt},
        {"a peak at the window's end has no offset", hill, {0, 4}, 4, pos, 0.5, true, std::nullopt},
        {"a plateau: the tie beside the first peak sample counts at 1", Trace{0, 8, 8, 0}, {0, 3}, 1, pos, 1,
         true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FractionalPeakSample(c.Values, c.Window, c.Peak, c.Polarity, c.Fraction, c.Offset), c.Sample);
    }
}

TEST(MeasureTraceValue, FractionalPeakLatencyStartsFromThePeakOfPeak)
{
    // The simple peak is 9 at sample 4; the local peak (one neighbour a side) 6 at sample 1.
    const Trace trace{0, 6, 0, 0, 9};
    TTraceSettings settings;
    settings.Offset = true;
    auto latency = [&] {
        return MeasureTraceValue(trace, {0, 4}, kTimes, TMeasureKind::FractionalPeakLatency, settings);
    };
    EXPECT_EQ(latency().Value, std::nullopt); // nothing after the window's last sample
    EXPECT_EQ(latency().Note, kNoCrossing);
    settings.Neighbours = 1;
    EXPECT_EQ(latency().Value, 0.0); // sample 2
    EXPECT_EQ(latency().Note, "");
    settings.Offset = false;
    EXPECT_EQ(latency().Value, -8.0); // sample 0
    settings.Neighbours = 3; // no local peak: the simple one, noted
    EXPECT_EQ(latency().Value, 4.0); // sample 3
    EXPECT_EQ(latency().Note, kNoLocalPeak);
}

TEST(Jackknife, AveragesTheOthersAndRetrievesTheScores)
{
    const std::vector<Trace> means = LeaveOneOutMeans({{1, 2}, {3, 4}, {5, 9}});
    EXPECT_EQ(means, (std::vector<Trace>{{4, 6.5}, {3, 5.5}, {2, 3}}));
    const Trace j{1, 2, 3};
    EXPECT_EQ(RetrievedScores(j), (Trace{4, 2, 0}));
    // The retrieved scores of a mean are the subjects' own means.
    const std::vector<Trace> subjects{{1, 3}, {-2, 6}, {10, 0}, {4, 4}};
    Trace leaveOneOut;
    for (const Trace& mean : LeaveOneOutMeans(subjects))
        leaveOneOut.push_back(WindowMean(mean, {0, 1}));
    const Trace scores = RetrievedScores(leaveOneOut);
    ASSERT_EQ(scores.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(scores[i], WindowMean(subjects[i], {0, 1}), 1e-12);
}

TEST(MeasureName, ReadsBackEveryName)
{
    for (TMeasureKind kind : kMeasureKinds)
        EXPECT_EQ(MeasureFromName(MeasureName(kind)), kind);
    EXPECT_FALSE(MeasureFromName("Peak"));
    EXPECT_FALSE(MeasureFromName("latency"));
    EXPECT_EQ(MeasureNamesText(), "mean, peak, peak-latency, area, positive-area, negative-area, integral, "
                                  "fractional-area-latency or fractional-peak-latency");
    for (TAreaKind kind : {TAreaKind::Positive, TAreaKind::Negative, TAreaKind::Rectified, TAreaKind::Integral})
        EXPECT_EQ(AreaKindFromName(AreaKindName(kind)), kind);
    EXPECT_FALSE(AreaKindFromName("absolute"));
}

} // namespace
} // namespace orva
