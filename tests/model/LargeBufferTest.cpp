// The allocator of the large arrays: zero at first at every size, laid out for large pages
// from a few MiB on, given back whole, and owned by exactly one array at a time.
#include "model/LargeBuffer.h"
#include "model/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

namespace orva {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Sizes on both sides of each way of allocating: heap, pages, large pages.
const std::vector<std::size_t> kSizes = {1,           3,           4096,          64 * 1024 - 1, 64 * 1024,
                                         64 * 1024 + 1, 4 * kMiB - 1, 4 * kMiB,   4 * kMiB + 1,  9 * kMiB + 7};

TEST(LargeBuffer, EverySizeReadsAsZerosAndHoldsWhatIsWritten)
{
    for (std::size_t bytes : kSizes) {
        SCOPED_TRACE(bytes);
        TLargeBuffer buffer(bytes);
        ASSERT_NE(buffer.data(), nullptr);
        EXPECT_EQ(buffer.size(), bytes);
        auto* p = static_cast<unsigned char*>(buffer.data());
        EXPECT_TRUE(std::all_of(p, p + bytes, [](unsigned char b) { return b == 0; }));
        // Both ends belong to the block: a pattern of distinct bytes survives at each.
        p[0] = 0x12;
        p[bytes - 1] = 0x34;
        EXPECT_EQ(p[0], bytes == 1 ? 0x34 : 0x12);
        EXPECT_EQ(p[bytes - 1], 0x34);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u);
    }
    TLargeBuffer empty(0);
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.size(), 0u);
}

TEST(LargeBuffer, BlocksOfAFewMiBStartOnALargePage)
{
    for (std::size_t bytes : kSizes) {
        SCOPED_TRACE(bytes);
        TLargeBuffer buffer(bytes);
        EXPECT_EQ(buffer.LargePages(), bytes >= kLargePagesFrom && bytes >= kPagesFrom);
#ifndef _WIN32
        if (buffer.LargePages()) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % platform::kLargePageBytes, 0u);
        }
#endif
    }
}

TEST(LargeBuffer, AnImpossibleSizeIsRefused)
{
    EXPECT_THROW(TLargeArray<double>(static_cast<std::size_t>(-1) / 4), std::bad_alloc);
    EXPECT_THROW(TLargeBuffer(static_cast<std::size_t>(-1) - 100), std::bad_alloc);
}

// Natively only: under an emulator (the ARM64 cross build) the address space counted is
// the emulator's, which may keep a reservation where the program gave pages back.
#if defined(__linux__) && defined(__x86_64__)
// The program's mapped address space in bytes.
std::size_t MappedBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * 4096;
}

TEST(LargeBuffer, FreeingGivesBackTheWholeMapping)
{
    // Alignment maps more than asked and trims it; whatever stays mapped must go with the
    // block, or a batch of files would leak a large page each.
    // A build with AddressSanitizer keeps such blocks on its heap, whose quarantine holds
    // freed blocks mapped on purpose.
    if (9 * kMiB < kPagesFrom)
        GTEST_SKIP() << "blocks of 9 MiB come from the sanitizer's heap in this build";
    const std::size_t before = MappedBytes();
    for (int i = 0; i < 64; ++i) {
        TLargeArray<std::int16_t> block((9 * kMiB + 7) / 2);
        block[block.size() - 1] = 1;
    }
    EXPECT_LT(MappedBytes(), before + 16 * kMiB);
}
#endif

TEST(LargeArray, MovesHandOverTheBlockAndCopiesDuplicateIt)
{
    TLargeArray<std::int32_t> a(3 * kMiB); // 12 MiB: large pages
    a[0] = 0x12345678;
    a[a.size() - 1] = -2;
    const std::int32_t* block = a.data();

    TLargeArray<std::int32_t> b(std::move(a));
    EXPECT_EQ(b.data(), block);
    EXPECT_EQ(b.size(), 3 * kMiB);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_TRUE(a.empty());

    TLargeArray<std::int32_t> c(10);
    c = std::move(b);
    EXPECT_EQ(c.data(), block);
    EXPECT_EQ(c[0], 0x12345678);
    EXPECT_EQ(c[c.size() - 1], -2);

    TLargeArray<std::int32_t> d(c);
    EXPECT_NE(d.data(), c.data());
    EXPECT_EQ(d, c);
    d[1] = 7;
    EXPECT_FALSE(d == c);
    EXPECT_EQ(c[1], 0);

    c = d; // copy assignment: the old block goes, the values come
    EXPECT_EQ(c, d);
    EXPECT_NE(c.data(), d.data());
    EXPECT_FALSE(TLargeArray<std::int32_t>(2) == TLargeArray<std::int32_t>(3));
    EXPECT_EQ(TLargeArray<std::int32_t>(), TLargeArray<std::int32_t>(0));

    c = {};
    EXPECT_EQ(c.data(), nullptr);
    EXPECT_EQ(c.size(), 0u);
}

TEST(LargeArray, DoublesStartAtZeroAndRangesCoverTheValues)
{
    TLargeArray<double> values(kLargePagesFrom / sizeof(double) + 1);
    EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](double v) { return v == 0.0; }));
    EXPECT_EQ(static_cast<std::size_t>(values.end() - values.begin()), values.size());
    std::fill(values.begin(), values.end(), 1.5);
    double sum = 0;
    for (double v : values)
        sum += v;
    EXPECT_EQ(sum, 1.5 * static_cast<double>(values.size()));
}

} // namespace
} // namespace orva
