#include "tools/BandFilter.h"

#include "model/ORVAError.h"
#include "select/Selection.h"
#include "tools/FirConvolution.h"
#include "tools/FirFilter.h"
#include "tools/IirFilter.h"
#include "tools/LaneTargets.h"
#include "tools/SampleWriteBack.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <numbers>
#include <thread>
#include <variant>

namespace orva {

namespace {

std::string Hz(double hz)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6g Hz", hz);
    return text;
}

std::string Seconds(double s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3g s", s);
    return text;
}

const char* KindName(EBandKind kind)
{
    switch (kind) {
    case EBandKind::LowPass: return "low-pass";
    case EBandKind::HighPass: return "high-pass";
    case EBandKind::BandPass: return "band-pass";
    case EBandKind::Notch: return "notch";
    }
    return "filter";
}

bool HasLow(EBandKind kind) { return kind != EBandKind::LowPass; }
bool HasHigh(EBandKind kind) { return kind == EBandKind::LowPass || kind == EBandKind::BandPass; }

// The frequencies of the options with what they are called in messages.
std::vector<std::pair<std::string, double>> Frequencies(const TBandFilterOptions& o)
{
    std::vector<std::pair<std::string, double>> f;
    if (o.Kind == EBandKind::Notch)
        f.emplace_back("the notch frequency", o.LowHz);
    else if (o.Kind == EBandKind::HighPass)
        f.emplace_back("the high-pass cut-off", o.LowHz);
    else if (o.Kind == EBandKind::LowPass)
        f.emplace_back("the low-pass cut-off", o.HighHz);
    else {
        f.emplace_back("the band's low edge", o.LowHz);
        f.emplace_back("the band's high edge", o.HighHz);
    }
    return f;
}

int OrderOf(const TBandFilterOptions& o) { return o.Order.value_or(kDefaultButterworthOrder); }

EButterworthKind ButterworthKind(EBandKind kind)
{
    return kind == EBandKind::LowPass ? EButterworthKind::LowPass
         : kind == EBandKind::HighPass ? EButterworthKind::HighPass
                                       : EButterworthKind::BandPass;
}

std::optional<double> Optional(bool present, double hz) { return present ? std::optional<double>(hz) : std::nullopt; }

TFirDesign FirFor(const TBandFilterOptions& o, double rate)
{
    if (o.Kind == EBandKind::Notch)
        return DesignFirNotch(rate, o.LowHz, o.NotchWidthHz);
    return DesignFir(rate, Optional(HasLow(o.Kind), o.LowHz), Optional(HasHigh(o.Kind), o.HighHz));
}

// One filter per sampling rate and epoch length, designed once and run over every
// observation of that rate and length. Copies keep their own work buffers (one per thread).
class TDesignedFilter {
public:
    TDesignedFilter(const TBandFilterOptions& o, double rate, int samples)
    {
        if (o.Design == EFilterDesign::Fir) {
            if (samples > 0)
                filter_.emplace<TFirConvolution>(FirFor(o, rate), samples);
        } else if (o.Kind == EBandKind::Notch)
            filter_.emplace<TZeroPhaseIir>(std::vector<TSecondOrderSection>{DesignNotch(o.LowHz, kNotchQuality, rate)});
        else
            filter_.emplace<TZeroPhaseIir>(DesignButterworth(OrderOf(o), ButterworthKind(o.Kind), o.LowHz, o.HighHz, rate));
    }

    // samples x channels, channels adjacent
    void Apply(double* values, std::size_t samples, std::size_t channels)
    {
        if (auto* iir = std::get_if<TZeroPhaseIir>(&filter_))
            iir->Apply(values, samples, channels);
        else if (auto* fir = std::get_if<TFirConvolution>(&filter_))
            fir->Apply(values, channels);
    }

private:
    std::variant<std::monostate, TZeroPhaseIir, TFirConvolution> filter_;
};

// The filters of a file: one per rate and length, and which one each cell takes.
struct TFileFilters {
    std::vector<TDesignedFilter> Filters;
    std::vector<std::size_t> OfCell;

    TFileFilters(const TORVAFile& file, const TBandFilterOptions& o)
    {
        std::map<std::pair<double, int>, std::size_t> index;
        for (const TORVACell& cell : file.Cells) {
            const std::pair<double, int> key(cell.SamplesPerSecond, cell.SamplesPerObservation);
            const auto [at, added] = index.try_emplace(key, Filters.size());
            if (added)
                Filters.emplace_back(o, key.first, key.second);
            OfCell.push_back(at->second);
        }
    }
};

// The rows of one observation: its samples and their values, channels adjacent.
struct TObservationRows {
    double* Values;
    std::int16_t* Raw;
    std::size_t Rows, Channels;
    const double* Zeros;
    const double* Gains;
    std::int64_t* Clamped;
};

// The rows of one observation back into its samples.
ORVA_LANE_INLINE void StoreRows(const TObservationRows& w)
{
    lanes::TInts clamped{};
    for (std::size_t s = 0; s < w.Rows; ++s)
        StoreSessionRow(w.Values + s * w.Channels, w.Raw + s * w.Channels, w.Channels, w.Zeros, w.Gains, clamped);
    for (int l = 0; l < lanes::kWidth; ++l)
        *w.Clamped += clamped[l];
}

ORVA_LANE_BUILDS(StoreRows, (const TObservationRows& w), (w))

// The calibrated rows of one observation: (raw - zero) x 400 / gain in double, the
// operations (and so the bits) of TRowCalibration and CalibratedValue, kWidth channels at
// a time where a whole vector of them is left.
ORVA_LANE_INLINE void CalibrateRows(const TObservationRows& w)
{
    using namespace lanes;
    TDoubles four100;
    Splat(four100, 400.0);
    for (std::size_t s = 0; s < w.Rows; ++s) {
        const std::int16_t* raw = w.Raw + s * w.Channels;
        double* values = w.Values + s * w.Channels;
        std::size_t g = 0;
#ifdef ORVA_GNU_LANES
        for (; g + kWidth <= w.Channels; g += kWidth) {
            typedef std::int16_t TShorts __attribute__((vector_size(16)));
            TShorts shorts;
            std::memcpy(&shorts, raw + g, sizeof shorts);
            // through int: GCC 12 converts shorts to doubles one by one
            const TInts ints = __builtin_convertvector(shorts, TInts);
            TDoubles v, z, k;
            Convert(v, ints);
            LoadDoubles(z, w.Zeros + g);
            LoadDoubles(k, w.Gains + g);
            StoreDoubles(values + g, (v - z) * four100 / k);
        }
#endif
        for (; g < w.Channels; ++g)
            values[g] = (static_cast<double>(raw[g]) - w.Zeros[g]) * 400.0 / w.Gains[g];
    }
}

ORVA_LANE_BUILDS(CalibrateRows, (const TObservationRows& w), (w))

// A session file's observations, each read, filtered and written back on its own, shared
// among `jobs` threads in small runs taken in turn. An observation's result does not depend
// on the thread that computes it, and the clamped values are counted, so the file and the
// count are the same for any number of threads.
TErpResult FilterSessionFile(TORVAFile file, const TFileFilters& filters, int jobs)
{
    const auto channels = static_cast<std::size_t>(file.NumChannels());
    std::vector<std::pair<int, int>> work; // (cell, first observation) of runs of kRun
    constexpr int kRun = 8;
    std::size_t largest = 0;
    for (int c = 0; c < file.NumCells(); ++c) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        for (int o = 0; o < cell.NumObservations; o += kRun)
            work.emplace_back(c, o);
        largest = std::max(largest, cell.Data.ValuesPerObservation());
    }
    // The channels' zeros and gains for the lanes, padded to whole vectors.
    const std::size_t padded = (channels + lanes::kWidth - 1) / lanes::kWidth * lanes::kWidth;
    std::vector<double> zeros(padded, 0.0), gains(padded, 1.0);
    for (std::size_t h = 0; h < channels; ++h) {
        zeros[h] = file.DataDescription.Zeros[h];
        gains[h] = file.DataDescription.Gains[h];
    }
    const auto storeRows = ORVA_PICK_LANE_BUILD(StoreRows);
    const auto calibrateRows = ORVA_PICK_LANE_BUILD(CalibrateRows);
    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> clamped{0};
    std::mutex failure;
    std::exception_ptr error;
    const auto worker = [&] {
        try {
            TFileFilters own = filters;
            std::vector<double> values(largest);
            std::int64_t count = 0;
            for (std::size_t w; (w = next.fetch_add(1)) < work.size();) {
                const auto [c, first] = work[w];
                TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
                TDesignedFilter& filter = own.Filters[own.OfCell[static_cast<std::size_t>(c)]];
                const auto samples = static_cast<std::size_t>(cell.SamplesPerObservation);
                for (int o = first; o < std::min(first + kRun, cell.NumObservations); ++o) {
                    std::int16_t* raw = cell.Data.Observation(o);
                    calibrateRows({values.data(), raw, samples, channels, zeros.data(), gains.data(), &count});
                    filter.Apply(values.data(), samples, channels);
                    storeRows({values.data(), raw, samples, channels, zeros.data(), gains.data(), &count});
                }
            }
            clamped += count;
        } catch (...) {
            const std::lock_guard lock(failure);
            error = std::current_exception();
            next = work.size();
        }
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < std::min<std::ptrdiff_t>(std::max(jobs, 1), static_cast<std::ptrdiff_t>(work.size())); ++t)
        threads.emplace_back(worker);
    worker();
    for (std::thread& thread : threads)
        thread.join();
    if (error)
        std::rethrow_exception(error);
    TErpResult result;
    result.Clamped = clamped;
    file.Saved = false;
    result.File = std::move(file);
    return result;
}

} // namespace

std::string BandFilterText(const TBandFilterOptions& o)
{
    std::string text = std::string("a ") + KindName(o.Kind) + " of ";
    if (o.Kind == EBandKind::BandPass)
        text += Hz(o.LowHz).substr(0, Hz(o.LowHz).size() - 3) + "-" + Hz(o.HighHz);
    else
        text += Hz(HasHigh(o.Kind) ? o.HighHz : o.LowHz);
    if (o.Design == EFilterDesign::Fir)
        return text + " (FIR as MNE-Python designs it, zero phase)";
    if (o.Kind == EBandKind::Notch)
        return text + " (IIR notch, Q = 30, forward and backward)";
    return text + " (Butterworth, order " + std::to_string(OrderOf(o)) + ", forward and backward)";
}

void CheckBandFilterOptions(const TBandFilterOptions& o)
{
    const auto refuse = [](const std::string& cause) { throw EORVAError("filter", cause); };
    for (const auto& [name, hz] : Frequencies(o))
        if (!(hz > 0) || !std::isfinite(hz))
            refuse(name + " must be a positive finite number of Hz, not " + std::to_string(hz));
    if (o.Kind == EBandKind::BandPass && !(o.LowHz < o.HighHz))
        refuse("the band's low edge (" + Hz(o.LowHz) + ") must be below its high edge (" + Hz(o.HighHz) + ")");
    if (o.Order && o.Design == EFilterDesign::Fir)
        refuse("the FIR design chooses its own length; an order is for the IIR design");
    if (o.Order && o.Kind == EBandKind::Notch)
        refuse("the notch is a second-order filter; it takes no order");
    if (o.Order && (*o.Order < 1 || *o.Order > 8))
        refuse("the order must be 1 to 8, not " + std::to_string(*o.Order));
    if (o.NotchWidthHz && o.Kind != EBandKind::Notch)
        refuse("a notch width is for a notch");
    if (o.NotchWidthHz && o.Design != EFilterDesign::Fir)
        refuse("the IIR notch has a quality factor of 30 (a width of f0 / 30); a notch width is for the FIR design");
    if (o.NotchWidthHz && (!(*o.NotchWidthHz > 0) || !std::isfinite(*o.NotchWidthHz)))
        refuse("the notch width must be a positive finite number of Hz");
}

void CheckBandFilterFor(const TORVAFile& file, const TBandFilterOptions& o)
{
    CheckBandFilterOptions(o);
    RequireUsable(file, "filter");
    for (int c = 0; c < file.NumCells(); ++c) {
        const double rate = file.Cells[static_cast<std::size_t>(c)].SamplesPerSecond;
        if (!(rate > 0))
            RefuseExport(file, "Cannot filter: " + CellText(file, c) + " has no sampling rate");
        for (const auto& [name, hz] : Frequencies(o))
            if (!(hz < rate / 2))
                RefuseExport(file, "Cannot filter: " + name + " of " + Hz(hz) +
                                       " is not below the Nyquist frequency (" + Hz(rate / 2) + ") of the file's rate of " +
                                       Hz(rate) + (file.NumCells() > 1 ? " (" + CellText(file, c) + ")" : ""));
    }
}

std::vector<std::string> BandFilterWarnings(const TORVAFile& file, const TBandFilterOptions& o)
{
    std::vector<std::string> notes;
    std::map<std::pair<double, int>, bool> seen;
    for (const TORVACell& cell : file.Cells) {
        const double rate = cell.SamplesPerSecond;
        const int samples = cell.SamplesPerObservation;
        if (!seen.emplace(std::pair(rate, samples), true).second || !(rate > 0))
            continue;
        const std::string epoch = "the epoch lasts " + Seconds(samples / rate) + " (" + std::to_string(samples) +
                                  " samples at " + Hz(rate) + ")";
        if (o.Design == EFilterDesign::Fir) {
            const std::size_t taps = FirFor(o, rate).Taps.size();
            if (taps > static_cast<std::size_t>(samples))
                notes.push_back("the FIR filter is " + std::to_string(taps) + " samples long (" +
                                Seconds(static_cast<double>(taps) / rate) + ") but " + epoch +
                                ": the edges will be distorted");
        }
        if (o.Kind == EBandKind::HighPass || o.Kind == EBandKind::BandPass) {
            const double tau = 1 / (2 * std::numbers::pi * o.LowHz);
            if (tau > samples / rate)
                notes.push_back("a high-pass at " + Hz(o.LowHz) + " has a time constant of " + Seconds(tau) +
                                " but " + epoch + ": the edges will be distorted");
        }
    }
    return notes;
}

TErpResult BandFilter(TORVAFile file, const TBandFilterOptions& o) { return BandFilter(std::move(file), o, 1); }

TErpResult BandFilter(TORVAFile file, const TBandFilterOptions& o, int jobs)
{
    CheckBandFilterFor(file, o);
    std::vector<std::string> notes = BandFilterWarnings(file, o);
    TFileFilters filters(file, o);
    TErpResult result;
    if (file.IsSessionFile())
        result = FilterSessionFile(std::move(file), filters, jobs);
    else {
        std::vector<std::size_t> samples;
        for (const TORVACell& cell : file.Cells)
            samples.push_back(static_cast<std::size_t>(cell.SamplesPerObservation));
        const auto channels = static_cast<std::size_t>(file.NumChannels());
        result = ChangeObservations(std::move(file), [&](int c, int, double* values) {
            const auto cell = static_cast<std::size_t>(c);
            filters.Filters[filters.OfCell[cell]].Apply(values, samples[cell], channels);
        });
    }
    result.Notes.insert(result.Notes.end(), notes.begin(), notes.end());
    return result;
}

void BandFilterTrace(double* values, int samples, double rate, const TBandFilterOptions& options)
{
    CheckBandFilterOptions(options);
    if (samples <= 0)
        return;
    TDesignedFilter filter(options, rate, samples);
    filter.Apply(values, static_cast<std::size_t>(samples), 1);
}

} // namespace orva
