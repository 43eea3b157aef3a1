#include "export/MeasureExport.h"
#include "model/ORVAError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using Trace = std::vector<double>;
using Lines = std::vector<std::string>;

// An average file (baseline 8 ms, 250 samples a second, so t = 4 s - 8 for zero-based s)
// or a session file (t = 4 s), with raw samples given per channel and calibrated by
// ScaleBins 2 (average) or zero 0 and gain 800 (session): value = raw / 2 in both.
TORVAFile Document(bool average, const std::vector<std::vector<std::int16_t>>& channels, int rate = 250)
{
    TORVAFile f;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.GeneralInformation.ScaleBins = 2;
    f.GeneralInformation.BaselineDuration = 8;
    f.DataDescription.NumCells = 1;
    f.DataDescription.NumChannels = static_cast<std::int32_t>(channels.size());
    const int samples = static_cast<int>(channels[0].size());
    TORVACell cell;
    cell.CellNumber = 1;
    cell.Name = "Target, left";
    cell.NumObservations = 1;
    cell.SamplesPerObservation = samples;
    cell.SamplesPerSecond = rate;
    cell.Data = TSampleArray(1, samples, static_cast<int>(channels.size()));
    for (std::size_t h = 0; h < channels.size(); ++h) {
        f.DataDescription.Zeros.push_back(0);
        f.DataDescription.Gains.push_back(800);
        for (int s = 0; s < samples; ++s)
            cell.Data(0, s, static_cast<int>(h)) = channels[h][static_cast<std::size_t>(s)];
    }
    f.Cells.push_back(std::move(cell));
    f.FullFileName = average ? "/data/s01.ave" : "/data/s01.ses";
    f.FileName = average ? "s01.ave" : "s01.ses";
    return f;
}

TEST(WindowSamples, HoldsEverySampleWithinTheTimesInclusive)
{
    const TORVAFile average = Document(true, {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}); // -8 .. 28 ms
    const TORVAFile session = Document(false, {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}); // 0 .. 36 ms
    const TORVAFile thirds = Document(false, {{0, 0, 0, 0, 0, 0}}, 300);         // 0, 3.333, .. 16.667
    struct TCase {
        const char* Name;
        const TORVAFile& File;
        double Start, End;
        int First, Last;
    } cases[] = {
        {"average: from the stimulus", average, 0, 8, 2, 4},
        {"average: the whole baseline", average, -8, -0.5, 0, 1},
        {"average: one sample", average, 0, 0, 2, 2},
        {"average: wider than the cell", average, -1000, 1000, 0, 9},
        {"session: no baseline subtracted", session, 0, 8, 0, 2},
        {"300 per second: an exact 10 ms is inside", thirds, 0, 10, 0, 3},
        {"300 per second: 3.333 takes 3.3333.., 6.666 not 6.6667", thirds, 3.333, 6.666, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto range = WindowSamples(c.File, c.File.Cells[0], c.Start, c.End);
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->First, c.First);
        EXPECT_EQ(range->Last, c.Last);
    }
    EXPECT_FALSE(WindowSamples(average, average.Cells[0], 1, 3)); // between two samples
    EXPECT_FALSE(WindowSamples(average, average.Cells[0], 29, 100));
}

Lines Rows(const TORVAFile& f, const TMeasureOptions& options)
{
    TLineCollector lines;
    WriteMeasureRows(f, options, lines);
    return lines.Lines;
}

TMeasureOptions Options(double start, double end, std::vector<TMeasureKind> measures)
{
    TMeasureOptions options;
    options.WindowStart = start;
    options.WindowEnd = end;
    options.Measures = std::move(measures);
    return options;
}

TEST(WriteMeasureRows, WritesOneRowPerChannelAndMeasureInOrder)
{
    // Channel 1 a ramp (values 0 .. 4.5), channel 2 a single negative spike of -3.5 at 8 ms.
    const TORVAFile f = Document(true, {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 0, 0, 0, -7, 0, 0, 0, 0, 0}});
    TMeasureOptions options = Options(0, 12, {TMeasureKind::Mean, TMeasureKind::Peak, TMeasureKind::PeakLatency});
    const std::string start = "s01.ave,1,\"Target, left\",1,";
    EXPECT_EQ(Rows(f, options), (Lines{
                                    start + "1,mean,0.000,12.000,1.750,", // (1 + 1.5 + 2 + 2.5) / 4
                                    start + "1,peak,0.000,12.000,2.500,",
                                    start + "1,peak-latency,0.000,12.000,12.000,",
                                    start + "2,mean,0.000,12.000,-0.875,",
                                    start + "2,peak,0.000,12.000,0.000,", // the first zero
                                    start + "2,peak-latency,0.000,12.000,0.000,",
                                }));
    options.Polarity = TPolarity::Negative;
    options.Measures = {TMeasureKind::PeakLatency, TMeasureKind::Peak};
    options.Channels = TSelectionList{1, 0};
    EXPECT_EQ(Rows(f, options), (Lines{
                                    start + "2,peak-latency,0.000,12.000,8.000,",
                                    start + "2,peak,0.000,12.000,-3.500,",
                                    start + "1,peak-latency,0.000,12.000,0.000,",
                                    start + "1,peak,0.000,12.000,1.000,",
                                }));
}

TEST(WriteMeasureRows, NotesAMissingLocalPeakOnThePeakRowsOnly)
{
    const TORVAFile f = Document(false, {{0, 2, 4, 6, 8, 10}, {0, 6, 2, 0, 0, 20}});
    TMeasureOptions options = Options(0, 20, {TMeasureKind::Mean, TMeasureKind::Peak, TMeasureKind::PeakLatency});
    options.Neighbours = 1;
    const std::string start = "s01.ses,1,\"Target, left\",1,";
    EXPECT_EQ(Rows(f, options), (Lines{
                                    start + "1,mean,0.000,20.000,2.500,",
                                    start + "1,peak,0.000,20.000,5.000,no local peak",
                                    start + "1,peak-latency,0.000,20.000,20.000,no local peak",
                                    start + "2,mean,0.000,20.000,2.333,",
                                    start + "2,peak,0.000,20.000,3.000,",
                                    start + "2,peak-latency,0.000,20.000,4.000,",
                                }));
}

TEST(WriteMeasureRows, RoundsAsTheExportsRound)
{
    // Mean of 0.5, 0, 0 is 0.1666..., of -0.5, 0, 0 rounds to zero without a sign.
    const TORVAFile f = Document(true, {{0, 0, 1, 0, 0}, {0, 0, -1, 0, 0}});
    const Lines rows = Rows(f, Options(0, 8, {TMeasureKind::Mean}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(rows[0].rfind(",0.000,8.000,")), ",0.000,8.000,0.167,");
    EXPECT_EQ(rows[1].substr(rows[1].rfind(",0.000,8.000,")), ",0.000,8.000,-0.167,");
    TORVAFile small = Document(true, {{0, 0, -1}});
    small.GeneralInformation.ScaleBins = 10000; // -0.0001
    const Lines tiny = Rows(small, Options(0, 0, {TMeasureKind::Mean, TMeasureKind::Peak}));
    EXPECT_EQ(tiny, (Lines{"s01.ave,1,\"Target, left\",1,1,mean,0.000,0.000,0.000,",
                           "s01.ave,1,\"Target, left\",1,1,peak,0.000,0.000,0.000,"}));
}

std::string Refusal(const TORVAFile& f, const TMeasureOptions& options)
{
    TLineCollector lines;
    try {
        WriteMeasureRows(f, options, lines);
    } catch (const EORVAError& e) {
        EXPECT_TRUE(lines.Lines.empty()) << "rows written before the refusal";
        EXPECT_EQ(e.Path(), f.FullFileName);
        return e.Cause();
    }
    return "accepted";
}

TEST(CheckMeasures, RefusesBeforeWritingAnything)
{
    const TORVAFile f = Document(true, {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}});
    TMeasureOptions listed = Options(0, 8, {TMeasureKind::Mean});
    listed.Channels = TSelectionList{0, 1};
    TMeasureOptions neighbours = Options(0, 8, {TMeasureKind::Peak});
    neighbours.Neighbours = -1;
    const struct {
        const char* Name;
        TMeasureOptions Given;
        std::string Cause;
    } cases[] = {
        {"window between two samples", Options(1, 3, {TMeasureKind::Mean}),
         "Cell 1 has no sample in the window 1 to 3 ms: its samples lie from -8 to 28 ms"},
        {"window after the cell", Options(28.5, 40, {TMeasureKind::Peak}),
         "Cell 1 has no sample in the window 28.5 to 40 ms: its samples lie from -8 to 28 ms"},
        {"reversed window", Options(8, 0, {TMeasureKind::Mean}),
         "The measurement window starts at 8.000 ms, after its end at 0.000 ms"},
        {"no measure", Options(0, 8, {}), "No measure was chosen"},
        {"channel outside the file", listed, "Channels: 2 is outside the valid range 1 to 1"},
        {"negative neighbours", neighbours, "The number of neighbours is -1; it must be 0 (simple peak) or more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Refusal(f, c.Given), c.Cause);
    }
}

} // namespace
} // namespace orva
