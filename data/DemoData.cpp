// The demo files: made here, from a model of an oddball experiment, never taken from elsewhere.
#include "data/DemoData.h"

#include "data/DemoArtifacts.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

namespace orva {

namespace {

constexpr int kChannels = 64;
constexpr int kSamples = 250;
constexpr int kRate = 250;
constexpr double kBaselineMs = 200;

// A small deterministic generator, so the demo files are the same on every machine.
class TNoise {
public:
    explicit TNoise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    double Uniform()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }
    // Roughly normal with mean 0 and standard deviation 1 (sum of uniforms).
    double Normal()
    {
        double sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += Uniform();
        return sum - 6;
    }

private:
    std::uint64_t state_;
};

double Gaussian(double t, double centre, double width) { return std::exp(-0.5 * std::pow((t - centre) / width, 2)); }

// Microvolts at time t (ms after stimulus) of an ERP whose P3 grows with `oddness`,
// weighted by the channel's position from front (0) to back (1).
double Erp(double t, double oddness, double backness)
{
    if (t < 0)
        return 0;
    double p1 = 2.5 * Gaussian(t, 100, 18) * backness;
    double n1 = -5.0 * Gaussian(t, 170, 25);
    double p2 = 3.5 * Gaussian(t, 230, 30) * (1 - backness);
    double p3 = oddness * 9.0 * Gaussian(t, 500, 90) * (0.3 + backness);
    return p1 + n1 + p2 + p3;
}

double Backness(int channel) { return static_cast<double>((channel * 37) % kChannels) / (kChannels - 1); }

std::int16_t ToSample(double value)
{
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)));
}

TORVACell MakeCell(int number, const char* name, int observations, int trialSpecificsLength)
{
    TORVACell cell;
    cell.CellNumber = number;
    cell.Name = name;
    cell.NumObservations = observations;
    cell.SamplesPerObservation = kSamples;
    cell.SamplesPerSecond = kRate;
    cell.TrialSpecificsLength = trialSpecificsLength;
    cell.TrialSpecifics = TTrialSpecifics(observations, trialSpecificsLength / 2);
    cell.Data = TSampleArray(observations, kSamples, kChannels);
    return cell;
}

TORVAFile MakeFrame(std::int32_t version, const char* experiment, const char* comment, int cells)
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = version;
    f.FileDescription.HeaderLength = 0; // the writer lays out the header in 512-byte blocks
    f.FileDescription.ExperimentName = experiment;
    auto& dd = f.DataDescription;
    dd.NumCells = cells;
    dd.NumChannels = kChannels;
    f.Comment = comment;
    dd.CommentLength = static_cast<std::int32_t>(f.Comment.size());
    f.TextSegment = "64-channel sensor net, vertex reference";
    dd.TextLength = static_cast<std::int32_t>(f.TextSegment.size());
    dd.BoardGain = 1;
    for (int i = 0; i < cells; ++i)
        dd.CellWords.push_back(i + 1);
    return f;
}

const char* const kCellNames[] = {"Standard", "Target", "Novel"};
const double kOddness[] = {0.2, 1.0, 0.7};

} // namespace

TORVAFile MakeDemoAverageFile()
{
    constexpr int kCells = 3, kSubjects = 12, kScaleBins = 50;
    TORVAFile f = MakeFrame(kAverageFileVersion, "Oddball demo (averages)",
                            "Grand oddball study, demo data made by ORVA Toolbox", kCells);
    auto& g = f.GeneralInformation;
    g.LastSubjectDone = kSubjects;
    g.ScaleBins = kScaleBins;
    g.ScaleCalibration = kScaleBins;
    g.BaselineDuration = static_cast<std::int32_t>(kBaselineMs);
    f.DataDescription.Zeros.assign(kChannels, 0);
    f.DataDescription.Gains.assign(kChannels, 1);

    TNoise noise(1);
    for (int c = 0; c < kCells; ++c) {
        TORVACell cell = MakeCell(c + 1, kCellNames[c], kSubjects, layout::kAverageTrialSpecificsLength);
        for (int s = 0; s < kSubjects; ++s) {
            const int trials = 30 + static_cast<int>(noise.Uniform() * 30) / (c == 0 ? 1 : 3);
            cell.TrialSpecifics(s, 0) = static_cast<std::int16_t>(trials);
            cell.TrialSpecifics(s, 1) = static_cast<std::int16_t>(s + 1);
            const double amplitude = 0.7 + 0.6 * noise.Uniform();
            const double latency = 20 * noise.Normal();
            for (int ch = 0; ch < kChannels; ++ch)
                for (int t = 0; t < kSamples; ++t) {
                    double ms = t * 1000.0 / kRate - kBaselineMs;
                    double uv = amplitude * Erp(ms - latency, kOddness[c], Backness(ch)) + 0.8 * noise.Normal() +
                                1.5 * std::sin(2 * std::numbers::pi * 10 * ms / 1000 + ch);
                    cell.Data(s, t, ch) = ToSample(uv * kScaleBins);
                }
        }
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

TORVAFile MakeDemoSessionFile()
{
    constexpr int kCells = 2, kTrials = 40;
    TORVAFile f = MakeFrame(kSessionFileVersion, "Oddball demo (session)",
                            "Subject 7, run 1, demo data made by ORVA Toolbox", kCells);
    auto& g = f.GeneralInformation;
    g.CollectionMonth = 11;
    g.CollectionDay = 24;
    g.CollectionYear = 2;
    g.CollectionHour = 14;
    g.CollectionMinute = 5;
    g.CollectionSecond = 7;
    g.SubjectID = 7;
    g.Handedness = 1;
    g.Sex = 2;
    g.Age = 24;
    g.ExperimenterID = 3;
    g.EditVersion = 1;
    g.CalibrationFlag = 1;

    TNoise noise(2);
    auto& dd = f.DataDescription;
    for (int ch = 0; ch < kChannels; ++ch) {
        dd.Zeros.push_back(2048 + static_cast<int>(noise.Normal() * 6));
        dd.Gains.push_back(1638 + static_cast<int>(noise.Normal() * 20));
    }
    for (int c = 0; c < kCells; ++c) {
        TORVACell cell = MakeCell(c + 1, kCellNames[c], kTrials, 4);
        for (int o = 0; o < kTrials; ++o) {
            cell.TrialSpecifics(o, 0) = static_cast<std::int16_t>(350 + noise.Uniform() * 300); // response time, ms
            cell.TrialSpecifics(o, 1) = static_cast<std::int16_t>(noise.Uniform() < 0.9 ? 1 : 0); // correct
            const double latency = 30 * noise.Normal();
            for (int ch = 0; ch < kChannels; ++ch) {
                const double drift = 4 * noise.Normal();
                for (int t = 0; t < kSamples; ++t) {
                    double ms = t * 1000.0 / kRate - kBaselineMs;
                    double uv = Erp(ms - latency, kOddness[c], Backness(ch)) + 6 * noise.Normal() + drift +
                                3 * std::sin(2 * std::numbers::pi * 10 * ms / 1000 + o);
                    const std::size_t i = static_cast<std::size_t>(ch);
                    cell.Data(o, t, ch) = ToSample(dd.Zeros[i] + uv * dd.Gains[i] / 400.0);
                }
            }
        }
        f.Cells.push_back(std::move(cell));
    }
    AddDemoArtifacts(f);
    return f;
}

std::vector<std::filesystem::path> WriteDemoFiles(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw EORVAError(PathText(folder), "Cannot create folder: " + ec.message());
    std::vector<std::filesystem::path> written = {folder / "demo.ave", folder / "demo.ses"};
    MakeDemoAverageFile().SaveToFile(written[0]);
    MakeDemoSessionFile().SaveToFile(written[1]);
    return written;
}

} // namespace orva
