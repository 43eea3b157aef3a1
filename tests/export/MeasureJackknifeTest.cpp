#include "export/MeasureExport.h"
#include "model/ORVAError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orva {
namespace {

using Lines = std::vector<std::string>;

// An average file of one cell and one channel, one observation (subject) per raw trace,
// 250 samples a second after an 8 ms baseline (sample s at 4 s - 8 ms); ScaleBins 2
// halves the raw values.
TORVAFile Subjects(const std::vector<std::vector<std::int16_t>>& traces, bool average = true)
{
    TORVAFile f;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.GeneralInformation.ScaleBins = 2;
    f.GeneralInformation.BaselineDuration = 8;
    f.DataDescription.NumCells = 1;
    f.DataDescription.NumChannels = 1;
    f.DataDescription.Zeros = {0};
    f.DataDescription.Gains = {800};
    const int samples = static_cast<int>(traces[0].size());
    const int n = static_cast<int>(traces.size());
    TORVACell cell;
    cell.CellNumber = 1;
    cell.Name = "go";
    cell.NumObservations = n;
    cell.SamplesPerObservation = samples;
    cell.SamplesPerSecond = 250;
    cell.Data = TSampleArray(n, samples, 1);
    for (int o = 0; o < n; ++o)
        for (int s = 0; s < samples; ++s)
            cell.Data(o, s, 0) = traces[static_cast<std::size_t>(o)][static_cast<std::size_t>(s)];
    f.Cells.push_back(std::move(cell));
    f.FullFileName = average ? "/data/grand.ave" : "/data/s01.ses";
    f.FileName = average ? "grand.ave" : "s01.ses";
    return f;
}

TMeasureOptions Jackknife(std::vector<TMeasureKind> measures)
{
    TMeasureOptions options;
    options.WindowStart = -8;
    options.WindowEnd = 12;
    options.Measures = std::move(measures);
    options.Jackknife = true;
    return options;
}

Lines Rows(const TORVAFile& f, const TMeasureOptions& options)
{
    TLineCollector lines;
    WriteMeasureRows(f, options, lines);
    return lines.Lines;
}

TEST(JackknifeRows, RetrieveTheScoresOfTheLeaveOneOutAverages)
{
    // Peaks of 5, 10 and 15 uV at 0, 4 and 8 ms. Without subject 1 the grand average peaks
    // at 8 ms (7.5 against 5), without 2 at 8 ms, without 3 at 4 ms: J = 8, 8, 4, and the
    // scores 3 x 20/3 - 2 J = 4, 4, 12. The mean, linear, gives back each subject's own.
    const TORVAFile f = Subjects({{0, 0, 10, 0, 0, 0}, {0, 0, 0, 20, 0, 0}, {0, 0, 0, 0, 30, 0}});
    const std::string start = "grand.ave,1,go,";
    EXPECT_EQ(Rows(f, Jackknife({TMeasureKind::PeakLatency, TMeasureKind::Mean})),
              (Lines{
                  start + "1,1,peak-latency,-8.000,12.000,4.000,jackknife",
                  start + "1,1,mean,-8.000,12.000,0.833,jackknife",
                  start + "2,1,peak-latency,-8.000,12.000,4.000,jackknife",
                  start + "2,1,mean,-8.000,12.000,1.667,jackknife",
                  start + "3,1,peak-latency,-8.000,12.000,12.000,jackknife",
                  start + "3,1,mean,-8.000,12.000,2.500,jackknife",
              }));
    // The listed subjects are the sample: subjects 3, 2, 1 in that order give the same scores.
    TMeasureOptions listed = Jackknife({TMeasureKind::PeakLatency});
    listed.Observations = TSelectionList{2, 1, 0};
    EXPECT_EQ(Rows(f, listed), (Lines{
                                   start + "3,1,peak-latency,-8.000,12.000,12.000,jackknife",
                                   start + "2,1,peak-latency,-8.000,12.000,4.000,jackknife",
                                   start + "1,1,peak-latency,-8.000,12.000,4.000,jackknife",
                               }));
}

TEST(JackknifeRows, ASubsetWithoutTheMeasureEmptiesTheCell)
{
    // Every leave-one-out average peaks at the window's first sample: no onset before it.
    const TORVAFile f = Subjects({{0, 0, 9, 4, 0}, {0, 0, 8, 2, 0}, {0, 0, 7, 6, 0}});
    TMeasureOptions options = Jackknife({TMeasureKind::FractionalPeakLatency, TMeasureKind::Peak});
    options.WindowStart = 0;
    const std::string start = "grand.ave,1,go,";
    const Lines rows = Rows(f, options);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0], start + "1,1,fractional-peak-latency,0.000,12.000,,jackknife; no crossing");
    EXPECT_EQ(rows[4], start + "3,1,fractional-peak-latency,0.000,12.000,,jackknife; no crossing");
    // Peak: J = 3.75, 4, 4.25 uV; scores 3 x 4 - 2 J.
    EXPECT_EQ(rows[1], start + "1,1,peak,0.000,12.000,4.500,jackknife");
    EXPECT_EQ(rows[5], start + "3,1,peak,0.000,12.000,3.500,jackknife");
    const TMeasureColumns columns = MeasureColumns(f, options);
    EXPECT_TRUE(std::isnan(columns.Value[0]));
    EXPECT_EQ(columns.Note[0], kJackknifeNoCrossing);
    EXPECT_EQ(columns.Value[1], 4.5);
    EXPECT_EQ(columns.Note[1], kJackknife);
}

TEST(JackknifeRows, AreRefusedForSessionFilesAndSmallCells)
{
    const auto refusal = [](const TORVAFile& f, const TMeasureOptions& options) {
        try {
            Rows(f, options);
        } catch (const EORVAError& e) {
            EXPECT_EQ(e.Path(), f.FullFileName);
            return e.Cause();
        }
        return std::string("accepted");
    };
    const TORVAFile three = Subjects({{0, 1}, {0, 2}, {0, 3}});
    TMeasureOptions two = Jackknife({TMeasureKind::Mean});
    two.Observations = TSelectionList{0, 2};
    EXPECT_EQ(refusal(three, two), "Cell 1 has 2 subjects; the jackknife needs at least 3");
    EXPECT_EQ(refusal(Subjects({{0, 1}}), Jackknife({TMeasureKind::Mean})),
              "Cell 1 has 1 subject; the jackknife needs at least 3");
    EXPECT_EQ(refusal(Subjects({{0, 1}, {0, 2}, {0, 3}}, false), Jackknife({TMeasureKind::Mean})),
              "The jackknife takes an average file, whose observations are subjects; this is a session file");
    TMeasureOptions fraction = Jackknife({TMeasureKind::FractionalAreaLatency});
    fraction.Jackknife = false;
    fraction.Fraction = 1.5;
    EXPECT_EQ(refusal(three, fraction), "The fraction is 1.500; it must lie from 0 to 1");
}

TEST(MeasureRows, WriteTheNewMeasuresWithTheirNotes)
{
    // One subject: raw 0 4 8 4 0 -4 0, calibrated 0 2 4 2 0 -2 0 at -8 .. 16 ms.
    const TORVAFile f = Subjects({{0, 4, 8, 4, 0, -4, 0}});
    TMeasureOptions options;
    options.WindowStart = -8;
    options.WindowEnd = 16;
    options.Measures = {TMeasureKind::Area,         TMeasureKind::PositiveArea,
                        TMeasureKind::NegativeArea, TMeasureKind::Integral,
                        TMeasureKind::FractionalAreaLatency, TMeasureKind::FractionalPeakLatency};
    const std::string start = "grand.ave,1,go,1,1,";
    // Positive area 1 + 3 + 3 + 1 steps of 4 ms, negative 1 + 1; half the positive area at
    // sample 2 (running 0, 1, 4); half the peak of 4 at sample 1 before it.
    EXPECT_EQ(Rows(f, options), (Lines{
                                    start + "area,-8.000,16.000,40.000,",
                                    start + "positive-area,-8.000,16.000,32.000,",
                                    start + "negative-area,-8.000,16.000,8.000,",
                                    start + "integral,-8.000,16.000,24.000,",
                                    start + "fractional-area-latency,-8.000,16.000,0.000,",
                                    start + "fractional-peak-latency,-8.000,16.000,-4.000,",
                                }));
    options.Measures = {TMeasureKind::FractionalAreaLatency};
    options.WindowEnd = -4; // samples 0 and 1: positive area 1 step, reached at sample 1
    EXPECT_EQ(Rows(f, options), (Lines{start + "fractional-area-latency,-8.000,-4.000,-4.000,"}));
    options.Area = TAreaKind::Negative;
    EXPECT_EQ(Rows(f, options), (Lines{start + "fractional-area-latency,-8.000,-4.000,,no area"}));
}

} // namespace
} // namespace orva
