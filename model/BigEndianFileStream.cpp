#include "model/BigEndianFileStream.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace orva {

namespace {

// Converts 16-bit words between file order (big-endian) and host order, in place.
// Works on bytes, so the words need not be aligned.
inline void SwapWords(void* words, std::size_t count)
{
    if constexpr (std::endian::native == std::endian::little) {
        auto* b = static_cast<std::uint8_t*>(words);
        for (std::size_t i = 0; i < count; ++i)
            std::swap(b[2 * i], b[2 * i + 1]);
    }
}

} // namespace

void TBigEndianFileStream::RefuseNegative(std::int32_t Count) const
{
    if (Count < 0)
        throw EORVAError(Path(), "Negative text field width (" + std::to_string(Count) + ")");
}

std::int16_t TBigEndianFileStream::ReadInt16()
{
    std::uint8_t b[2];
    if (HasBuffered(2))
        std::memcpy(b, TakeBuffered(2), 2);
    else if (Read(b, 2) < 2)
        return 0;
    return static_cast<std::int16_t>((b[0] << 8) | b[1]);
}

std::int32_t TBigEndianFileStream::ReadInt32()
{
    std::uint8_t b[4];
    if (HasBuffered(4))
        std::memcpy(b, TakeBuffered(4), 4);
    else if (Read(b, 4) < 4)
        return 0;
    return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                     (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]});
}

std::string TBigEndianFileStream::ReadFixedString(std::int32_t Count)
{
    RefuseNegative(Count);
    std::string field(static_cast<std::size_t>(Count), '\0');
    Read(field.data(), field.size());
    field.resize(std::strlen(field.c_str()));
    return field;
}

void TBigEndianFileStream::WriteInt16(std::int32_t Value)
{
    std::uint8_t* p = WriteSpace(2);
    p[0] = static_cast<std::uint8_t>(Value >> 8);
    p[1] = static_cast<std::uint8_t>(Value);
}

void TBigEndianFileStream::WriteInt32(std::int32_t Value)
{
    auto v = static_cast<std::uint32_t>(Value);
    std::uint8_t* p = WriteSpace(4);
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void TBigEndianFileStream::WriteFixedString(const std::string& S, std::int32_t Count)
{
    RefuseNegative(Count);
    auto width = static_cast<std::size_t>(Count);
    std::size_t n = std::min(S.size(), width);
    Write(S.data(), n);
    static constexpr char kZeros[256] = {};
    for (std::size_t rest = width - n; rest > 0;) {
        std::size_t chunk = std::min(rest, sizeof kZeros);
        Write(kZeros, chunk);
        rest -= chunk;
    }
}

void TBigEndianFileStream::ReadInt16Block(std::int16_t* dst, std::size_t count)
{
    const std::size_t whole = ReadInt16Words(dst, count);
    if (whole < count)
        std::memset(dst + whole, 0, (count - whole) * 2);
}

std::size_t TBigEndianFileStream::ReadInt16Words(std::int16_t* dst, std::size_t count)
{
    if (count == 0)
        return 0; // an empty array may have no storage at all
    std::size_t got = Read(dst, count * 2);
    // A word of which only the first byte exists reads as 0, like ReadInt16.
    std::size_t whole = got / 2;
    if (got % 2 != 0)
        dst[whole] = 0;
    SwapWords(dst, whole);
    return whole;
}

void TBigEndianFileStream::WriteInt16Block(const std::int16_t* src, std::size_t count)
{
    const std::size_t chunkWords = kBufferSize / 2;
    while (count > 0) {
        std::size_t n = std::min(count, chunkWords);
        std::uint8_t* p = WriteSpace(n * 2);
        std::memcpy(p, src, n * 2);
        SwapWords(p, n);
        src += n;
        count -= n;
    }
}

} // namespace orva
