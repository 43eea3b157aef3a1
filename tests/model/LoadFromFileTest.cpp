#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using test::TRecordingProgress;
using test::TTempDir;
using test::TTestFileBuilder;
using test::WriteBytes;

class LoadTest : public ::testing::Test {
protected:
    TORVAFile Load(const TTestFileBuilder& b, TProgressDisplay* progress = nullptr)
    {
        const std::string path = dir.Path("file" + std::to_string(count++) + ".ave");
        b.WriteTo(path);
        TORVAFile file;
        file.LoadFromFile(path, progress);
        return file;
    }
    std::string LoadError(const TTestFileBuilder& b)
    {
        try {
            Load(b);
        } catch (const EORVAError& e) {
            return e.Cause();
        }
        return "loaded";
    }
    TTempDir dir;
    int count = 0;
};

TEST_F(LoadTest, FillsEveryMemberOfAnAverageFile)
{
    auto b = TTestFileBuilder::Average(2, 3, 4, 5);
    b.ExperimentName = std::string(80, 'E');
    b.Cells[1].Name = std::string(80, 'N');
    b.General = {1, 2, 3, 4, 5, 6, 12, 10, 11, 200, 7, 8, 9}; // reserved words must stay unread
    b.CellWords = {-5, 6};
    TORVAFile f = Load(b);
    EXPECT_EQ(f.FileName, "file0.ave");
    EXPECT_EQ(f.FullFileName, dir.Path("file0.ave"));
    EXPECT_TRUE(f.Saved);
    EXPECT_EQ(f.FileDescription.ExperimentName, std::string(80, 'E'));
    TGeneralInformation expected;
    expected.LastSubjectDone = 12;
    expected.ScaleBins = 10;
    expected.ScaleCalibration = 11;
    expected.BaselineDuration = 200;
    EXPECT_EQ(f.GeneralInformation, expected);
    EXPECT_EQ(f.DataDescription.NumCells, 2);
    EXPECT_EQ(f.DataDescription.NumChannels, 5);
    EXPECT_EQ(f.DataDescription.BoardGain, 7);
    EXPECT_EQ(f.DataDescription.CellWords, (std::vector<std::int32_t>{-5, 6}));
    EXPECT_EQ(f.Comment, "comment");
    EXPECT_EQ(f.TextSegment, "text");
    ASSERT_EQ(f.Cells.size(), 2u);
    EXPECT_EQ(f.Cells[1].Name, std::string(80, 'N'));
    for (int c = 0; c < 2; ++c) {
        const auto& cell = f.Cells[static_cast<std::size_t>(c)];
        EXPECT_EQ(cell.CellNumber, c + 1);
        EXPECT_EQ(cell.TrialSpecifics.WordsPerObservation(), 14);
        EXPECT_EQ(cell.TrialSpecifics(2, 13), (c + 1) * 1000 - (2 * 14 + 13));
        for (int o = 0; o < 3; ++o)
            for (int s = 0; s < 4; ++s)
                for (int ch = 0; ch < 5; ++ch)
                    ASSERT_EQ(cell.Data(o, s, ch), TTestFileBuilder::PatternSample(c, o, s, ch));
    }
}

TEST_F(LoadTest, SessionFileReadsTheSessionFieldsOnly)
{
    auto b = TTestFileBuilder::Session(1, 2, 3, 4);
    b.Zeros = {-1, 2, -32768, 32767};
    TORVAFile f = Load(b);
    const auto& g = f.GeneralInformation;
    EXPECT_EQ(g.CollectionMonth, 11);
    EXPECT_EQ(g.CollectionYear, 2);
    EXPECT_EQ(g.CalibrationFlag, 1);
    EXPECT_EQ(g.ScaleBins, 0);
    EXPECT_EQ(g.BaselineDuration, 0);
    EXPECT_EQ(f.DataDescription.Zeros, (std::vector<std::int32_t>{-1, 2, -32768, 32767}));
}

TEST_F(LoadTest, TakesTheSamplesFromHeaderLengthWhereverTheFieldsEnd)
{
    // The one-subject, two-sample, two-channel example: samples start at 512.
    auto b = TTestFileBuilder::Average(1, 1, 2, 2);
    b.Comment = b.Text = "";
    b.PaddingLength = 254;
    b.Cells[0].Data = {10, 11, 20, 21};
    std::vector<std::uint8_t> bytes = b.Build();
    ASSERT_EQ(bytes.size(), 520u);
    EXPECT_EQ(bytes[512 + 1], 10);
    EXPECT_EQ(bytes[512 + 3], 11);

    // Header fields that end 100 bytes before HeaderLength: the gap is skipped.
    auto gap = TTestFileBuilder::Average(1, 1, 2, 2);
    gap.HeaderLength = static_cast<std::int16_t>(gap.HeaderSize() + 100);
    gap.Cells[0].Data = {1, 2, 3, 4};
    auto raw = gap.Build();
    raw.insert(raw.begin() + static_cast<std::ptrdiff_t>(gap.HeaderSize()), 100, 0x55);
    const std::string path = dir.Path("gap");
    WriteBytes(path, raw);
    TORVAFile f;
    ASSERT_EQ(f.CheckFile(path), "");
    f.LoadFromFile(path);
    EXPECT_EQ(f.Cells[0].Data(0, 1, 1), 4);
}

TEST_F(LoadTest, EmptyShapesLoad)
{
    TORVAFile none = Load(TTestFileBuilder::Average(0, 0, 0, 3));
    EXPECT_TRUE(none.Cells.empty());

    auto b = TTestFileBuilder::Session(2, 0, 5, 3);
    b.Cells[1].TrialSpecificsLength = 0;
    TORVAFile empty = Load(b);
    EXPECT_EQ(empty.Cells[0].Data.size(), 0u);
    EXPECT_EQ(empty.Cells[0].TrialSpecifics.size(), 0u);

    auto noSpecifics = TTestFileBuilder::Session(1, 2, 2, 2);
    noSpecifics.Cells[0].TrialSpecificsLength = 0;
    TORVAFile f = Load(noSpecifics);
    EXPECT_EQ(f.Cells[0].TrialSpecifics.WordsPerObservation(), 0);
    EXPECT_EQ(f.Cells[0].Data(1, 1, 1), TTestFileBuilder::PatternSample(0, 1, 1, 1));

    auto odd = TTestFileBuilder::Session(1, 2, 2, 2);
    odd.Cells[0].TrialSpecificsLength = 5; // two words per observation, the odd byte unused
    TORVAFile g = Load(odd);
    EXPECT_EQ(g.Cells[0].TrialSpecifics.WordsPerObservation(), 2);
    EXPECT_EQ(g.Cells[0].Data(1, 1, 1), TTestFileBuilder::PatternSample(0, 1, 1, 1));
}

TEST_F(LoadTest, ShortFileLoadsWithTheMissingValuesAsZero)
{
    auto b = TTestFileBuilder::Average(1, 2, 3, 4);
    auto bytes = b.Build();
    bytes.resize(bytes.size() - 5); // last two and a half words missing
    const std::string path = dir.Path("short");
    WriteBytes(path, bytes);
    TORVAFile f;
    f.LoadFromFile(path);
    EXPECT_EQ(f.Cells[0].Data(1, 2, 0), TTestFileBuilder::PatternSample(0, 1, 2, 0));
    EXPECT_EQ(f.Cells[0].Data(1, 2, 1), 0); // only its first byte exists
    EXPECT_EQ(f.Cells[0].Data(1, 2, 3), 0);
}

TEST_F(LoadTest, CopyCutShortLoadsWithZerosUpToTheSizeItsHeaderDeclares)
{
    // A 64-channel session file of 32 MB of which only the first MiB arrived.
    auto b = TTestFileBuilder::Session(1, 1000, 250, 64);
    auto bytes = b.Build();
    ASSERT_GT(bytes.size(), 32000000u);
    bytes.resize(1 << 20);
    const std::string path = dir.Path("cut.ses");
    WriteBytes(path, bytes);
    TORVAFile f;
    f.LoadFromFile(path);
    const auto& data = f.Cells[0].Data;
    EXPECT_EQ(data(0, 0, 5), TTestFileBuilder::PatternSample(0, 0, 0, 5));
    EXPECT_EQ(data(999, 249, 63), 0);
}

TEST_F(LoadTest, RefusesNegativeCountsNamingTheField)
{
    struct {
        const char* expected;
        void (*corrupt)(TTestFileBuilder&);
    } cases[] = {
        {"Invalid header: NumCells is -1 (must not be negative)", [](TTestFileBuilder& b) { b.NumCells = -1; }},
        {"Invalid header: NumChannels is -2 (must not be negative)", [](TTestFileBuilder& b) { b.NumChannels = -2; }},
        {"Invalid header: CommentLength is -3 (must not be negative)",
         [](TTestFileBuilder& b) { b.CommentLength = -3; }},
        {"Invalid header: TextLength is -4 (must not be negative)", [](TTestFileBuilder& b) { b.TextLength = -4; }},
        {"Invalid header: PaddingLength is -5 (must not be negative)",
         [](TTestFileBuilder& b) { b.PaddingLength = -5; }},
        {"Invalid header: HeaderLength is -32768 (must not be negative)",
         [](TTestFileBuilder& b) { b.HeaderLength = -32768; }},
        {"Invalid header: cell 2 NumObservations is -6 (must not be negative)",
         [](TTestFileBuilder& b) { b.Cells[1].NumObservations = -6; }},
        {"Invalid header: cell 1 SamplesPerObservation is -7 (must not be negative)",
         [](TTestFileBuilder& b) { b.Cells[0].SamplesPerObservation = -7; }},
        {"Invalid header: cell 2 TrialSpecificsLength is -8 (must not be negative)",
         [](TTestFileBuilder& b) { b.Cells[1].TrialSpecificsLength = -8; }},
    };
    for (const auto& c : cases) {
        auto b = TTestFileBuilder::Average(2, 2, 2, 2);
        c.corrupt(b);
        EXPECT_EQ(LoadError(b), c.expected);
    }
}

TEST_F(LoadTest, RefusesAbsurdCountsWithoutAllocatingThem)
{
    auto huge = TTestFileBuilder::Session(1, 1, 1, 1);
    huge.Cells[0].Data = {1};
    huge.NumChannels = 32767;
    huge.Cells[0].NumObservations = 32767;
    huge.Cells[0].SamplesPerObservation = 32767;
    EXPECT_EQ(LoadError(huge).rfind("Invalid header: its counts describe at least ", 0), 0u) << LoadError(huge);

    auto specifics = TTestFileBuilder::Session(1, 1, 1, 1);
    specifics.Cells[0].TrialSpecifics = {1, 2};
    specifics.Cells[0].NumObservations = 32767;
    specifics.Cells[0].TrialSpecificsLength = 32766;
    EXPECT_NE(LoadError(specifics).find("but the file holds only"), std::string::npos);

    // Many cells past the end read as empty records: cheap, so the file still loads.
    auto cells = TTestFileBuilder::Session(0, 1, 1, 1);
    cells.NumCells = 32767;
    EXPECT_EQ(Load(cells).Cells.size(), 32767u);
}

TEST_F(LoadTest, AFailedLoadKeepsNothing)
{
    auto bad = TTestFileBuilder::Average(2, 2, 2, 2);
    bad.Cells[1].NumObservations = -1;
    const std::string path = dir.Path("bad");
    bad.WriteTo(path);
    TORVAFile f = Load(TTestFileBuilder::Average(1, 1, 1, 1));
    const auto before = f.Cells[0].Data;
    EXPECT_THROW(f.LoadFromFile(path), EORVAError);
    EXPECT_EQ(f.FileName, "file0.ave");
    EXPECT_EQ(f.Cells.size(), 1u);
    EXPECT_EQ(f.Cells[0].Data, before);
}

TEST_F(LoadTest, ReportsProgressPerObservationAndAlwaysEnds)
{
    TRecordingProgress progress;
    Load(TTestFileBuilder::Session(2, 3, 4, 5), &progress);
    EXPECT_EQ(progress.Calls, (std::vector<std::string>{"Begin Loading file0.ave...", "End"}));
    EXPECT_EQ(progress.Maximum, 1 + 2 * 3 * 4 * 5);
    EXPECT_EQ(progress.EventTurns, 6);
    EXPECT_FALSE(progress.PositionReachedMaximumEarly);

    TRecordingProgress empty;
    Load(TTestFileBuilder::Average(0, 0, 0, 0), &empty);
    EXPECT_EQ(empty.Maximum, 1);
    EXPECT_EQ(empty.Running, 0);

    auto bad = TTestFileBuilder::Average(2, 2, 2, 2);
    bad.Cells[1].SamplesPerObservation = -1;
    TRecordingProgress failed;
    EXPECT_THROW(Load(bad, &failed), EORVAError);
    EXPECT_EQ(failed.Running, 0);
    EXPECT_EQ(failed.Calls.back(), "End");
}

} // namespace
} // namespace orva
