#include "tools/ChannelMapFile.h"

#include "model/LenientInteger.h"
#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

using namespace orva;
using namespace orva::test;

namespace {

TEST(LenientInteger, ReadsMappingFieldsAsTheMappingFileExpects)
{
    const std::pair<const char*, int> cases[] = {
        {"12", 12}, {" 12", 12},  {"12 ", 12},  {"+12", 12}, {"-3", -3},    {"-3 ", 3},  {"a", 0},
        {"", 0},    {"  ", 0},    {"7x", 7},    {"$1F", 31}, {"0x10", 16},  {"X1f", 31}, {"x", 0},
        {"-$10", 16}, {"- 3", 0}, {"\t3", 0},   {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1},
    };
    for (auto [field, value] : cases)
        EXPECT_EQ(ReadLenientInteger(field, TMinusSign::OnlyForWholeField), value) << '"' << field << '"';
    // The stats export reads "-3," as -3.
    EXPECT_EQ(ReadLenientInteger("-3 ", TMinusSign::Always), -3);
    EXPECT_EQ(ReadLenientInteger("-3,", TMinusSign::Always), -3);
}

struct MapCase {
    const char* what;
    std::string content;
    ChannelMap map;
    int ignored;
};

TEST(ReadChannelMap, ReadsLinesWithEveryKindOfLineEnd)
{
    const MapCase cases[] = {
        {"CR LF", "1\t2\r\n2\t1\r\n", {1, 0, 0}, 0},
        {"LF", "1\t2\n2\t1\n", {1, 0, 0}, 0},
        {"CR", "1\t2\r2\t1\r", {1, 0, 0}, 0},
        {"mixed, last line unended", "1\t3\n2\t1\r3\t2", {2, 0, 1}, 0},
        {"empty file", "", {0, 0, 0}, 0},
        {"empty lines are ignored", "\r\n1\t2\r\n\r\n\n", {1, 0, 0}, 3},
        {"lone line end", "\r\n", {0, 0, 0}, 1},
        {"line without TAB", "2 3\r\n3\t3\r\n", {0, 0, 2}, 1},
        {"output channel out of range", "0\t1\n4\t1\n-1\t2\nx\t2\n3\t1\n", {0, 0, 0}, 4},
        {"later line wins", "2\t3\n2\t1\n", {0, 0, 0}, 0},
        {"source out of range names no channel", "1\t0\n2\t-4\n3\t4\n", {-1, -1, 3}, 0},
        {"source field runs to the end of the line", "1\t3\t1\n", {2, 0, 0}, 0},
        {"lenient fields", " 2 \t $3\r\n+3\t-1 \r\n", {0, 2, 0}, 0},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.Path("map.txt");
        WriteBytes(path, std::vector<std::uint8_t>(c.content.begin(), c.content.end()));
        int ignored = -1;
        EXPECT_EQ(ReadChannelMap(path, 3, &ignored), c.map) << c.what;
        EXPECT_EQ(ignored, c.ignored) << c.what;
    }
}

TEST(ReadChannelMap, MissingFileIsAnErrorNamingIt)
{
    TTempDir dir;
    const std::string path = dir.Path("GSNv2tov1.txt");
    try {
        ReadChannelMap(path, 64);
        ADD_FAILURE() << "no error";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), path);
    }
}

TEST(ReadChannelMap, TheSuppliedMappingFileIsTheIdentity)
{
    const std::string path = ORVA_SOURCE_DIR "/data/GSNv2tov1.txt";
    int ignored = -1;
    const ChannelMap map = ReadChannelMap(path, 64, &ignored);
    EXPECT_EQ(ignored, 0);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(map[static_cast<std::size_t>(i)], i);
    const std::string text = ReadText(path);
    EXPECT_EQ(text.substr(0, 10), "1\t1\r\n2\t2\r\n");
    EXPECT_EQ(text.substr(text.size() - 7), "64\t64\r\n");
}

} // namespace
