#include "tools/ChannelInterpolation.h"

#include "head/SphericalSpline.h"
#include "select/EpochLayout.h"
#include "tools/SampleWriteBack.h"

#include <algorithm>

namespace orva {

namespace {

constexpr std::size_t kFewestSources = 3;

} // namespace

TInterpolationPlan PlanInterpolation(const TORVAFile& file, const TInterpolationOptions& options)
{
    RequireUsable(file, "interpolate");
    const int channels = file.NumChannels();
    TInterpolationPlan plan;
    plan.Targets = DistinctEntries(file, "Channels", options.Channels, channels, "");
    const TSelectionList excluded = DistinctEntries(file, "Excluded channels", options.Excluded, channels, "");
    if (plan.Targets.empty())
        RefuseExport(file, "Cannot interpolate: no channel to interpolate was given");
    std::vector<char> used(static_cast<std::size_t>(channels), 1);
    for (int h : plan.Targets)
        used[static_cast<std::size_t>(h)] = 0;
    for (int h : excluded)
        used[static_cast<std::size_t>(h)] = 0;
    for (int h = 0; h < channels; ++h)
        if (used[static_cast<std::size_t>(h)])
            plan.Sources.push_back(h);
    if (plan.Sources.size() < kFewestSources)
        RefuseExport(file, "Cannot interpolate: " + std::to_string(plan.Sources.size()) +
                               " channels are left to interpolate from (neither interpolated nor excluded); at "
                               "least 3 are needed");

    std::vector<std::string> names = options.ChannelNames.empty() ? DefaultChannelNames(channels) : options.ChannelNames;
    if (names.size() != static_cast<std::size_t>(channels))
        RefuseExport(file, "Cannot interpolate: " + std::to_string(names.size()) + " channel names for " +
                               std::to_string(channels) + " channels");
    // Every target first: a channel the user named is the likelier one to lack a position.
    const std::string name = ExportedDocumentName(file);
    const std::vector<TPoint3> targets =
        RequireDirections(options.Sensors, plan.Targets, names, options.Origin, options.PositionsFile, name);
    const std::vector<TPoint3> sources =
        RequireDirections(options.Sensors, plan.Sources, names, options.Origin, options.PositionsFile, name);
    // The spline's matrix grows with the square of the sources and its solution with the
    // cube: a file of thousands of channels and no sample is not worth it.
    if (std::all_of(file.Cells.begin(), file.Cells.end(), [](const TORVACell& c) { return c.Data.size() == 0; }))
        return plan;
    plan.Weights = TSphericalSpline(sources).InterpolationMatrix(targets);
    return plan;
}

namespace {

// A session's repaired value is linear in the sources' raw samples, so the calibration is
// folded into the weights: value_t = sum_j a_tj x raw_j - b_t, with a_tj = w_tj x 400 /
// gain_j and b_t = sum_j a_tj x zero_j. Only the targets' samples are read back and
// written; every other sample stays as it is (written back, it would give itself again).
TErpResult RepairSession(TORVAFile file, const TInterpolationPlan& plan)
{
    const auto& dd = file.DataDescription;
    const std::size_t targets = plan.Targets.size(), sources = plan.Sources.size();
    // a spans every channel (0 for those not interpolated from), so that each row is read
    // as it lies; four partial sums per target keep the additions independent.
    const auto channels = static_cast<std::size_t>(file.NumChannels());
    std::vector<double> a(targets * channels, 0.0), b(targets, 0.0);
    for (std::size_t t = 0; t < targets; ++t)
        for (std::size_t j = 0; j < sources; ++j) {
            const auto h = static_cast<std::size_t>(plan.Sources[j]);
            const double weight = plan.Weights[t * sources + j] * 400.0 / static_cast<double>(dd.Gains[h]);
            a[t * channels + h] = weight;
            b[t] += weight * static_cast<double>(dd.Zeros[h]);
        }
    const std::size_t quads = channels / 4 * 4;
    std::vector<double> v(channels);
    TErpResult result;
    for (TORVACell& cell : file.Cells) {
        const std::size_t rows = cell.Data.size() / std::max<std::size_t>(channels, 1);
        std::int16_t* row = cell.Data.data();
        for (std::size_t r = 0; r < rows; ++r, row += channels) {
            for (std::size_t h = 0; h < channels; ++h)
                v[h] = row[h];
            for (std::size_t t = 0; t < targets; ++t) {
                const double* w = a.data() + t * channels;
                double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
                for (std::size_t h = 0; h < quads; h += 4) {
                    s0 += w[h] * v[h];
                    s1 += w[h + 1] * v[h + 1];
                    s2 += w[h + 2] * v[h + 2];
                    s3 += w[h + 3] * v[h + 3];
                }
                for (std::size_t h = quads; h < channels; ++h)
                    s0 += w[h] * v[h];
                const auto target = static_cast<std::size_t>(plan.Targets[t]);
                row[target] = SessionSample((s0 + s1) + (s2 + s3) - b[t], dd.Zeros[target], dd.Gains[target],
                                            result.Clamped);
            }
        }
    }
    file.Saved = false;
    result.File = std::move(file);
    return result;
}

} // namespace

TErpResult InterpolateChannels(TORVAFile file, const TInterpolationOptions& options)
{
    const TInterpolationPlan plan = PlanInterpolation(file, options);
    if (plan.Weights.empty()) { // no sample to repair
        TErpResult unchanged;
        unchanged.File = std::move(file);
        unchanged.File.Saved = false;
        return unchanged;
    }
    if (file.IsSessionFile())
        return RepairSession(std::move(file), plan);
    const int channels = file.NumChannels();
    const std::size_t sources = plan.Sources.size();
    std::vector<int> samplesPerCell;
    for (const TORVACell& cell : file.Cells)
        samplesPerCell.push_back(cell.SamplesPerObservation);
    // Targets and sources never overlap, so each sample is repaired in place.
    return ChangeObservations(std::move(file), [&](int c, int, double* values) {
        const int samples = samplesPerCell[static_cast<std::size_t>(c)];
        for (int s = 0; s < samples; ++s, values += channels) {
            const double* w = plan.Weights.data();
            for (int target : plan.Targets) {
                double sum = 0;
                for (std::size_t j = 0; j < sources; ++j)
                    sum += w[j] * values[plan.Sources[j]];
                values[target] = sum;
                w += sources;
            }
        }
    });
}

} // namespace orva
