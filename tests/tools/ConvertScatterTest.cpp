#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ChannelMapFile.h"
#include "tools/ScatterCells.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orva;
using namespace orva::test;

namespace {

// Converts a session file of `channels` channels with the given mapping file content.
TORVAFile Convert(const TTempDir& dir, int channels, const std::string& mapping, TORVAFile& source)
{
    TTestFileBuilder builder = TTestFileBuilder::Session(2, 2, 3, channels);
    builder.WriteTo(dir.Path("in.ses"));
    source = LoadChecked(dir.Path("in.ses"));
    WriteBytes(dir.Path("map.txt"), std::vector<std::uint8_t>(mapping.begin(), mapping.end()));
    source.SaveRemapped(dir.Path("out.ses"), ReadChannelMap(dir.Path("map.txt"), source.NumChannels()));
    return LoadChecked(dir.Path("out.ses"));
}

// Output channel `out` holds source channel `in`: its zero, its gain and all its samples.
void ExpectChannelCopied(const TORVAFile& source, const TORVAFile& result, int out, int in)
{
    const auto o = static_cast<std::size_t>(out), i = static_cast<std::size_t>(in);
    EXPECT_EQ(result.DataDescription.Zeros[o], source.DataDescription.Zeros[i]) << out;
    EXPECT_EQ(result.DataDescription.Gains[o], source.DataDescription.Gains[i]) << out;
    for (std::size_t cell = 0; cell < source.Cells.size(); ++cell)
        for (int ob = 0; ob < source.Cells[cell].NumObservations; ++ob)
            for (int t = 0; t < source.Cells[cell].SamplesPerObservation; ++t)
                ASSERT_EQ(result.Cells[cell].Data(ob, t, out), source.Cells[cell].Data(ob, t, in))
                    << "channel " << out << " cell " << cell << " obs " << ob << " sample " << t;
}

TEST(Convert, SwappingMapExchangesChannelsWithZerosAndGains)
{
    TTempDir dir;
    TORVAFile source;
    const TORVAFile result = Convert(dir, 2, "1\t2\r\n2\t1\r\n", source);
    ExpectChannelCopied(source, result, 0, 1);
    ExpectChannelCopied(source, result, 1, 0);
    EXPECT_NE(source.DataDescription.Zeros[0], source.DataDescription.Zeros[1]);
}

TEST(Convert, UnlistedPositionsCopyTheFirstChannel)
{
    TTempDir dir;
    TORVAFile source;
    const TORVAFile result = Convert(dir, 4, "2\t4\r\n", source);
    ExpectChannelCopied(source, result, 0, 0);
    ExpectChannelCopied(source, result, 1, 3);
    ExpectChannelCopied(source, result, 2, 0);
    ExpectChannelCopied(source, result, 3, 0);
}

TEST(Convert, SourceOutOfRangeGivesASilentChannel)
{
    TTempDir dir;
    TORVAFile source;
    const TORVAFile result = Convert(dir, 3, "1\t3\n2\t0\n3\t4\n", source);
    ExpectChannelCopied(source, result, 0, 2);
    for (int out : {1, 2}) {
        EXPECT_EQ(result.DataDescription.Zeros[static_cast<std::size_t>(out)], 0);
        EXPECT_EQ(result.DataDescription.Gains[static_cast<std::size_t>(out)], 1638);
        for (const auto& cell : result.Cells)
            for (int ob = 0; ob < cell.NumObservations; ++ob)
                for (int t = 0; t < cell.SamplesPerObservation; ++t)
                    ASSERT_EQ(cell.Data(ob, t, out), 0);
    }
}

TEST(ScatterCells, NamesTheFilesAfterTheWholeChosenName)
{
    EXPECT_EQ(CellFileName("/data/subj.ave", 0), "/data/subj.ave_Cell1");
    EXPECT_EQ(CellFileName("run", 10), "run_Cell11");
}

TEST(ScatterCells, EachCellBecomesAFileThatReopensWithOneCell)
{
    for (bool average : {true, false}) {
        TTempDir dir;
        TTestFileBuilder builder = average ? TTestFileBuilder::Average(11, 2, 5, 4) : TTestFileBuilder::Session(11, 3, 5, 4);
        builder.WriteTo(dir.Path("in"));
        TORVAFile file = LoadChecked(dir.Path("in"));
        file.Saved = false;
        ScatterCells(file, dir.Path("run"));
        EXPECT_TRUE(file.Saved);
        for (int i = 0; i < 11; ++i) {
            const TORVAFile cell = LoadChecked(dir.Path("run_Cell" + std::to_string(i + 1)));
            ASSERT_EQ(cell.NumCells(), 1) << i;
            EXPECT_EQ(cell.Cells[0].Name, file.Cells[static_cast<std::size_t>(i)].Name);
            EXPECT_TRUE(cell.Cells[0].Data == file.Cells[static_cast<std::size_t>(i)].Data) << i;
            EXPECT_TRUE(cell.Cells[0].TrialSpecifics == file.Cells[static_cast<std::size_t>(i)].TrialSpecifics) << i;
            EXPECT_EQ(cell.DataDescription.Gains, file.DataDescription.Gains);
            EXPECT_EQ(cell.FileDescription.HeaderLength % 512, 0);
        }
        EXPECT_FALSE(std::filesystem::exists(dir.Path("run_Cell12")));
    }
}

TEST(ScatterCells, ReplacesExistingFiles)
{
    TTempDir dir;
    TTestFileBuilder::Session(1, 1, 2, 2).WriteTo(dir.Path("in"));
    WriteBytes(dir.Path("run_Cell1"), std::vector<std::uint8_t>(5000, 0xAB));
    TORVAFile file = LoadChecked(dir.Path("in"));
    ScatterCells(file, dir.Path("run"));
    EXPECT_EQ(LoadChecked(dir.Path("run_Cell1")).NumCells(), 1);
}

TEST(ScatterCells, StopsAtAFileThatCannotBeWrittenAndKeepsTheEarlierOnes)
{
    TTempDir dir;
    TTestFileBuilder::Average(3, 1, 4, 2).WriteTo(dir.Path("in"));
    std::filesystem::create_directory(dir.Path("run_Cell2")); // a folder cannot be replaced by a file
    TORVAFile file = LoadChecked(dir.Path("in"));
    try {
        ScatterCells(file, dir.Path("run"));
        ADD_FAILURE() << "no error";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), dir.Path("run_Cell2"));
    }
    const TORVAFile first = LoadChecked(dir.Path("run_Cell1"));
    EXPECT_TRUE(first.Cells[0].Data == file.Cells[0].Data);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("run_Cell3")));
}

} // namespace
