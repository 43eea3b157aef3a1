#include "model/BigEndianFileStream.h"
#include "model/ORVAError.h"
#ifndef _WIN32
#include "tests/support/FileSizeLimit.h"
#endif
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

struct TIntCase {
    Bytes bytes;
    std::int32_t expected;
};

class StreamTest : public ::testing::Test {
protected:
    std::string File(const Bytes& bytes)
    {
        std::string path = dir.Path("f" + std::to_string(count++));
        WriteBytes(path, bytes);
        return path;
    }
    TTempDir dir;
    int count = 0;
};

TEST_F(StreamTest, ReadsInt16MostSignificantByteFirst)
{
    for (const auto& c : std::vector<TIntCase>{{{0x00, 0x03}, 3}, {{0xFF, 0xFF}, -1}, {{0x80, 0x00}, -32768},
                                               {{0x7F, 0xFF}, 32767}, {{0x12, 0x34}, 0x1234}}) {
        TBigEndianFileStream s(File(c.bytes), TFileMode::fmOpenRead);
        EXPECT_EQ(s.ReadInt16(), c.expected);
    }
}

TEST_F(StreamTest, ReadsInt32MostSignificantByteFirst)
{
    for (const auto& c : std::vector<TIntCase>{{{0x01, 0x02, 0x03, 0x04}, 16909060},
                                               {{0xFF, 0xFF, 0xFF, 0xFE}, -2},
                                               {{0x80, 0x00, 0x00, 0x00}, INT32_MIN},
                                               {{0x02, 0x01, 0x04, 0x03}, 33620995}}) {
        TBigEndianFileStream s(File(c.bytes), TFileMode::fmOpenRead);
        EXPECT_EQ(s.ReadInt32(), c.expected);
    }
}

TEST_F(StreamTest, ShortIntegerReadsGiveZeroAndConsumeWhatWasThere)
{
    TBigEndianFileStream one(File({0x7F}), TFileMode::fmOpenRead);
    EXPECT_EQ(one.ReadInt16(), 0);
    EXPECT_EQ(one.Position(), 1);

    TBigEndianFileStream three(File({0x01, 0x02, 0x03}), TFileMode::fmOpenRead);
    EXPECT_EQ(three.ReadInt32(), 0);
    EXPECT_EQ(three.Position(), 3);
    EXPECT_EQ(three.ReadInt16(), 0);
}

TEST_F(StreamTest, FixedStringsEndAtTheFirstNulOrTheFieldEnd)
{
    Bytes abc = {'a', 'b', 'c'};
    abc.resize(80, 0);
    Bytes full(80, 'x');
    Bytes split = {'a', 'b', 0, 'c', 'd'};
    split.resize(80, 0);
    struct {
        Bytes bytes;
        std::string expected;
    } cases[] = {{abc, "abc"}, {full, std::string(80, 'x')}, {split, "ab"}};
    for (const auto& c : cases) {
        Bytes bytes = c.bytes;
        bytes.push_back(0x42); // the byte after the field
        TBigEndianFileStream s(File(bytes), TFileMode::fmOpenRead);
        EXPECT_EQ(s.ReadFixedString(80), c.expected);
        EXPECT_EQ(s.Position(), 80);
        EXPECT_EQ(s.ReadFixedString(0), "");
        EXPECT_EQ(s.ReadFixedString(5), "B"); // at the end the missing bytes stay NUL
    }
}

TEST_F(StreamTest, NegativeFieldWidthIsRefusedWithoutReadingOrWriting)
{
    std::string path = File({'a', 'b', 'c', 'd'});
    TBigEndianFileStream in(path, TFileMode::fmOpenRead);
    EXPECT_THROW(in.ReadFixedString(-1), EORVAError);
    EXPECT_EQ(in.Position(), 0);

    TBigEndianFileStream out(dir.Path("out"), TFileMode::fmCreate);
    EXPECT_THROW(out.WriteFixedString("abc", -3), EORVAError);
    out.Commit();
    EXPECT_TRUE(ReadBytes(dir.Path("out")).empty());
}

TEST_F(StreamTest, WritesExactlyTheFieldBytes)
{
    const std::string path = dir.Path("w");
    {
        TBigEndianFileStream s(path, TFileMode::fmCreate);
        s.WriteInt16(1638);
        s.WriteInt16(-1);
        s.WriteInt16(0x12345); // only the low 16 bits
        s.WriteInt32(16909060);
        s.WriteInt32(-2);
        s.WriteFixedString("abc", 5);
        s.WriteFixedString("abcdef", 3);
        s.WriteFixedString("", 2);
        s.WriteFixedString("zz", 0);
        s.Commit();
    }
    EXPECT_EQ(ReadBytes(path), (Bytes{0x06, 0x66, 0xFF, 0xFF, 0x23, 0x45, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF,
                                      0xFE, 'a', 'b', 'c', 0, 0, 'a', 'b', 'c', 0, 0}));
}

TEST_F(StreamTest, BlocksOfWordsRoundTripAcrossBufferBoundaries)
{
    // More than one buffer, started at an odd offset so no word is aligned.
    std::vector<std::int16_t> words(100003);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::int16_t>(i * 7919 - 32768);
    const std::string path = dir.Path("block");
    {
        TBigEndianFileStream s(path, TFileMode::fmCreate);
        s.WriteFixedString("x", 1);
        s.WriteInt16Block(words.data(), words.size());
        s.Commit();
    }
    Bytes bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 1 + 2 * words.size());
    EXPECT_EQ(bytes[1], static_cast<std::uint8_t>(static_cast<std::uint16_t>(words[0]) >> 8));
    EXPECT_EQ(bytes[2], static_cast<std::uint8_t>(words[0]));

    TBigEndianFileStream s(path, TFileMode::fmOpenRead);
    s.ReadFixedString(1);
    std::vector<std::int16_t> back(words.size());
    s.ReadInt16Block(back.data(), back.size());
    EXPECT_EQ(back, words);
}

TEST_F(StreamTest, BlockReadPastTheEndGivesZerosAlsoForAHalfWord)
{
    TBigEndianFileStream s(File({0x00, 0x05, 0xFF, 0xFE, 0x7F}), TFileMode::fmOpenRead);
    std::vector<std::int16_t> words(4, 99);
    s.ReadInt16Block(words.data(), words.size());
    EXPECT_EQ(words, (std::vector<std::int16_t>{5, -2, 0, 0}));
}

TEST_F(StreamTest, SeekMovesToAnAbsoluteOffset)
{
    Bytes bytes(200000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i / 2 + i % 2 * 3);
    TBigEndianFileStream s(File(bytes), TFileMode::fmOpenRead);
    EXPECT_EQ(s.Size(), 200000);
    for (std::int64_t offset : {150000, 10, 11, 199998, 0}) {
        s.Seek(offset);
        EXPECT_EQ(s.ReadInt16(), (bytes[offset] << 8 | bytes[offset + 1]) - (bytes[offset] >= 0x80 ? 65536 : 0));
    }
    EXPECT_THROW(s.Seek(-1), EORVAError);
}

TEST_F(StreamTest, SeekAfterALargeReadReadsTheFileNotTheOldBuffer)
{
    Bytes bytes(300000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    TBigEndianFileStream s(File(bytes), TFileMode::fmOpenRead);
    s.ReadInt16(); // fills the buffer
    std::vector<std::uint8_t> rest(65534);
    s.Read(rest.data(), rest.size()); // drains the buffer exactly
    std::vector<std::uint8_t> large(100000);
    s.Read(large.data(), large.size()); // read straight into the caller's memory
    for (std::int64_t offset : {100000, 120000, 165534, 2, 165536}) {
        s.Seek(offset);
        std::uint8_t b[2];
        ASSERT_EQ(s.Read(b, 2), 2u);
        EXPECT_EQ(b[0], bytes[static_cast<std::size_t>(offset)]) << offset;
        EXPECT_EQ(b[1], bytes[static_cast<std::size_t>(offset) + 1]) << offset;
    }
}

TEST_F(StreamTest, OpenErrorsNameThePath)
{
    const std::string missing = dir.Path("missing.ave");
    try {
        TBigEndianFileStream s(missing, TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), missing);
        EXPECT_EQ(std::string(e.what()), missing + ": Cannot open file for reading: No such file or directory");
    }
    EXPECT_THROW(TBigEndianFileStream(dir.Root(), TFileMode::fmOpenRead), EORVAError);
    EXPECT_THROW(TBigEndianFileStream(dir.Path("no/such/folder/out"), TFileMode::fmCreate), EORVAError);
}

TEST_F(StreamTest, UncommittedWriteLeavesTheExistingFileIntact)
{
    const std::string path = File({1, 2, 3});
    {
        TBigEndianFileStream s(path, TFileMode::fmCreate);
        s.WriteInt32(42);
        // destroyed without Commit(), as when a writer fails half-way
    }
    EXPECT_EQ(ReadBytes(path), (Bytes{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
}

#ifndef _WIN32 // POSIX permission bits
TEST_F(StreamTest, ReplacingKeepsPermissionsAndRespectsWriteProtection)
{
    namespace fs = std::filesystem;
    const std::string shared = File({1});
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        TBigEndianFileStream s(shared, TFileMode::fmCreate);
        s.WriteInt16(2);
        s.Commit();
    }
    EXPECT_EQ(fs::status(shared).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const std::string locked = File({1});
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_THROW(TBigEndianFileStream(locked, TFileMode::fmCreate), EORVAError);
    EXPECT_EQ(ReadBytes(locked), (Bytes{1}));
}
#endif

TEST_F(StreamTest, StrayPartialFileIsNotClobbered)
{
    const std::string path = dir.Path("target");
    WriteBytes(path + ".partial", {9, 9});
    {
        TBigEndianFileStream s(path, TFileMode::fmCreate);
        s.WriteInt16(1);
        s.Commit();
    }
    EXPECT_EQ(ReadBytes(path), (Bytes{0, 1}));
    EXPECT_EQ(ReadBytes(path + ".partial"), (Bytes{9, 9}));
}

#ifndef _WIN32 // a full disk is provoked through a POSIX file size limit
// A disk that fills up: the file size limit makes the write fail with EFBIG.
TEST_F(StreamTest, FailedWriteIsReportedAndTheTargetKept)
{
    const std::string path = File({7, 7, 7});
    std::string message;
    try {
        test::TFileSizeLimit limit(100000);
        TBigEndianFileStream s(path, TFileMode::fmCreate);
        std::vector<std::int16_t> words(200000, 1);
        s.WriteInt16Block(words.data(), words.size());
        s.Commit();
    } catch (const EORVAError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, path + ": Write failed: File too large");
    EXPECT_EQ(ReadBytes(path), (Bytes{7, 7, 7}));
}
#endif

} // namespace
} // namespace orva
