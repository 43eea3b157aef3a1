#include "tests/support/TestFileBuilder.h"

#include "model/PathText.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace orva::test {

namespace {

class TBytes {
public:
    void I16(std::int32_t v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    void I32(std::int32_t v)
    {
        auto u = static_cast<std::uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(u >> shift));
    }
    void Text(const std::string& s, std::size_t width)
    {
        for (std::size_t i = 0; i < width; ++i)
            bytes.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
    }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::int16_t> CellTrialSpecifics(const TTestCell& c, int cellIndex)
{
    if (!c.TrialSpecifics.empty())
        return c.TrialSpecifics;
    std::vector<std::int16_t> words(static_cast<std::size_t>(std::max(0, c.NumObservations * (c.TrialSpecificsLength / 2))));
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::int16_t>((cellIndex + 1) * 1000 + static_cast<int>(i) * ((i % 2) ? -1 : 1));
    return words;
}

std::vector<std::int16_t> CellData(const TTestCell& c, int cellIndex, int channels)
{
    if (!c.Data.empty())
        return c.Data;
    std::vector<std::int16_t> data;
    for (int o = 0; o < c.NumObservations; ++o)
        for (int s = 0; s < c.SamplesPerObservation; ++s)
            for (int ch = 0; ch < channels; ++ch)
                data.push_back(TTestFileBuilder::PatternSample(cellIndex, o, s, ch));
    return data;
}

TTestFileBuilder Make(std::int16_t version, int cells, int observations, int samples, int channels)
{
    TTestFileBuilder b;
    b.HeaderVersion = version;
    for (int ch = 0; ch < channels; ++ch) {
        b.Zeros.push_back(static_cast<std::int16_t>(version == 3 ? 2040 + ch : 0));
        b.Gains.push_back(static_cast<std::int16_t>(version == 3 ? 1600 + 3 * ch : 1));
    }
    if (version == -1) {
        b.General[6] = 12;  // LastSubjectDone
        b.General[7] = 10;  // ScaleBins
        b.General[8] = 10;  // ScaleCalibration
        b.General[9] = 200; // BaselineDuration
    } else {
        b.General = {11, 24, 2, 9, 5, 0, 17, 1, 2, 30, 4, 1, 1};
    }
    for (int i = 0; i < cells; ++i) {
        TTestCell c;
        c.CellNumber = static_cast<std::int16_t>(i + 1);
        c.Name = "cell " + std::to_string(i + 1);
        c.NumObservations = static_cast<std::int16_t>(observations);
        c.SamplesPerObservation = static_cast<std::int16_t>(samples);
        c.TrialSpecificsLength = version == -1 ? 28 : 4;
        b.Cells.push_back(c);
    }
    b.Comment = "comment";
    b.Text = "text";
    return b;
}

} // namespace

TTestFileBuilder TTestFileBuilder::Average(int cells, int observations, int samples, int channels)
{
    return Make(-1, cells, observations, samples, channels);
}

TTestFileBuilder TTestFileBuilder::Session(int cells, int observations, int samples, int channels)
{
    return Make(3, cells, observations, samples, channels);
}

std::int16_t TTestFileBuilder::PatternSample(int cell, int o, int s, int c)
{
    int v = ((cell * 7 + o) * 131 + s * 17 + c * 3) % 30000;
    return static_cast<std::int16_t>((s + c) % 2 ? -v : v);
}

std::size_t TTestFileBuilder::HeaderSize() const
{
    std::size_t size = 130 + 2 * Cells.size() + 4 * Zeros.size() + Comment.size() + Text.size();
    if (CommentLength)
        size += static_cast<std::size_t>(*CommentLength) - Comment.size();
    if (TextLength)
        size += static_cast<std::size_t>(*TextLength) - Text.size();
    for (std::size_t i = 0; i < Cells.size(); ++i)
        size += 90 + 2 * CellTrialSpecifics(Cells[i], static_cast<int>(i)).size();
    return size + static_cast<std::size_t>(std::max<int>(PaddingLength, 0));
}

std::vector<std::uint8_t> TTestFileBuilder::Build() const
{
    const int channels = static_cast<int>(Zeros.size());
    TBytes data;
    for (std::size_t i = 0; i < Cells.size(); ++i)
        for (std::int16_t v : CellData(Cells[i], static_cast<int>(i), channels))
            data.I16(v);

    TBytes h;
    h.I32(ByteOrder);
    h.I16(HeaderVersion);
    h.I16(HeaderLength.value_or(static_cast<std::int16_t>(HeaderSize())));
    h.I32(DataLength.value_or(static_cast<std::int32_t>(data.bytes.size())));
    h.Text(ExperimentName, 80);
    for (std::int16_t w : General)
        h.I16(w);
    h.I16(NumCells.value_or(static_cast<std::int16_t>(Cells.size())));
    h.I16(NumChannels.value_or(static_cast<std::int16_t>(channels)));
    const std::int16_t commentLength = CommentLength.value_or(static_cast<std::int16_t>(Comment.size()));
    const std::int16_t textLength = TextLength.value_or(static_cast<std::int16_t>(Text.size()));
    h.I16(commentLength);
    h.I16(textLength);
    h.I16(PaddingLength);
    h.I16(BoardGain);
    for (std::size_t i = 0; i < Cells.size(); ++i)
        h.I16(i < CellWords.size() ? CellWords[i] : static_cast<std::int16_t>(100 + i));
    for (std::int16_t z : Zeros)
        h.I16(z);
    for (std::int16_t g : Gains)
        h.I16(g);
    for (std::size_t i = 0; i < Cells.size(); ++i) {
        const TTestCell& c = Cells[i];
        h.I16(c.CellNumber);
        h.Text(c.Name, 80);
        h.I16(c.NumObservations);
        h.I16(c.SamplesPerObservation);
        h.I16(c.SamplesPerSecond);
        h.I16(c.TrialSpecificsLength);
        for (std::int16_t w : CellTrialSpecifics(c, static_cast<int>(i)))
            h.I16(w);
    }
    h.Text(Comment, static_cast<std::size_t>(std::max<int>(commentLength, 0)));
    h.Text(Text, static_cast<std::size_t>(std::max<int>(textLength, 0)));
    h.Text("", static_cast<std::size_t>(std::max<int>(PaddingLength, 0)));

    std::vector<std::uint8_t> out = std::move(h.bytes);
    out.insert(out.end(), data.bytes.begin(), data.bytes.end());
    out.insert(out.end(), Trailing.begin(), Trailing.end());
    return out;
}

TTestFileBuilder OvershootingSession()
{
    auto b = TTestFileBuilder::Session(1, 1, 128, 1);
    b.Zeros = {12000};
    b.Gains = {400};
    b.Cells[0].Data.clear();
    for (int t = 0; t < 128; ++t)
        b.Cells[0].Data.push_back(static_cast<std::int16_t>((t / 8) % 2 ? 32000 : -8000));
    return b;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd)
{
    std::string text;
    for (const auto& line : lines)
        text += line + lineEnd;
    return text;
}

void TTestFileBuilder::WriteTo(const std::filesystem::path& path) const { WriteBytes(path, Build()); }

TTempDir::TTempDir()
{
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "orva-test-%08x", static_cast<unsigned>(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(base / name, ec)) {
            path_ = PathText((base / name).lexically_normal());
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + PathText(path));
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace orva::test
