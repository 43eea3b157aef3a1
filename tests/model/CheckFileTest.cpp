#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using test::TTempDir;
using test::TTestFileBuilder;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

class TScriptedQuestion : public TLengthQuestion {
public:
    explicit TScriptedQuestion(bool answer) : answer_(answer) {}
    bool AskOpenAnyway(const std::string& text) override
    {
        Asked.push_back(text);
        return answer_;
    }
    std::vector<std::string> Asked;

private:
    bool answer_;
};

struct TCheckCase {
    const char* name;
    Bytes bytes;
    std::string expected;
};

TEST(CheckFile, RefusesBadTagsAndVersionsWithTheirText)
{
    const Bytes valid = TTestFileBuilder::Average(1, 1, 2, 2).Build();
    Bytes swapped = valid;
    swapped[0] = 2, swapped[1] = 1, swapped[2] = 4, swapped[3] = 3;
    Bytes reversed = valid;
    reversed[0] = 4, reversed[1] = 3, reversed[2] = 2, reversed[3] = 1;
    Bytes version2 = valid;
    version2[4] = 0, version2[5] = 2;
    const std::vector<TCheckCase> cases = {
        {"swapped pairs", swapped, "Bad byte order (33620995)"},
        {"little-endian tag", reversed, "Invalid file tag (byte order: 67305985)"},
        {"version 2", version2, "Unhandled header version (2)"},
        {"empty file", {}, "Invalid file tag (byte order: 0)"},
        {"three bytes", {1, 2, 3}, "Invalid file tag (byte order: 0)"},
        {"tag only", {1, 2, 3, 4}, "Unhandled header version (0)"},
        {"negative tag", {0xFF, 0xFF, 0xFF, 0xFF}, "Invalid file tag (byte order: -1)"},
        {"session file", TTestFileBuilder::Session(2, 3, 4, 5).Build(), ""},
        {"average file", valid, ""},
    };
    TTempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.Path(c.name);
        WriteBytes(path, c.bytes);
        TORVAFile file;
        TScriptedQuestion question(true);
        EXPECT_EQ(file.CheckFile(path, &question), c.expected) << c.name;
        EXPECT_TRUE(question.Asked.empty()) << c.name;
    }
}

TEST(CheckFile, StoresTheFirstFourFields)
{
    TTempDir dir;
    auto b = TTestFileBuilder::Average(1, 1, 2, 2);
    b.PaddingLength = 254;
    b.Comment = b.Text = "";
    b.WriteTo(dir.Path("f"));
    TORVAFile file;
    ASSERT_EQ(file.CheckFile(dir.Path("f")), "");
    EXPECT_EQ(file.FileDescription.ByteOrder, 16909060);
    EXPECT_EQ(file.FileDescription.HeaderVersion, -1);
    EXPECT_EQ(file.FileDescription.HeaderLength, 512);
    EXPECT_EQ(file.FileDescription.DataLength, 8);
}

TEST(CheckFile, AsksWhenOnlyTheLengthIsWrong)
{
    TTempDir dir;
    auto b = TTestFileBuilder::Session(1, 2, 3, 4);
    const Bytes good = b.Build();
    const std::int64_t header = static_cast<std::int64_t>(b.HeaderSize());
    const std::int64_t data = static_cast<std::int64_t>(good.size()) - header;
    for (int delta : {-1, +1, +100}) {
        Bytes bytes = good;
        bytes.resize(static_cast<std::size_t>(static_cast<std::int64_t>(good.size()) + delta), 0xAA);
        const std::string path = dir.Path("len" + std::to_string(delta));
        WriteBytes(path, bytes);
        const std::string expectedQuestion = "Bad file length (" + std::to_string(header) + "+" + std::to_string(data) +
                                             "<>" + std::to_string(bytes.size()) + ").\rOpen anyway ?";
        for (bool yes : {false, true}) {
            TORVAFile file;
            TScriptedQuestion question(yes);
            EXPECT_EQ(file.CheckFile(path, &question), yes ? "" : "Bad file length");
            ASSERT_EQ(question.Asked.size(), 1u);
            EXPECT_EQ(question.Asked[0], expectedQuestion);
        }
        TORVAFile unasked;
        EXPECT_EQ(unasked.CheckFile(path), "Bad file length"); // no one to ask: No
    }
}

TEST(CheckFile, QuestionTextOfTheWorkedExample)
{
    TTempDir dir;
    Bytes bytes(5000, 0);
    Bytes head = {1, 2, 3, 4, 0, 3, 0x04, 0x00, 0, 0, 0x10, 0x00}; // header 1024, data 4096
    std::copy(head.begin(), head.end(), bytes.begin());
    WriteBytes(dir.Path("x"), bytes);
    TORVAFile file;
    TScriptedQuestion question(false);
    file.CheckFile(dir.Path("x"), &question);
    ASSERT_EQ(question.Asked.size(), 1u);
    EXPECT_EQ(question.Asked[0], "Bad file length (1024+4096<>5000).\rOpen anyway ?");
}

TEST(CheckFile, MissingFileRaisesTheOpenError)
{
    TORVAFile file;
    EXPECT_THROW(file.CheckFile("/nonexistent/file.ave"), EORVAError);
}

} // namespace
} // namespace orva
