#pragma once
// Bad channels repaired: each channel to repair is replaced, at every observation and
// sample, by the spherical spline through the channels that are neither repaired nor
// excluded (head/SphericalSpline.h).
#include "head/SensorPositions.h"
#include "select/Selection.h"
#include "tools/ErpDocument.h"

#include <filesystem>
#include <string>
#include <vector>

namespace orva {

struct TInterpolationOptions {
    TSelectionList Channels; ///< to repair, zero-based (a number twice counts once)
    TSelectionList Excluded; ///< neither repaired nor used (an EOG channel, say), zero-based
    std::vector<TSensorPosition> Sensors;
    std::filesystem::path PositionsFile; ///< where Sensors came from, for messages
    /// The channels' names, matched to the sensors' labels; empty: E1 ... En.
    std::vector<std::string> ChannelNames;
    TPoint3 Origin;
};

/// Which channels are repaired from which, and how: Weights is row-major
/// (Targets x Sources), new value of Targets[t] = sum_j Weights[t * Sources.size() + j] x
/// value of Sources[j].
struct TInterpolationPlan {
    std::vector<int> Targets;
    std::vector<int> Sources;
    std::vector<double> Weights;
};

/// The plan for file: refuses (naming the file) channels outside the file, no channel to
/// repair, fewer than 3 channels left to repair from, a wrong number of names, a target or
/// source channel without a sensor (naming the file, the channel and the positions file) and
/// a sensor at the origin (naming the positions file and its line). A file without samples
/// gets a plan without weights: there is nothing to repair.
TInterpolationPlan PlanInterpolation(const TORVAFile& file, const TInterpolationOptions& options);

/// A new document of the same kind with the channels repaired: an average file is stored
/// at the ScaleBins its new values need, a session file's values are written back clamped
/// and counted.
TErpResult InterpolateChannels(TORVAFile file, const TInterpolationOptions& options);

} // namespace orva
