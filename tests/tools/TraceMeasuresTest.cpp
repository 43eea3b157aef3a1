#include "tools/TraceMeasures.h"

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

TEST(MeasureName, ReadsBackEveryName)
{
    for (TMeasureKind kind : kMeasureKinds)
        EXPECT_EQ(MeasureFromName(MeasureName(kind)), kind);
    EXPECT_FALSE(MeasureFromName("Peak"));
    EXPECT_FALSE(MeasureFromName("latency"));
}

} // namespace
} // namespace orva
