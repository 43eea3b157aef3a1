// The low-pass filter: every trace (one channel of one observation) is calibrated, the
// line from its first value is taken out, the trace is transformed, every bin from the
// cut-off bin upward is cleared, and the trace is transformed back and stored.
// Traces are filtered kLanes channels at a time (see LaneFFT.h); each lane computes
// exactly what the step-by-step routine computes for that trace alone.
#include "tools/LowPassFilter.h"

#include "model/LargeBuffer.h"
#include "model/ORVAError.h"
#include "tools/LaneFFT.h"
#include "tools/SampleWriteBack.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace orva {

namespace {

constexpr int kLanes = lanes::kWidth;
using lanes::TDoubles;
using lanes::TFloats;
using lanes::TInts;

// What every trace of one cell shares.
struct TCellFilter {
    int N;               // samples per trace
    int L;               // transform length, the smallest power of two >= N
    int K;               // the cut-off bin; above L nothing is removed
    bool average;        // calibrate by ScaleBins instead of zero and gain
    double scaleBins;
    const TRealFFTPlan* plan;
};

// The calibration of the channels of one group of lanes (unused lanes: zero 0, gain 1).
struct TLaneCalibration {
    alignas(32) std::int32_t zero[kLanes];
    alignas(64) double gain[kLanes];
};

// The raw samples of the group, lanes side by side, padded with 0 beyond the last channel.
ORVA_LANE_INLINE void GatherRaw(const std::int16_t* obs, int numChannels, int c0, int lanes, int n,
                                std::int32_t* raw)
{
    for (int t = 0; t < n; ++t) {
        const std::int16_t* row = obs + static_cast<std::size_t>(t) * static_cast<std::size_t>(numChannels) + c0;
        std::int32_t* out = raw + t * kLanes;
        for (int l = 0; l < kLanes; ++l)
            out[l] = l < lanes ? row[l] : 0;
    }
}

// Read, zero-fill, take out the line: buf[t+1] = calibrated - first - R(t).
ORVA_LANE_INLINE void ReadAndDetrend(const TCellFilter& f, const TLaneCalibration& cal, const std::int32_t* raw,
                                     float* buf, double* line, TFloats& first)
{
    const int n = f.N;
    TInts zero;
    TDoubles gain, scaleBins;
    std::memcpy(&zero, cal.zero, sizeof zero);
    std::memcpy(&gain, cal.gain, sizeof gain);
    lanes::Splat(scaleBins, f.scaleBins);
    const TInts times400 = {400, 400, 400, 400, 400, 400, 400, 400};
    for (int t = 0; t < n; ++t) {
        TInts r;
        std::memcpy(&r, raw + t * kLanes, sizeof r);
        // Session files: the difference and the product by 400 are integer arithmetic.
        TDoubles v;
        if (f.average) {
            lanes::Convert(v, r);
            v = v / scaleBins;
        } else {
            const TInts scaled = (r - zero) * times400;
            lanes::Convert(v, scaled);
            v = v / gain;
        }
        lanes::StoreNarrow(buf + (t + 1) * kLanes, v);
    }
    std::fill(buf, buf + kLanes, 0.0f);
    std::fill(buf + (n + 1) * kLanes, buf + (f.L + 1) * kLanes, 0.0f);
    TDoubles wideFirst, wideLast;
    lanes::Load(first, buf + kLanes);
    lanes::Wide(wideFirst, first);
    lanes::LoadWide(wideLast, buf + n * kLanes);
    const TDoubles rise = wideLast - wideFirst;
    TDoubles count;
    lanes::Splat(count, n);
    for (int t = 0; t < n; ++t) {
        TDoubles time;
        lanes::Splat(time, t);
        TDoubles r = rise * time / count;
        lanes::RoundToEven(r);
        std::memcpy(line + t * kLanes, &r, sizeof r);
        TDoubles b;
        lanes::LoadWide(b, buf + (t + 1) * kLanes);
        lanes::StoreNarrow(buf + (t + 1) * kLanes, (b - wideFirst) - r);
    }
}

// The brick-wall cut: bins K and up, and the half-rate term unless K is beyond L.
ORVA_LANE_INLINE void Cut(const TCellFilter& f, float* buf)
{
    if (2 * f.K + 1 <= f.L)
        std::fill(buf + (2 * f.K + 1) * kLanes, buf + (f.L + 1) * kLanes, 0.0f);
    if (f.K <= f.L)
        std::fill(buf + 2 * kLanes, buf + 3 * kLanes, 0.0f);
}

// Scale by 2/L, put the line back and convert to samples; true if a sample changed.
// Adds to `clamped`, lane by lane, the samples that lay beyond the 16-bit range.
ORVA_LANE_INLINE bool RestoreAndWrite(const TCellFilter& f, const TLaneCalibration& cal, float* buf,
                                      const double* line, const TFloats& first, std::int32_t* raw, TInts& clamped)
{
    TDoubles length, two, scaleBins, four100;
    lanes::Splat(length, f.L);
    lanes::Splat(two, 2.0);
    lanes::Splat(scaleBins, f.scaleBins);
    lanes::Splat(four100, 400.0);
    for (int i = 0; i <= f.L; ++i) {
        TDoubles b;
        lanes::LoadWide(b, buf + i * kLanes);
        lanes::StoreNarrow(buf + i * kLanes, b * two / length);
    }
    TInts zero;
    TDoubles gain, wideFirst;
    std::memcpy(&zero, cal.zero, sizeof zero);
    std::memcpy(&gain, cal.gain, sizeof gain);
    lanes::Wide(wideFirst, first);
    TDoubles wideZero;
    lanes::Convert(wideZero, zero);
    TInts changed{};
    const TInts low16 = {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768};
    const TInts high16 = {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767};
    for (int t = 0; t < f.N; ++t) {
        TDoubles b, r;
        lanes::LoadWide(b, buf + (t + 1) * kLanes);
        std::memcpy(&r, line + t * kLanes, sizeof r);
        TFloats v;
        lanes::Narrow(v, (b + wideFirst) + r);
        TDoubles sample;
        lanes::Wide(sample, v);
        sample = f.average ? scaleBins * sample : gain * sample / four100;
        TInts s;
        StoreScaledSample(sample, wideZero, low16, high16, s, clamped);
        TInts old;
        std::memcpy(&old, raw + t * kLanes, sizeof old);
        changed |= s ^ old;
        std::memcpy(raw + t * kLanes, &s, sizeof s);
    }
    for (int l = 0; l < kLanes; ++l)
        if (changed[l])
            return true;
    return false;
}

// Filters the traces of channels c0 .. c0+lanes-1 of one observation in place.
ORVA_LANE_INLINE bool FilterGroupBody(const TCellFilter& f, const TLaneCalibration& cal, std::int16_t* obs,
                                      int numChannels, int c0, int lanes, float* buf, double* line, std::int32_t* raw,
                                      std::int64_t& clampedCount)
{
    TFloats first;
    GatherRaw(obs, numChannels, c0, lanes, f.N, raw);
    ReadAndDetrend(f, cal, raw, buf, line, first);
    lanes::ForwardRealFFT(buf, *f.plan);
    Cut(f, buf);
    lanes::InverseRealFFT(buf, *f.plan);
    TInts clamped{};
    const bool changed = RestoreAndWrite(f, cal, buf, line, first, raw, clamped);
    for (int l = 0; l < lanes; ++l)
        clampedCount += clamped[l];
    if (!changed)
        return false;
    for (int t = 0; t < f.N; ++t) {
        std::int16_t* row = obs + static_cast<std::size_t>(t) * static_cast<std::size_t>(numChannels) + c0;
        for (int l = 0; l < lanes; ++l)
            row[l] = static_cast<std::int16_t>(raw[t * kLanes + l]);
    }
    return true;
}

using TFilterGroup = bool (*)(const TCellFilter&, const TLaneCalibration&, std::int16_t*, int, int, int, float*,
                              double*, std::int32_t*, std::int64_t&);

// The body above compiled once for every processor of the target and, on x86, once more
// for AVX2 and for AVX-512, chosen at run time. All do the same IEEE operations without
// fused multiply-add, so the bits are the same; only the width of the registers differs.
#define ORVA_FILTER_GROUP(name, ...)                                                                                  \
    __VA_ARGS__ bool name(const TCellFilter& f, const TLaneCalibration& cal, std::int16_t* obs, int numChannels,      \
                          int c0, int lanes, float* buf, double* line, std::int32_t* raw,                             \
                          std::int64_t& clamped)                                                                      \
    {                                                                                                                 \
        return FilterGroupBody(f, cal, obs, numChannels, c0, lanes, buf, line, raw, clamped);                         \
    }
ORVA_FILTER_GROUP(FilterGroupBaseline)
#if defined(ORVA_GNU_LANES) && (defined(__x86_64__) || defined(__i386__))
#define ORVA_X86_KERNELS 1
ORVA_FILTER_GROUP(FilterGroupAvx2, [[gnu::target("avx2")]])
ORVA_FILTER_GROUP(FilterGroupAvx512, [[gnu::target("avx512f")]])
#endif
#undef ORVA_FILTER_GROUP

struct TFilterKernel {
    const char* name;
    TFilterGroup run;
    bool (*supported)();
};

bool Always() { return true; }

const std::vector<TFilterKernel>& AllKernels()
{
    static const std::vector<TFilterKernel> kernels = {
#ifdef ORVA_X86_KERNELS
        {"avx512", FilterGroupAvx512, [] { return __builtin_cpu_supports("avx512f") != 0; }},
        {"avx2", FilterGroupAvx2, [] { return __builtin_cpu_supports("avx2") != 0; }},
#endif
        {"baseline", FilterGroupBaseline, Always},
    };
    return kernels;
}

// The fastest build this processor runs, unless a test asked for another.
std::atomic<TFilterGroup>& ChosenKernel()
{
    static std::atomic<TFilterGroup> chosen = [] {
#ifdef ORVA_X86_KERNELS
        __builtin_cpu_init();
#endif
        for (const auto& k : AllKernels())
            if (k.supported())
                return k.run;
        return TFilterGroup(FilterGroupBaseline);
    }();
    return chosen;
}

TLaneCalibration LaneCalibration(const TORVAFile& file, int c0, int lanes)
{
    TLaneCalibration cal{};
    for (int l = 0; l < kLanes; ++l) {
        const bool used = !file.IsAverageFile() && l < lanes;
        cal.zero[l] = used ? file.DataDescription.Zeros[static_cast<std::size_t>(c0 + l)] : 0;
        cal.gain[l] = used ? file.DataDescription.Gains[static_cast<std::size_t>(c0 + l)] : 1.0;
    }
    return cal;
}

bool HasTraces(const TORVAFile& file, const TORVACell& cell)
{
    return cell.NumObservations > 0 && file.NumChannels() > 0;
}

// Everything that would stop the filter half way, checked before any sample changes.
void CheckFilterable(const TORVAFile& file, float cutoff)
{
    const std::string path = PathText(file.FullFileName);
    if (!(cutoff >= 0.0f)) {
        std::ostringstream text;
        text << "The cut-off frequency must be 0 Hz or more, not " << cutoff << " Hz";
        throw EORVAError(path, text.str());
    }
    const auto& dd = file.DataDescription;
    if (file.Cells.size() != static_cast<std::size_t>(std::max(dd.NumCells, 0)) || dd.NumChannels < 0 ||
        dd.Zeros.size() < static_cast<std::size_t>(dd.NumChannels) ||
        dd.Gains.size() < static_cast<std::size_t>(dd.NumChannels))
        throw EORVAError(path, "Cannot filter: the cells or channels do not match the header counts");
    bool anyTraces = false;
    for (std::size_t i = 0; i < file.Cells.size(); ++i) {
        const TORVACell& cell = file.Cells[i];
        const std::string name = "Cell " + std::to_string(i + 1);
        if (cell.Data.Observations() != cell.NumObservations || cell.Data.Samples() != cell.SamplesPerObservation ||
            cell.Data.Channels() != dd.NumChannels)
            throw EORVAError(path, "Cannot filter: the samples of " + name + " do not match its counts");
        if (cell.SamplesPerSecond <= 0)
            throw EORVAError(path, "Cannot filter: " + name + " has a sampling rate of " +
                                       std::to_string(cell.SamplesPerSecond) + " Hz");
        if (!HasTraces(file, cell))
            continue;
        anyTraces = true;
        if (cell.SamplesPerObservation < 2)
            throw EORVAError(path, "Cannot filter: " + name + " has " + std::to_string(cell.SamplesPerObservation) +
                                       " sample(s) per observation, at least 2 are needed");
    }
    if (anyTraces)
        if (auto problem = FirstCalibrationProblem(file))
            throw EORVAError(path, "Cannot filter: " + *problem);
}

bool FilterCell(const TORVAFile& file, TORVACell& cell, float cutoff, std::int64_t& clamped)
{
    TCellFilter f{};
    f.N = cell.SamplesPerObservation;
    f.L = FilterTransformLength(f.N);
    f.K = FilterCutoffBin(f.L, cutoff, cell.SamplesPerSecond);
    f.average = file.IsAverageFile();
    f.scaleBins = file.GeneralInformation.ScaleBins;
    const TRealFFTPlan plan(f.L / 2);
    f.plan = &plan;
    // One set of buffers per cell, reused by every trace group of the cell.
    TLargeArray<float> buf(static_cast<std::size_t>(f.L + 1) * kLanes);
    TLargeArray<double> line(static_cast<std::size_t>(f.N) * kLanes);
    TLargeArray<std::int32_t> raw(static_cast<std::size_t>(f.N) * kLanes);
    const int channels = file.NumChannels();
    const TFilterGroup filterGroup = ChosenKernel().load();
    bool changed = false;
    for (int c0 = 0; c0 < channels; c0 += kLanes) {
        const int lanes = std::min(kLanes, channels - c0);
        const TLaneCalibration cal = LaneCalibration(file, c0, lanes);
        for (int o = 0; o < cell.NumObservations; ++o)
            changed |= filterGroup(f, cal, cell.Data.Observation(o), channels, c0, lanes, buf.data(), line.data(),
                                   raw.data(), clamped);
    }
    return changed;
}

} // namespace

std::vector<std::string> FilterKernels()
{
    std::vector<std::string> names;
    ChosenKernel(); // the processor's features are read first
    for (const auto& k : AllKernels())
        if (k.supported())
            names.emplace_back(k.name);
    return names;
}

bool UseFilterKernel(const std::string& name)
{
    for (const auto& k : AllKernels())
        if (name == k.name && k.supported()) {
            ChosenKernel().store(k.run);
            return true;
        }
    return false;
}

int FilterTransformLength(int samples)
{
    int length = 1;
    while (length < samples)
        length *= 2;
    return length;
}

int FilterCutoffBin(int length, float cutoff, int samplesPerSecond)
{
    // Compared in double before converting, so a bin that does not fit an int never is converted.
    const double k = std::floor(static_cast<double>(length) * cutoff / static_cast<double>(samplesPerSecond));
    if (!(k >= 0.0))
        return -1; // a negative (or undefined) cut-off: LowPassFilter refuses it
    return k > length ? length + 1 : static_cast<int>(k);
}

std::int64_t LowPassFilter(TORVAFile& file, float cutoff)
{
    CheckFilterable(file, cutoff);
    bool changed = false;
    std::int64_t clamped = 0;
    for (TORVACell& cell : file.Cells)
        if (HasTraces(file, cell))
            changed |= FilterCell(file, cell, cutoff, clamped);
    if (changed)
        file.Saved = false;
    return clamped;
}

} // namespace orva
