#include "tools/ChannelInterpolation.h"

#include "export/EpochLayout.h"
#include "head/SphericalSpline.h"

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
    const auto directions = ChannelDirections(options.Sensors, names, options.Origin);
    // Every target first: a channel the user named is the likelier one to lack a position.
    const std::vector<TPoint3> targets = RequireDirections(directions, plan.Targets, names, options.PositionsFile);
    const TSphericalSpline spline(RequireDirections(directions, plan.Sources, names, options.PositionsFile));
    plan.Weights = spline.InterpolationMatrix(targets);
    return plan;
}

TErpResult InterpolateChannels(TORVAFile file, const TInterpolationOptions& options)
{
    const TInterpolationPlan plan = PlanInterpolation(file, options);
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
