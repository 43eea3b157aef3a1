// The demo files: made here, from a model of an oddball experiment, never taken from elsewhere.
#include "data/DemoData.h"

#include "export/TextFile.h"
#include "data/DemoArtifacts.h"

#include "model/ORVAError.h"
#include "model/PathText.h"

#include <algorithm>
#include <array>
#include <charconv>
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

// How strongly each component of the ERP shows at a sensor, from 0 to 1: a bump on the
// head around where the component lies.
struct TScalpWeights {
    double P1 = 0, N1 = 0, P2 = 0, P3 = 0;
    double Alpha = 0; ///< the 10 Hz background, strongest at the back of the head
};

// Microvolts at time t (ms after stimulus) of an ERP whose P3 grows with `oddness`: an
// occipital P1, a fronto-central N1 and P2, a parietal P3.
double Erp(double t, double oddness, const TScalpWeights& w)
{
    if (t < 0)
        return 0;
    double p1 = 3.0 * Gaussian(t, 100, 18) * w.P1;
    double n1 = -6.0 * Gaussian(t, 170, 25) * w.N1;
    double p2 = 3.5 * Gaussian(t, 230, 30) * w.P2;
    double p3 = oddness * 11.0 * Gaussian(t, 500, 90) * w.P3;
    return p1 + n1 + p2 + p3;
}

// A bump of the given width (degrees) around the point `polar` degrees from the top of the
// head towards the nose (positive) or the back (negative).
double Bump(const TSensorPosition& s, double polar, double width)
{
    const double r = std::sqrt(s.X * s.X + s.Y * s.Y + s.Z * s.Z);
    const double a = polar * std::numbers::pi / 180;
    const double cosAngle = (s.Y * std::sin(a) + s.Z * std::cos(a)) / r;
    const double angle = std::acos(std::clamp(cosAngle, -1.0, 1.0)) * 180 / std::numbers::pi;
    return Gaussian(angle, 0, width);
}

std::vector<TScalpWeights> DemoScalpWeights()
{
    std::vector<TScalpWeights> weights;
    for (const TSensorPosition& s : DemoSensorPositions())
        weights.push_back({Bump(s, -85, 30), Bump(s, 25, 35), Bump(s, 15, 45), Bump(s, -40, 40), Bump(s, -90, 50)});
    return weights;
}

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

constexpr double kHeadRadiusCm = 9;
// The lowest sensors sit this far below the plane of the ears (degrees from the top: 110).
constexpr double kLowestPolarDegrees = 110;

// Positions are written with four decimals; the demo's own positions are those values.
double Rounded(double cm) { return std::round(cm * 1e4) / 1e4 + 0.0; } // + 0.0: no "-0.0000"

std::string Fixed4(double value)
{
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 4).ptr;
    return std::string(text.data(), end);
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
    const std::vector<TScalpWeights> weights = DemoScalpWeights();
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
                    double uv = amplitude * Erp(ms - latency, kOddness[c], weights[static_cast<std::size_t>(ch)]) + 0.8 * noise.Normal() +
                                1.5 * weights[static_cast<std::size_t>(ch)].Alpha *
                                    std::sin(2 * std::numbers::pi * 10 * ms / 1000 + s);
                    cell.Data(s, t, ch) = ToSample(uv * kScaleBins);
                }
        }
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

TORVAFile MakeDemoStudyFile()
{
    constexpr int kCells = 2, kSubjects = 12, kScaleBins = 50;
    TORVAFile f = MakeFrame(kAverageFileVersion, "Oddball demo (study)",
                            "Oddball study of 12 subjects, demo data made by ORVA Toolbox", kCells);
    auto& g = f.GeneralInformation;
    g.LastSubjectDone = kSubjects;
    g.ScaleBins = kScaleBins;
    g.ScaleCalibration = kScaleBins;
    g.BaselineDuration = static_cast<std::int32_t>(kBaselineMs);
    f.DataDescription.Zeros.assign(kChannels, 0);
    f.DataDescription.Gains.assign(kChannels, 1);

    // What makes a subject: the size and latency of the ERP, how noisy the recording was and
    // the phase of the alpha, the same in both cells, so the cells pair subject by subject.
    struct TSubject {
        double Amplitude, Latency, NoiseUv, AlphaPhase;
    };
    TNoise noise(3);
    std::vector<TSubject> subjects;
    for (int s = 0; s < kSubjects; ++s)
        subjects.push_back({0.7 + 0.6 * noise.Uniform(), 20 * noise.Normal(), 0.5 + 1.2 * noise.Uniform(),
                            6.283 * noise.Uniform()});
    const std::vector<TScalpWeights> weights = DemoScalpWeights();
    // The P3 of each cell: the Target's larger, between 300 and 600 ms at the parietal sensors.
    const double kP3Uv[] = {1.0, 5.0};
    for (int c = 0; c < kCells; ++c) {
        TORVACell cell = MakeCell(c + 1, kCellNames[c], kSubjects, layout::kAverageTrialSpecificsLength);
        for (int s = 0; s < kSubjects; ++s) {
            const TSubject& subject = subjects[static_cast<std::size_t>(s)];
            cell.TrialSpecifics(s, 0) = static_cast<std::int16_t>(c == 0 ? 160 + 4 * s : 40 + s);
            cell.TrialSpecifics(s, 1) = static_cast<std::int16_t>(s + 1);
            for (int ch = 0; ch < kChannels; ++ch) {
                const TScalpWeights& w = weights[static_cast<std::size_t>(ch)];
                // Averages are smooth: the noise is white noise averaged over 20 ms.
                constexpr int kSmooth = 5;
                std::array<double, kSamples + kSmooth> white{};
                for (double& v : white)
                    v = noise.Normal();
                for (int t = 0; t < kSamples; ++t) {
                    const double ms = t * 1000.0 / kRate - kBaselineMs;
                    const double late = ms - subject.Latency;
                    double smooth = 0;
                    for (int k = 0; k < kSmooth; ++k)
                        smooth += white[static_cast<std::size_t>(t + k)];
                    smooth /= std::sqrt(static_cast<double>(kSmooth));
                    double uv = subject.Amplitude * Erp(late, 0, w) + subject.NoiseUv * smooth +
                                1.5 * w.Alpha * std::sin(2 * std::numbers::pi * 10 * ms / 1000 + subject.AlphaPhase);
                    if (late > 0)
                        uv += subject.Amplitude * kP3Uv[c] * Gaussian(late, 450, 85) * w.P3;
                    cell.Data(s, t, ch) = ToSample(uv * kScaleBins);
                }
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
    const std::vector<TScalpWeights> weights = DemoScalpWeights();
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
                    double uv = Erp(ms - latency, kOddness[c], weights[static_cast<std::size_t>(ch)]) + 6 * noise.Normal() + drift +
                                3 * weights[static_cast<std::size_t>(ch)].Alpha *
                                    std::sin(2 * std::numbers::pi * 10 * ms / 1000 + o);
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

std::vector<TSensorPosition> DemoSensorPositions()
{
    // A Fibonacci spiral over the cap: equal areas per sensor, no two sensors close.
    const double lowestCos = std::cos(kLowestPolarDegrees * std::numbers::pi / 180);
    const double golden = std::numbers::pi * (3 - std::sqrt(5.0));
    std::vector<TSensorPosition> sensors;
    for (int i = 0; i < kChannels; ++i) {
        const double z = 1 - (1 - lowestCos) * i / (kChannels - 1);
        const double ring = std::sqrt(std::max(0.0, 1 - z * z));
        // Start towards the nose, turning to the right ear.
        const double azimuth = std::numbers::pi / 2 - golden * i;
        sensors.push_back({"E" + std::to_string(i + 1), Rounded(kHeadRadiusCm * ring * std::cos(azimuth)),
                           Rounded(kHeadRadiusCm * ring * std::sin(azimuth)), Rounded(kHeadRadiusCm * z)});
    }
    return sensors;
}

std::vector<TSensorPosition> DemoFiducials()
{
    return {{"FidNz", 0, 9.4, -2.1}, {"FidT9", -8.3, 0, -3.6}, {"FidT10", 8.3, 0, -3.6}};
}

std::vector<std::filesystem::path> WriteDemoFiles(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw EORVAError(PathText(folder), "Cannot create folder: " + ec.message());
    std::vector<std::filesystem::path> written = {folder / "demo.ave", folder / "demo.ses", folder / "demo.sfp",
                                                  folder / "demo-study.ave"};
    MakeDemoAverageFile().SaveToFile(written[0]);
    MakeDemoSessionFile().SaveToFile(written[1]);
    MakeDemoStudyFile().SaveToFile(written[3]);
    std::vector<std::string> lines;
    for (const auto& list : {DemoFiducials(), DemoSensorPositions()})
        for (const TSensorPosition& s : list)
            lines.push_back(s.Label + "\t" + Fixed4(s.X) + "\t" + Fixed4(s.Y) + "\t" + Fixed4(s.Z));
    WriteTextLines(written[2], lines);
    return written;
}

} // namespace orva
