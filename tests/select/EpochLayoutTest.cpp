#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/EpochLayout.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::MakeDocument;

std::string Cause(const TORVAFile& f, const TEpochSelection& selection)
{
    try {
        LayOutEpochs(f, selection);
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), PathText(f.FullFileName));
        return e.Cause();
    }
    return "accepted";
}

// "cell:observation@first+samples/stimulus" for each epoch, all counted from 0.
std::vector<std::string> Describe(const TEpochLayout& layout)
{
    std::vector<std::string> out;
    for (const auto& e : layout.Epochs)
        out.push_back(std::to_string(e.Cell) + ":" + std::to_string(e.Observation) + "@" +
                      std::to_string(e.FirstSample) + "+" + std::to_string(e.Samples) + "/" +
                      std::to_string(e.StimulusOffset));
    return out;
}

TEST(EpochLayout, EpochsFollowOneAnotherInListOrderAndEmptyCellsGiveNone)
{
    // Cells of 2, 0 and 1 observations with 3, 5 and 4 samples; a cell of no samples.
    TORVAFile f = MakeDocument(false, {2, 0, 1, 3}, {3, 5, 4, 0}, 3);
    const TEpochLayout all = LayOutEpochs(f, {});
    EXPECT_EQ(all.Channels, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(all.SamplingRate, 250);
    EXPECT_EQ(Describe(all), (std::vector<std::string>{"0:0@0+3/0", "0:1@3+3/0", "2:0@6+4/0"}));
    EXPECT_EQ(all.TotalSamples(), 10);

    TEpochSelection some;
    some.Cells = TSelectionList{2, 0, 0};
    some.Observations = TSelectionList{0};
    some.Channels = TSelectionList{2, 0};
    const TEpochLayout listed = LayOutEpochs(f, some);
    EXPECT_EQ(listed.Channels, (std::vector<int>{2, 0}));
    EXPECT_EQ(Describe(listed), (std::vector<std::string>{"2:0@0+4/0", "0:0@4+3/0", "0:0@7+3/0"}));

    const TEpochLayout none = LayOutEpochs(MakeDocument(false, {0}, {3}, 2), {});
    EXPECT_TRUE(none.Epochs.empty());
    EXPECT_EQ(none.SamplingRate, 0);
    EXPECT_EQ(none.TotalSamples(), 0);
}

// BaselineDuration ms at the cell's rate, to the nearest sample, halves up, inside the epoch.
TEST(EpochLayout, AverageStimulusRoundsHalvesUpAndStaysInTheEpoch)
{
    struct Case {
        int baseline, rate, samples, expected;
    };
    const Case cases[] = {
        {200, 250, 100, 50},  // exact
        {2, 250, 100, 1},     // 0.5 samples: up
        {6, 250, 100, 2},     // 1.5 samples: up
        {5, 250, 100, 1},     // 1.25: down
        {7, 250, 100, 2},     // 1.75: up
        {-2, 250, 100, 0},    // -0.5 goes up to 0
        {-100, 250, 100, 0},  // before the epoch: its first sample
        {1000, 250, 100, 99}, // after it: its last sample
        {400, 256, 120, 102}, // 102.4
        {0, 500, 1, 0},
    };
    for (const Case& c : cases) {
        TORVAFile f = MakeDocument(true, {1}, {c.samples}, 1);
        f.GeneralInformation.BaselineDuration = c.baseline;
        f.Cells[0].SamplesPerSecond = c.rate;
        const TEpochLayout layout = LayOutEpochs(f, {});
        ASSERT_EQ(layout.Epochs.size(), 1u);
        EXPECT_EQ(layout.Epochs[0].StimulusOffset, c.expected) << c.baseline << " ms at " << c.rate << " Hz";
    }
    // A session file's stimulus is the epoch's first sample, whatever the baseline field says.
    TORVAFile s = MakeDocument(false, {1}, {100}, 1);
    s.GeneralInformation.BaselineDuration = 200;
    EXPECT_EQ(LayOutEpochs(s, {}).Epochs[0].StimulusOffset, 0);
}

TEST(EpochLayout, RefusesWhatCannotBeWrittenNamingTheProblem)
{
    TORVAFile f = MakeDocument(false, {2, 3, 1}, {4}, 3);
    TEpochSelection observations;
    observations.Observations = TSelectionList{2};
    EXPECT_EQ(Cause(f, observations), "Observations: 3 is outside the valid range 1 to 1 (cell 3 has 1 observations)");
    observations.Cells = TSelectionList{1};
    EXPECT_EQ(Cause(f, observations), "accepted");
    f.Cells[2].SamplesPerSecond = 500;
    EXPECT_EQ(Cause(f, {}), "The exported cells must share one sampling rate, but cell 1 has 250 Hz and cell 3 has 500 Hz");
    TEpochSelection firstTwo;
    firstTwo.Cells = TSelectionList{0, 1};
    EXPECT_EQ(Cause(f, firstTwo), "accepted");
    // A cell without epochs does not count against the rate.
    f.Cells[2].NumObservations = 0;
    f.Cells[2].Data = TSampleArray(0, 4, 3);
    EXPECT_EQ(Cause(f, {}), "accepted");

    TEpochSelection twice;
    twice.Channels = TSelectionList{0, 2, 0};
    EXPECT_EQ(Cause(f, twice), "Channels: 1 is listed twice, and a channel's name may appear only once");
    TEpochSelection outside;
    outside.Channels = TSelectionList{3};
    EXPECT_EQ(Cause(f, outside), "Channels: 4 is outside the valid range 1 to 3");

    f.DataDescription.Gains[1] = 0;
    EXPECT_NE(Cause(f, {}).find("Gain of channel 2 is 0"), std::string::npos);
    TEpochSelection others;
    others.Channels = TSelectionList{0, 2};
    EXPECT_EQ(Cause(f, others), "accepted");

    f.Cells[0].SamplesPerSecond = 0;
    EXPECT_EQ(Cause(f, others), "Cell 1 has a sampling rate of 0 Hz, so its samples have no times");
    EXPECT_EQ(Cause(MakeDocument(false, {1}, {2}, 0), {}), "There is no channel to export");
}

TEST(EpochLayout, EventNamesAreCleanUtf8)
{
    TORVAFile f = MakeDocument(false, {1, 1, 1, 1, 1}, {1}, 1);
    f.Cells[0].Name = "Std, \x80\xe9";       // Windows-1252: euro sign, e acute
    f.Cells[1].Name = "a\tb\r\nc\x1f  \t\n"; // controls become spaces; trailing ones go
    f.Cells[2].Name = " \t\r";
    f.Cells[3].Name = "";
    f.Cells[4].Name = "  lead";
    EXPECT_EQ(EventName(f, 0), "Std, \xe2\x82\xac\xc3\xa9");
    EXPECT_EQ(EventName(f, 1), "a b  c");
    EXPECT_EQ(EventName(f, 2), "Cell3");
    EXPECT_EQ(EventName(f, 3), "Cell4");
    EXPECT_EQ(EventName(f, 4), "  lead");
    EXPECT_EQ(DefaultChannelNames(3), (std::vector<std::string>{"E1", "E2", "E3"}));
    EXPECT_TRUE(DefaultChannelNames(0).empty());
}

class ChannelNames : public ::testing::Test {
protected:
    std::string Write(const std::string& text)
    {
        const std::string path = dir.Path("names.txt");
        test::WriteBytes(PathFromText(path), std::vector<std::uint8_t>(text.begin(), text.end()));
        return path;
    }
    std::string Cause(const std::string& text, int channels)
    {
        const std::string path = Write(text);
        try {
            ReadChannelNames(PathFromText(path), channels, "s01.ses");
        } catch (const EORVAError& e) {
            EXPECT_EQ(e.Path(), path);
            return e.Cause();
        }
        return "accepted";
    }
    test::TTempDir dir;
};

TEST_F(ChannelNames, ReadsLfAndCrLfLinesWithOrWithoutAFinalLineEnd)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(ReadChannelNames(PathFromText(Write("Fp1\nFp2\r\nCz")), 3, "x"), (Names{"Fp1", "Fp2", "Cz"}));
    EXPECT_EQ(ReadChannelNames(PathFromText(Write("\xEF\xBB\xBF" "Fp1\r\n\xc2\xb5V, a b\r\n")), 2, "x"),
              (Names{"Fp1", "\xc2\xb5V, a b"}));
    EXPECT_EQ(ReadChannelNames(PathFromText(Write("0123456789abcdef\n")), 1, "x"), (Names{"0123456789abcdef"}));
}

TEST_F(ChannelNames, RefusalsNameTheLineOrBothCounts)
{
    EXPECT_EQ(Cause("A\nB\n", 3), "The file holds 2 channel names, but s01.ses has 3 channels");
    EXPECT_EQ(Cause("A\nB\nC\nD\n", 3), "The file holds 4 channel names, but s01.ses has 3 channels");
    EXPECT_EQ(Cause("", 1), "The file holds 0 channel names, but s01.ses has 1 channels");
    EXPECT_EQ(Cause("A\n\nC\n", 3), "Line 2: the name is empty");
    EXPECT_EQ(Cause("A\r\n\r\nC\r\n", 3), "Line 2: the name is empty");
    EXPECT_EQ(Cause("A\nB\nA\n", 3), "Line 3: the name \"A\" is already the name of line 1");
    EXPECT_EQ(Cause("A\n0123456789abcdefg\nC\n", 3),
              "Line 2: the name \"0123456789abcdef...\" is longer than 16 bytes");
    // 16 bytes, not 16 characters: nine two-byte letters are too many.
    EXPECT_NE(Cause("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\n", 1).find("Line 1: "),
              std::string::npos);
    EXPECT_EQ(Cause("A\n\xe9t\xe9\n", 2), "Line 2: the name is not UTF-8 text");
    EXPECT_EQ(Cause("A\tB\n", 1), "Line 1: the name holds a control character");
    // A huge file of one endless line is refused at its first line, without holding it.
    EXPECT_NE(Cause(std::string(1 << 20, 'x'), 1).find("longer than 16 bytes"), std::string::npos);
}

} // namespace
} // namespace orva
