#pragma once
#include "model/FileStream.h"

#include <cstdint>
#include <string>

namespace orva {

/// The file stream of the data files: integers most significant byte first,
/// text in fixed-width, NUL-padded fields. Reading past the end is not an error:
/// a short integer reads as 0 and a short text field keeps what was there.
class TBigEndianFileStream : public TFileStream {
public:
    using TFileStream::TFileStream;

    std::int16_t ReadInt16();
    std::int32_t ReadInt32();
    /// Reads a field of Count bytes; the text ends at the first NUL or at the field's end.
    std::string ReadFixedString(std::int32_t Count);

    void WriteInt16(std::int32_t Value); ///< writes the low 16 bits
    void WriteInt32(std::int32_t Value);
    /// Writes exactly Count bytes: S cut to Count, then NUL bytes.
    void WriteFixedString(const std::string& S, std::int32_t Count);

    /// Reads count 16-bit words into dst; words beyond the end of the file read as 0.
    void ReadInt16Block(std::int16_t* dst, std::size_t count);
    /// Reads up to count words into dst and returns how many the file held. Words beyond
    /// the end are not written at all (dst is expected to be zero already), so memory that
    /// is zero until touched stays untouched.
    std::size_t ReadInt16Words(std::int16_t* dst, std::size_t count);
    void WriteInt16Block(const std::int16_t* src, std::size_t count);

private:
    void RefuseNegative(std::int32_t Count) const;
};

} // namespace orva
