#pragma once
// Composes data files byte by byte from their fields, independently of the model's
// writer, so that loader and writer are each checked against the format itself.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva::test {

struct TTestCell {
    std::int16_t CellNumber = 1;
    std::string Name = "cell";
    std::int16_t NumObservations = 1;
    std::int16_t SamplesPerObservation = 2;
    std::int16_t SamplesPerSecond = 250;
    std::int16_t TrialSpecificsLength = 28;
    std::vector<std::int16_t> TrialSpecifics; ///< all words of all observations; filled with a pattern if empty
    std::vector<std::int16_t> Data;           ///< [obs][sample][channel]; filled with a pattern if empty
};

class TTestFileBuilder {
public:
    /// A consistent file with `cells` cells of the given shape; samples and trial specifics
    /// hold a pattern of distinct values (see PatternSample).
    static TTestFileBuilder Average(int cells, int observations, int samples, int channels);
    static TTestFileBuilder Session(int cells, int observations, int samples, int channels);

    /// The pattern value at (cell, observation, sample, channel): distinct and of both signs.
    static std::int16_t PatternSample(int cell, int o, int s, int c);

    std::int32_t ByteOrder = 16909060;
    std::int16_t HeaderVersion = -1;
    std::optional<std::int16_t> HeaderLength; ///< default: the size of the header fields
    std::optional<std::int32_t> DataLength;   ///< default: the size of the samples
    std::string ExperimentName = "experiment";
    std::array<std::int16_t, 13> General{};
    std::optional<std::int16_t> NumCells;      ///< default: Cells.size()
    std::optional<std::int16_t> NumChannels;   ///< default: Zeros.size()
    std::optional<std::int16_t> CommentLength; ///< default: Comment.size()
    std::optional<std::int16_t> TextLength;    ///< default: Text.size()
    std::int16_t PaddingLength = 0;
    std::int16_t BoardGain = 7;
    std::vector<std::int16_t> CellWords; ///< default: 100 + cell index
    std::vector<std::int16_t> Zeros;
    std::vector<std::int16_t> Gains;
    std::vector<TTestCell> Cells;
    std::string Comment;
    std::string Text;
    std::vector<std::uint8_t> Trailing; ///< bytes appended after the samples

    std::vector<std::uint8_t> Build() const;
    std::size_t HeaderSize() const;
    void WriteTo(const std::filesystem::path& path) const;
};

/// A session file of one 128-sample trace whose low-pass version overshoots the 16-bit
/// range: a square wave of amplitude 20000 around a zero level of 12000.
TTestFileBuilder OvershootingSession();

/// The lines joined into one text, each followed by lineEnd.
std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd);

/// A fresh folder under the system's temporary folder, removed with its contents.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    /// The UTF-8 text of the path of `name` in the folder.
    std::string Path(const std::string& name) const { return path_ + kSeparator + name; }
    const std::string& Root() const { return path_; }

private:
    // The system's own separator, so that a path made absolute and normal reads the same.
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::string ReadText(const std::filesystem::path& path);

} // namespace orva::test
