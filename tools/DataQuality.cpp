#include "tools/DataQuality.h"

#include "model/Calibration.h"
#include "model/PathText.h"
#include "select/CsvText.h"
#include "select/TimeWindow.h"
#include "tools/ErpDocument.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <set>

namespace orva {

namespace {

constexpr double kDefaultWidthMs = 100;
const char* const kCannot = "Cannot measure data quality: ";

TSelectionList AllBelow(int count)
{
    TSelectionList all;
    for (int i = 0; i < count; ++i)
        all.push_back(i);
    return all;
}

// Each listed index once, ascending: a row per cell and channel, whatever the list repeats.
TSelectionList Distinct(const std::optional<TSelectionList>& list, int count)
{
    if (!list)
        return AllBelow(count);
    const std::set<int> distinct(list->begin(), list->end());
    return {distinct.begin(), distinct.end()};
}

std::optional<TSampleRange> QualitySamples(const TORVACell& cell, TQualityWindow window, std::int32_t baselineMs)
{
    TSampleRange range{0, -1};
    for (int s = 0; s < cell.SamplesPerObservation; ++s) {
        const double t = QualityTime(cell, s, baselineMs);
        if (t < window.Start || t > window.End)
            continue;
        if (range.Last < 0)
            range.First = s;
        range.Last = s;
    }
    if (range.Last < 0)
        return std::nullopt;
    return range;
}

std::string TimeRangeText(const TORVACell& cell, std::int32_t baselineMs)
{
    if (cell.SamplesPerObservation <= 0)
        return "it has no samples";
    return "its samples lie from " + ShortDecimal(QualityTime(cell, 0, baselineMs), 3) + " to " +
           ShortDecimal(QualityTime(cell, cell.SamplesPerObservation - 1, baselineMs), 3) + " ms";
}

// The standard deviation (n - 1) of count values step apart, in two passes.
std::optional<double> SampleSd(const double* values, std::size_t count, std::size_t step)
{
    if (count < 2)
        return std::nullopt;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += values[i * step];
    const double mean = sum / static_cast<double>(count);
    double squares = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double d = values[i * step] - mean;
        squares += d * d;
    }
    return std::sqrt(squares / static_cast<double>(count - 1));
}

// Mean and sum of squared deviations, one value at a time: the bootstrap keeps no list of
// its averages' measures, so its memory does not grow with their number.
struct TRunningSd {
    double Mean = 0;
    double Squares = 0;
    std::int64_t Count = 0;

    void Add(double x)
    {
        ++Count;
        const double d = x - Mean;
        Mean += d / static_cast<double>(Count);
        Squares += d * (x - Mean);
    }
    std::optional<double> Sd() const
    {
        if (Count < 2)
            return std::nullopt;
        return std::sqrt(Squares / static_cast<double>(Count - 1));
    }
};

// The samples a bootstrap average needs for one window: the window, and for a local peak
// its neighbours inside the epoch.
TSampleRange BootstrapSpan(const TORVACell& cell, TSampleRange window, const TQualityOptions& options)
{
    bool peak = false;
    for (TMeasureKind m : options.Measures)
        peak = peak || m == TMeasureKind::Peak || m == TMeasureKind::PeakLatency ||
               m == TMeasureKind::FractionalPeakLatency;
    const int reach = peak ? options.Settings.Neighbours : 0;
    return {std::max(0, window.First - reach), std::min(cell.SamplesPerObservation - 1, window.Last + reach)};
}

struct TCellWindow {
    TQualityWindow Window;
    TSampleRange Samples;
    TSampleRange Span;
};

class TCellQuality {
public:
    TCellQuality(const TORVAFile& file, int c, const TSelectionList& trials, const std::vector<TCellWindow>& windows,
                 const TQualityOptions& options)
        : cell_(file.Cells[static_cast<std::size_t>(c)]), c_(c), trials_(trials), windows_(windows),
          options_(options), calibration_(file), width_(static_cast<std::size_t>(file.NumChannels()))
    {
    }

    // Row r of the cell's block: window w, channel channels[k].
    void Fill(const TSelectionList& channels, std::vector<TQualityRow>& rows) const
    {
        const std::vector<std::vector<double>> asme = AnalyticSme();
        const std::vector<std::optional<double>> baseline = BaselineSd();
        const std::vector<std::vector<TRunningSd>> bsme = BootstrapSme();
        const std::size_t measures = options_.Measures.size();
        for (std::size_t w = 0; w < windows_.size(); ++w) {
            for (int h : channels) {
                TQualityRow row;
                row.Cell = c_;
                row.Channel = h;
                row.Window = windows_[w].Window;
                row.Trials = static_cast<int>(trials_.size());
                row.Asme = asme[w][static_cast<std::size_t>(h)];
                row.BaselineSd = baseline[static_cast<std::size_t>(h)];
                for (std::size_t m = 0; m < measures; ++m)
                    row.Bsme.push_back(bsme[w][m * width_ + static_cast<std::size_t>(h)].Sd());
                rows.push_back(std::move(row));
            }
        }
    }

private:
    // One pass over each trial's contiguous samples gives the raw sums of every window; each
    // sum becomes the calibrated window mean as the average calibrates its sums.
    std::vector<std::vector<double>> AnalyticSme() const
    {
        const std::size_t n = trials_.size();
        std::vector<std::vector<double>> means(windows_.size(), std::vector<double>(n * width_, 0.0));
        for (std::size_t t = 0; t < n; ++t) {
            const std::int16_t* raw = cell_.Data.Observation(trials_[t]);
            for (std::size_t w = 0; w < windows_.size(); ++w) {
                const TSampleRange range = windows_[w].Samples;
                double* acc = means[w].data() + t * width_;
                for (int s = range.First; s <= range.Last; ++s) {
                    const std::int16_t* row = raw + static_cast<std::size_t>(s) * width_;
                    for (std::size_t h = 0; h < width_; ++h)
                        acc[h] += row[h];
                }
                calibration_.MeansOfSums(acc, width_, range.Last - range.First + 1);
            }
        }
        std::vector<std::vector<double>> sme(windows_.size(), std::vector<double>(width_, 0.0));
        for (std::size_t w = 0; w < windows_.size(); ++w)
            for (std::size_t h = 0; h < width_; ++h)
                sme[w][h] = *SampleSd(means[w].data() + h, n, width_) / std::sqrt(static_cast<double>(n));
        return sme;
    }

    // The average of the trials over the samples before 0 ms only.
    std::vector<std::optional<double>> BaselineSd() const
    {
        int before = 0;
        while (before < cell_.SamplesPerObservation && QualityTime(cell_, before, options_.Average.BaselineMs) < 0)
            ++before;
        std::vector<std::optional<double>> sd(width_);
        if (before < 2)
            return sd;
        const std::size_t size = static_cast<std::size_t>(before) * width_;
        std::vector<double> average(size, 0.0);
        for (int o : trials_) {
            const std::int16_t* raw = cell_.Data.Observation(o);
            for (std::size_t i = 0; i < size; ++i)
                average[i] += raw[i];
        }
        calibration_.MeansOfSums(average.data(), size, static_cast<int>(trials_.size()));
        for (std::size_t h = 0; h < width_; ++h)
            sd[h] = SampleSd(average.data() + h, static_cast<std::size_t>(before), width_);
        return sd;
    }

    // [window][measure x channels + channel]: each bootstrap average is summed over the
    // samples its measures look at, never the whole epoch.
    std::vector<std::vector<TRunningSd>> BootstrapSme() const
    {
        const std::size_t measures = options_.Measures.size();
        std::vector<std::vector<TRunningSd>> sd(windows_.size(), std::vector<TRunningSd>(measures * width_));
        if (options_.Bootstrap <= 0 || measures == 0)
            return sd;
        const int n = static_cast<int>(trials_.size());
        const TSampleTimes times{cell_.SamplesPerSecond, options_.Average.BaselineMs};
        TQualityRandom random(options_.Seed, c_);
        std::vector<int> picks(static_cast<std::size_t>(n));
        std::vector<double> sum;
        // One trace per window, as long as the epoch up to the span's end; only the span is
        // ever written or read (a local peak's neighbours lie in it, see BootstrapSpan).
        std::vector<std::vector<double>> traces;
        for (const TCellWindow& w : windows_)
            traces.emplace_back(static_cast<std::size_t>(w.Span.Last + 1), 0.0);
        for (int b = 0; b < options_.Bootstrap; ++b) {
            for (int& pick : picks)
                pick = trials_[static_cast<std::size_t>(random.Below(n))];
            for (std::size_t w = 0; w < windows_.size(); ++w) {
                const TSampleRange span = windows_[w].Span;
                const std::size_t length = static_cast<std::size_t>(span.Last - span.First + 1);
                sum.assign(length * width_, 0.0);
                for (int o : picks) {
                    const std::int16_t* raw = cell_.Data.Observation(o) + static_cast<std::size_t>(span.First) * width_;
                    for (std::size_t i = 0; i < sum.size(); ++i)
                        sum[i] += raw[i];
                }
                calibration_.MeansOfSums(sum.data(), sum.size(), n);
                std::vector<double>& trace = traces[w];
                for (std::size_t h = 0; h < width_; ++h) {
                    for (std::size_t s = 0; s < length; ++s)
                        trace[static_cast<std::size_t>(span.First) + s] = sum[s * width_ + h];
                    for (std::size_t m = 0; m < measures; ++m) {
                        const TTraceValue v =
                            MeasureTraceValue(trace, windows_[w].Samples, times, options_.Measures[m], options_.Settings);
                        if (v.Value)
                            sd[w][m * width_ + h].Add(*v.Value);
                    }
                }
            }
        }
        return sd;
    }

    const TORVACell& cell_;
    int c_;
    const TSelectionList& trials_;
    const std::vector<TCellWindow>& windows_;
    const TQualityOptions& options_;
    TRowCalibration calibration_;
    std::size_t width_;
};

std::vector<TQualityWindow> WindowsOf(const TORVACell& cell, const TQualityOptions& options)
{
    return options.Windows.empty() ? DefaultQualityWindows(cell, options.Average.BaselineMs) : options.Windows;
}

} // namespace

double QualityTime(const TORVACell& cell, int s, std::int32_t baselineMs)
{
    return TSampleTimes{cell.SamplesPerSecond, baselineMs}.At(s);
}

std::vector<TQualityWindow> DefaultQualityWindows(const TORVACell& cell, std::int32_t baselineMs)
{
    std::vector<TQualityWindow> windows;
    if (cell.SamplesPerObservation <= 0 || cell.SamplesPerSecond <= 0)
        return windows;
    const double first = QualityTime(cell, 0, baselineMs);
    const double last = QualityTime(cell, cell.SamplesPerObservation - 1, baselineMs);
    for (double k = std::floor(first / kDefaultWidthMs) - 1; k * kDefaultWidthMs <= last; ++k) {
        const TQualityWindow w{k * kDefaultWidthMs, (k + 1) * kDefaultWidthMs};
        if (w.Start >= first && w.End <= last)
            windows.push_back(w);
    }
    return windows;
}

void CheckQuality(const TORVAFile& session, const TQualityOptions& options)
{
    if (!session.IsSessionFile())
        RefuseExport(session, std::string(kCannot) + "this is an average file: its observations are subjects, not trials");
    CheckAverage(session, options.Average);
    if (options.Cells)
        CheckSelectionEntries(session, "Cells", *options.Cells, session.NumCells(), "");
    if (options.Channels)
        CheckSelectionEntries(session, "Channels", *options.Channels, session.NumChannels(),
                              session.NumChannels() > 0 ? "" : "the file has no channels");
    for (const TQualityWindow& w : options.Windows) {
        if (!std::isfinite(w.Start) || !std::isfinite(w.End))
            RefuseExport(session, std::string(kCannot) + "a window must be given by two finite times");
        if (w.Start > w.End)
            RefuseExport(session, std::string(kCannot) + "the window starts at " + ShortDecimal(w.Start, 3) +
                                      " ms, after its end at " + ShortDecimal(w.End, 3) + " ms");
    }
    if (options.Bootstrap < 0 || options.Bootstrap == 1)
        RefuseExport(session, std::string(kCannot) + "a bootstrap needs 2 or more averages, not " +
                                  std::to_string(options.Bootstrap));
    if ((options.Bootstrap > 0) != !options.Measures.empty())
        RefuseExport(session, std::string(kCannot) + "a bootstrap and its measures go together");
    if (options.Settings.Neighbours < 0)
        RefuseExport(session, std::string(kCannot) + "the number of neighbours is " +
                                  std::to_string(options.Settings.Neighbours) + "; it must be 0 (simple peak) or more");
    if (!(options.Settings.Fraction >= 0 && options.Settings.Fraction <= 1))
        RefuseExport(session, std::string(kCannot) + "the fraction must lie from 0 to 1");
    for (int c : Distinct(options.Cells, session.NumCells())) {
        const TORVACell& cell = session.Cells[static_cast<std::size_t>(c)];
        const std::string where = "Cell " + std::to_string(c + 1);
        if (options.Windows.empty() && DefaultQualityWindows(cell, options.Average.BaselineMs).empty())
            RefuseExport(session, where + " has no 100 ms window from 0 ms outward inside its epoch: " +
                                      TimeRangeText(cell, options.Average.BaselineMs) + "; give --window");
        for (const TQualityWindow& w : options.Windows)
            if (!QualitySamples(cell, w, options.Average.BaselineMs))
                RefuseExport(session, where + " has no sample in the window " + ShortDecimal(w.Start, 3) + " to " +
                                          ShortDecimal(w.End, 3) + " ms: " +
                                          TimeRangeText(cell, options.Average.BaselineMs));
    }
}

TQualityTable MeasureQuality(const TORVAFile& session, const TQualityOptions& options)
{
    CheckQuality(session, options);
    TQualityTable table;
    const TSelectionList channels = Distinct(options.Channels, session.NumChannels());
    for (int c : Distinct(options.Cells, session.NumCells())) {
        const TORVACell& cell = session.Cells[static_cast<std::size_t>(c)];
        std::vector<TCellWindow> windows;
        for (const TQualityWindow& w : WindowsOf(cell, options)) {
            const TSampleRange samples = *QualitySamples(cell, w, options.Average.BaselineMs);
            windows.push_back({w, samples, BootstrapSpan(cell, samples, options)});
        }
        const TSelectionList trials = AveragedObservations(session, options.Average, c);
        if (trials.size() >= 2) {
            TCellQuality(session, c, trials, windows, options).Fill(channels, table.Rows);
            continue;
        }
        table.Notes.push_back(CellText(session, c) + " of " + PathText(session.FullFileName) + " has " +
                              std::to_string(trials.size()) + (trials.size() == 1 ? " trial" : " trials") +
                              ": its standardized measurement errors are left empty");
        for (const TCellWindow& w : windows)
            for (int h : channels) {
                TQualityRow row;
                row.Cell = c;
                row.Channel = h;
                row.Window = w.Window;
                row.Trials = static_cast<int>(trials.size());
                row.Bsme.resize(options.Measures.size());
                table.Rows.push_back(std::move(row));
            }
    }
    return table;
}

TQualityRandom::TQualityRandom(std::uint64_t seed, int cell)
    : generator_(seed + static_cast<std::uint64_t>(cell + 1) * kSplitMixIncrement)
{
}

std::uint64_t TQualityRandom::Next() { return generator_.Next(); }

int TQualityRandom::Below(int n)
{
    const int bits = std::bit_width(static_cast<std::uint64_t>(n - 1));
    if (bits == 0)
        return 0;
    for (;;) {
        const std::uint64_t r = Next() >> (64 - bits);
        if (r < static_cast<std::uint64_t>(n))
            return static_cast<int>(r);
    }
}

std::string QualityNumber(double value)
{
    // Four decimals are beyond the exports' formatter (its scaled mantissa must fit 64 bits);
    // to_chars rounds the exact binary value correctly and ignores the locale.
    char text[400];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    if (ec != std::errc())
        return "nan";
    std::string out(text, end);
    if (out == "-0.0000")
        out.erase(0, 1);
    return out;
}

} // namespace orva
