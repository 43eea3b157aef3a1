#include "tests/support/ViewTestDocuments.h"

namespace orva::test {

namespace {

std::shared_ptr<TORVAFile> Document(std::int32_t version, const std::vector<TCellShape>& shapes, int channels,
                                    const TSampleFunction& sample, const std::string& fullFileName)
{
    auto f = std::make_shared<TORVAFile>();
    f->FileDescription.HeaderVersion = version;
    f->FullFileName = fullFileName;
    f->FileName = ExtractFileName(fullFileName);
    f->Saved = true;
    f->DataDescription.NumCells = static_cast<std::int32_t>(shapes.size());
    f->DataDescription.NumChannels = channels;
    for (int c = 0; c < channels; ++c) {
        f->DataDescription.Zeros.push_back(version == kSessionFileVersion ? 2000 + c : 0);
        f->DataDescription.Gains.push_back(version == kSessionFileVersion ? 1600 + 4 * c : 1);
    }
    if (version == kAverageFileVersion) {
        f->GeneralInformation.ScaleBins = 10;
        f->GeneralInformation.BaselineDuration = 200;
    }
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const TCellShape& s = shapes[i];
        TORVACell cell;
        cell.Name = "cell " + std::to_string(i + 1);
        cell.CellNumber = static_cast<std::int32_t>(i + 1);
        cell.NumObservations = s.Observations;
        cell.SamplesPerObservation = s.Samples;
        cell.SamplesPerSecond = s.SamplesPerSecond;
        cell.Data = TSampleArray(s.Observations, s.Samples, channels);
        for (int o = 0; o < s.Observations; ++o)
            for (int k = 0; k < s.Samples; ++k)
                for (int c = 0; c < channels; ++c)
                    cell.Data(o, k, c) = sample(static_cast<int>(i), o, k, c);
        f->Cells.push_back(std::move(cell));
    }
    return f;
}

} // namespace

std::int16_t PatternValue(int cell, int o, int s, int c)
{
    const int v = ((cell * 7 + o) * 131 + s * 17 + c * 3) % 3000;
    return static_cast<std::int16_t>((s + c) % 2 ? -v : v);
}

std::shared_ptr<TORVAFile> AverageDocument(const std::vector<TCellShape>& cells, int channels,
                                           const TSampleFunction& sample, const std::string& fullFileName)
{
    return Document(kAverageFileVersion, cells, channels, sample, fullFileName);
}

std::shared_ptr<TORVAFile> SessionDocument(const std::vector<TCellShape>& cells, int channels,
                                           const TSampleFunction& sample, const std::string& fullFileName)
{
    return Document(kSessionFileVersion, cells, channels, sample, fullFileName);
}

std::string WithLineEnds(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace orva::test
