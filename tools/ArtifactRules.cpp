#include "tools/ArtifactRules.h"

#include "model/Calibration.h"
#include "select/TimeWindow.h"
#include "select/NumberFormat.h"
#include "tools/SlidingRange.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace orva {

namespace {

constexpr const char* kCannot = "Cannot test for artifacts: ";

std::string Number(double value)
{
    char text[kMaxFormattedLength];
    return std::string(text, FormatFixed(text, value, 0, 3, '.'));
}

void CheckThreshold(const TORVAFile& file, const char* name, const std::optional<double>& value)
{
    if (value && !(std::isfinite(*value) && *value > 0))
        RefuseExport(file, std::string(kCannot) + "the " + name + " threshold must be a positive number of microvolts");
}

// The channels tested, ascending, each once.
std::vector<int> TestedChannels(const TORVAFile& file, const TArtifactRules& rules)
{
    std::set<int> chosen;
    if (rules.Channels)
        chosen.insert(rules.Channels->begin(), rules.Channels->end());
    else
        for (int h = 0; h < file.NumChannels(); ++h)
            chosen.insert(h);
    for (int h : rules.BadChannels)
        chosen.erase(h);
    return {chosen.begin(), chosen.end()};
}

// The samples of a cell that the rules look at.
TSampleRange TestWindow(const TORVAFile& file, const TORVACell& cell, const TArtifactRules& rules)
{
    if (!rules.WindowStart)
        return {0, cell.SamplesPerObservation - 1};
    return *WindowSamples(file, cell, *rules.WindowStart, *rules.WindowEnd);
}

// Calibrated range and largest magnitude of one channel from its raw extremes. Calibration
// is monotonic (rising or, for a negative gain, falling), so the calibrated extremes are
// those of the raw extremes, exactly as if every value had been calibrated.
struct TExtremes {
    double Range = 0;
    double Magnitude = 0;
};
TExtremes Extremes(double a, double b) { return {std::fabs(b - a), std::max(std::fabs(a), std::fabs(b))}; }
TExtremes Calibrated(const TORVAFile& file, std::int16_t lo, std::int16_t hi, int h)
{
    return Extremes(CalibratedValue(file, lo, h), CalibratedValue(file, hi, h));
}

// Whether any moving window of channel h has a calibrated range beyond the threshold. The
// largest raw range settles it unless its calibrated value lies within rounding of the
// threshold; only then is every window's range calibrated.
bool WindowExceeds(const TORVAFile& file, const TSlidingRange& sliding, int h, TWindowSteps steps, int length,
                   double threshold)
{
    const std::size_t channel = static_cast<std::size_t>(h);
    const double factor = 400.0 / std::fabs(static_cast<double>(file.DataDescription.Gains[channel]));
    const double range = sliding.Largest()[channel] * factor;
    // The calibrated values are below 65536 x factor in magnitude; each of the few roundings
    // between them and the range errs by less than 2^-52 of that.
    const double margin = 16 * (65536 * factor + threshold) * 0x1p-52;
    if (range > threshold + margin)
        return true;
    if (range < threshold - margin)
        return false;
    for (int start = 0; start + steps.Width <= length; start += steps.Step)
        if (Calibrated(file, sliding.Min(start, channel), sliding.Max(start, channel), h).Range > threshold)
            return true;
    return false;
}

TCellFlags DetectInCell(const TORVAFile& file, const TArtifactRules& rules, int c, const std::vector<int>& channels)
{
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
    TCellFlags out;
    out.Cell = c;
    out.Trials.resize(static_cast<std::size_t>(std::max(0, cell.NumObservations)));
    if (cell.SamplesPerObservation <= 0 || channels.empty())
        return out;
    const TSampleRange range = TestWindow(file, cell, rules);
    const int length = range.Last - range.First + 1;
    const std::size_t stride = static_cast<std::size_t>(file.NumChannels());
    std::optional<TWindowSteps> steps;
    if (rules.PeakToPeak && rules.Moving) {
        steps = MovingWindowSteps(*rules.Moving, cell.SamplesPerSecond);
        if (length < steps->Width) // a test window shorter than the moving window is one window
            steps.reset();
    }
    TSlidingRange sliding(steps ? length : 0, stride);
    std::vector<std::int16_t> lo(stride), hi(stride);
    // The rows of raw minima and maxima are calibrated as rows, the tested channels only.
    const TRowCalibration calibration(file, channels);
    std::vector<double> low(channels.size()), high(channels.size());
    for (int o = 0; o < cell.NumObservations; ++o) {
        const std::int16_t* raw = cell.Data.Observation(o);
        // Raw extremes of every channel over the test window, a row of channels at a time.
        const std::int16_t* row = raw + static_cast<std::size_t>(range.First) * stride;
        std::copy(row, row + stride, lo.begin());
        std::copy(row, row + stride, hi.begin());
        for (int s = 1; s < length; ++s) {
            row += stride;
            for (std::size_t h = 0; h < stride; ++h) {
                lo[h] = std::min(lo[h], row[h]);
                hi[h] = std::max(hi[h], row[h]);
            }
        }
        bool measured = false; // the windows are measured once a channel needs them
        auto windowExceeds = [&](int h) {
            if (!measured)
                sliding.Measure(raw + static_cast<std::size_t>(range.First) * stride, steps->Width, steps->Step);
            measured = true;
            return WindowExceeds(file, sliding, h, *steps, length, *rules.PeakToPeak);
        };
        calibration.Row(lo.data(), low.data());
        calibration.Row(hi.data(), high.data());
        TTrialFlags& trial = out.Trials[static_cast<std::size_t>(o)];
        for (std::size_t k = 0; k < channels.size(); ++k) {
            const int h = channels[k];
            const TExtremes e = Extremes(low[k], high[k]);
            std::uint8_t bits = 0;
            if (rules.PeakToPeak && e.Range > *rules.PeakToPeak &&
                (!steps || windowExceeds(h)))
                bits |= kRulePeakToPeak;
            if (rules.Flat && e.Range < *rules.Flat)
                bits |= kRuleFlat;
            if (rules.Absolute && e.Magnitude > *rules.Absolute)
                bits |= kRuleAbsolute;
            if (bits != 0) {
                trial.Rules |= bits;
                trial.Channels.push_back(h);
            }
        }
        trial.Bad = trial.Rules != 0;
    }
    return out;
}

} // namespace

std::string_view ArtifactRuleName(TArtifactRule rule)
{
    switch (rule) {
    case kRulePeakToPeak:
        return "peak-to-peak";
    case kRuleFlat:
        return "flat";
    case kRuleAbsolute:
        return "absolute";
    }
    return "";
}

std::string ArtifactRuleNames(std::uint8_t bits)
{
    std::string names;
    for (TArtifactRule rule : kArtifactRules)
        if ((bits & rule) != 0)
            names.append(names.empty() ? "" : " ").append(ArtifactRuleName(rule));
    return names;
}

std::uint8_t RulesInUse(const TArtifactRules& rules)
{
    return static_cast<std::uint8_t>((rules.PeakToPeak ? kRulePeakToPeak : 0) | (rules.Flat ? kRuleFlat : 0) |
                                     (rules.Absolute ? kRuleAbsolute : 0));
}

TWindowSteps MovingWindowSteps(const TMovingWindow& window, int rate)
{
    const double width = std::round(window.WidthMs * rate / 1000.0);
    const double step = std::round(window.StepMs * rate / 1000.0);
    // Capped at a cell's longest possible observation: anything wider is one window.
    constexpr double kWidest = 1 << 30;
    return {static_cast<int>(std::clamp(width, 2.0, kWidest)), static_cast<int>(std::clamp(step, 1.0, kWidest))};
}

TSelectionList ChosenCells(const TORVAFile& file, const std::optional<TSelectionList>& cells)
{
    TSelectionList chosen;
    if (!cells) {
        for (int c = 0; c < file.NumCells(); ++c)
            chosen.push_back(c);
        return chosen;
    }
    CheckSelectionEntries(file, "Cells", *cells, file.NumCells(), file.NumCells() > 0 ? "" : "the file has no cells");
    const std::set<int> distinct(cells->begin(), cells->end());
    return {distinct.begin(), distinct.end()};
}

void CheckArtifactRules(const TORVAFile& file, const TArtifactRules& rules, const TSelectionList& cells)
{
    if (!file.IsSessionFile())
        RefuseExport(file, std::string(kCannot) + "this is an average file: its observations are subjects, not trials");
    CheckDocumentShape(file);
    if (!rules.Any())
        RefuseExport(file, std::string(kCannot) + "no rule was given (peak-to-peak, flat or absolute)");
    CheckThreshold(file, "peak-to-peak", rules.PeakToPeak);
    CheckThreshold(file, "flat", rules.Flat);
    CheckThreshold(file, "absolute", rules.Absolute);
    if (rules.Moving) {
        if (!rules.PeakToPeak)
            RefuseExport(file, std::string(kCannot) + "a moving window needs the peak-to-peak rule");
        if (!(std::isfinite(rules.Moving->WidthMs) && rules.Moving->WidthMs > 0 && std::isfinite(rules.Moving->StepMs) &&
              rules.Moving->StepMs > 0))
            RefuseExport(file, std::string(kCannot) + "the moving window's width and step must be positive times in ms");
    }
    if (rules.WindowStart.has_value() != rules.WindowEnd.has_value() ||
        (rules.WindowStart && !(std::isfinite(*rules.WindowStart) && std::isfinite(*rules.WindowEnd))))
        RefuseExport(file, std::string(kCannot) + "the test window must be given by two finite times");
    if (rules.WindowStart && *rules.WindowStart > *rules.WindowEnd)
        RefuseExport(file, std::string(kCannot) + "the test window starts at " + Number(*rules.WindowStart) +
                               " ms, after its end at " + Number(*rules.WindowEnd) + " ms");
    const std::string channelNote = file.NumChannels() > 0 ? "" : "the file has no channels";
    if (rules.Channels)
        CheckSelectionEntries(file, "Channels", *rules.Channels, file.NumChannels(), channelNote);
    CheckSelectionEntries(file, "Bad channels", rules.BadChannels, file.NumChannels(), channelNote);
    const std::vector<int> tested = TestedChannels(file, rules);
    if (tested.empty())
        RefuseExport(file, std::string(kCannot) + "no channel is left to test");
    for (int h : tested)
        CheckCalibration(file, h);
    const bool timed = rules.WindowStart || rules.Moving;
    for (int c : cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        if (timed && cell.SamplesPerObservation > 0 && cell.SamplesPerSecond <= 0)
            RefuseExport(file, std::string(kCannot) + "cell " + std::to_string(c + 1) + " has a sampling rate of " +
                                   std::to_string(cell.SamplesPerSecond) + " Hz");
        if (rules.WindowStart && !WindowSamples(file, cell, *rules.WindowStart, *rules.WindowEnd))
            RefuseExport(file, NoSampleInWindowText(file, c, *rules.WindowStart, *rules.WindowEnd));
    }
}

std::vector<TCellFlags> DetectArtifacts(const TORVAFile& file, const TArtifactRules& rules, const TSelectionList& cells)
{
    CheckArtifactRules(file, rules, cells);
    const std::vector<int> channels = TestedChannels(file, rules);
    std::vector<TCellFlags> out;
    out.reserve(cells.size());
    for (int c : cells)
        out.push_back(DetectInCell(file, rules, c, channels));
    return out;
}

TTrialExclusions ExclusionsOf(const TORVAFile& file, const std::vector<TCellFlags>& flags)
{
    TTrialExclusions out(static_cast<std::size_t>(std::max(0, file.NumCells())));
    for (int c = 0; c < file.NumCells(); ++c)
        out[static_cast<std::size_t>(c)].assign(
            static_cast<std::size_t>(std::max(0, file.Cells[static_cast<std::size_t>(c)].NumObservations)), false);
    for (const TCellFlags& cell : flags) {
        if (cell.Cell < 0 || cell.Cell >= file.NumCells() ||
            cell.Trials.size() != out[static_cast<std::size_t>(cell.Cell)].size())
            RefuseExport(file, "The trials tested no longer match the document's cells: test them again");
        for (std::size_t o = 0; o < cell.Trials.size(); ++o)
            out[static_cast<std::size_t>(cell.Cell)][o] = cell.Trials[o].Bad;
    }
    return out;
}

} // namespace orva
