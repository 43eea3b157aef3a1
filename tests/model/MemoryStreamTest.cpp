// The loader, CheckFile and the writers run on bytes in memory exactly as on a file.
#include "model/BigEndianFileStream.h"
#include "model/MemoryStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TTempDir;
using test::TTestFileBuilder;

TBigEndianFileStream Reader(const Bytes& bytes)
{
    return TBigEndianFileStream(MemoryReader(bytes), "memory.ses", TFileMode::fmOpenRead);
}

struct TVariant {
    const char* name;
    TTestFileBuilder file;
};

std::vector<TVariant> Variants()
{
    auto session = TTestFileBuilder::Session(2, 3, 5, 4);
    session.Comment = "comment";
    auto padded = TTestFileBuilder::Average(1, 2, 3, 2);
    padded.PaddingLength = 300;
    auto texts = TTestFileBuilder::Session(1, 2, 3, 3);
    texts.Text = "text segment";
    texts.Comment = std::string(40, 'c');
    return {{"average", TTestFileBuilder::Average(2, 2, 7, 3)},
            {"session", session},
            {"padded", padded},
            {"texts", texts},
            {"no cells", TTestFileBuilder::Average(0, 0, 0, 2)}};
}

// One contract over every variant: same verdict, same model, same header report, and the
// writer produces the same bytes into memory as into a file.
TEST(MemoryStream, LoadsAndWritesEveryVariantLikeAFile)
{
    TTempDir dir;
    for (const auto& v : Variants()) {
        SCOPED_TRACE(v.name);
        const std::string path = dir.Path("memory.ses");
        v.file.WriteTo(path);
        TORVAFile fromFile = test::LoadChecked(path);

        const Bytes bytes = v.file.Build();
        auto s = Reader(bytes);
        TORVAFile fromMemory;
        EXPECT_EQ(fromMemory.CheckStream(s), "");
        fromMemory.LoadFromStream(s, path);
        std::vector<std::string> a, b;
        fromFile.GetHeaderText(a);
        fromMemory.GetHeaderText(b);
        EXPECT_EQ(a, b);
        ASSERT_EQ(fromFile.Cells.size(), fromMemory.Cells.size());
        for (std::size_t i = 0; i < fromFile.Cells.size(); ++i)
            EXPECT_TRUE(fromFile.Cells[i].Data == fromMemory.Cells[i].Data) << i;

        Bytes written;
        TBigEndianFileStream out(MemoryWriter(written), path, TFileMode::fmCreate);
        fromMemory.SaveRemappedTo(out, IdentityChannelMap(fromMemory.NumChannels()));
        const std::string saved = dir.Path("saved.ses");
        fromFile.SaveToFile(saved);
        EXPECT_EQ(written, ReadBytes(saved));
    }
}

TEST(MemoryStream, RefusesWhatCheckFileRefuses)
{
    const struct {
        Bytes bytes;
        const char* verdict;
    } cases[] = {
        {{}, "Invalid file tag (byte order: 0)"},
        {{2, 1, 4, 3}, "Bad byte order (33620995)"},
        {{1, 2, 3, 4, 0, 2}, "Unhandled header version (2)"},
        {{1, 2, 3, 4, 0xFF, 0xFF, 0, 12, 0, 0, 0, 1}, "Bad file length"}, // one byte short
    };
    for (const auto& c : cases) {
        auto s = Reader(c.bytes);
        TORVAFile f;
        EXPECT_EQ(f.CheckStream(s), c.verdict);
    }
}

TEST(MemoryStream, ReadsPastTheEndAsZeroAndSeeksBack)
{
    const Bytes bytes{0x12, 0x34, 0x56};
    auto s = Reader(bytes);
    EXPECT_EQ(s.ReadInt16(), 0x1234);
    EXPECT_EQ(s.ReadInt16(), 0); // one byte left: consumed, reads as 0
    EXPECT_EQ(s.ReadInt32(), 0);
    EXPECT_EQ(s.ReadFixedString(4), "");
    s.Seek(1);
    EXPECT_EQ(s.ReadInt16(), 0x3456);
    s.Seek(100);
    EXPECT_EQ(s.ReadInt16(), 0);
}

TEST(MemoryStream, WriterChangesItsTargetOnlyOnCommit)
{
    Bytes target{9, 9};
    {
        TBigEndianFileStream s(MemoryWriter(target), "t", TFileMode::fmCreate);
        s.WriteInt32(16909060);
    }
    EXPECT_EQ(target, (Bytes{9, 9}));
    {
        TBigEndianFileStream s(MemoryWriter(target), "t", TFileMode::fmCreate);
        s.WriteInt32(16909060);
        s.WriteFixedString("ab", 3);
        s.Commit();
    }
    EXPECT_EQ(target, (Bytes{1, 2, 3, 4, 'a', 'b', 0}));
}

// A device that counts how often the stream asks it for bytes.
class TCountingDevice : public TStreamDevice {
public:
    TCountingDevice(const Bytes& bytes, int& reads) : inner_(MemoryReader(bytes)), reads_(reads) {}
    std::size_t Read(void* dst, std::size_t count, std::error_code& ec) override
    {
        ++reads_;
        return inner_->Read(dst, count, ec);
    }
    std::error_code Write(const void* src, std::size_t count) override { return inner_->Write(src, count); }
    std::error_code Seek(std::int64_t offset) override { return inner_->Seek(offset); }
    std::int64_t Size(std::error_code& ec) const override { return inner_->Size(ec); }

private:
    std::unique_ptr<TStreamDevice> inner_;
    int& reads_;
};

// A 130-byte header that declares 32767 cells and channels: the loader reads some hundred
// thousand fields past the end, and each of them must not go back to the device.
TEST(MemoryStream, ReadsPastTheEndAskTheDeviceOnlyOnce)
{
    auto b = TTestFileBuilder::Session(0, 0, 0, 0);
    b.NumCells = 32767;
    b.NumChannels = 32767;
    b.Comment.clear();
    b.Text.clear();
    b.HeaderLength = 130;
    b.DataLength = 2147483647 - 130;
    Bytes bytes = b.Build();
    ASSERT_EQ(bytes.size(), 130u);
    int reads = 0;
    TBigEndianFileStream s(std::make_unique<TCountingDevice>(bytes, reads), "many.ses", TFileMode::fmOpenRead);
    TORVAFile f;
    f.LoadFromStream(s, "many.ses");
    EXPECT_EQ(f.Cells.size(), 32767u);
    EXPECT_EQ(f.DataDescription.Gains.size(), 32767u);
    EXPECT_LE(reads, 4); // the header, the end, and once more after the seek to the samples
}

} // namespace
} // namespace orva
