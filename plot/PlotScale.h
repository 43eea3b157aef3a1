#pragma once
// Scales of the cell graph beyond its fixed +-450 uV: vertical range presets and fitting,
// the y grid that suits a range, and the labelled ticks of the time and voltage axes.
// Free of any window code, like the plot geometry.
#include <vector>

namespace orva::plot {

/// The range the plot has always had: 900 uV, +-450 uV around the axis.
inline constexpr int kDefaultRangeUv = 900;

/// The ranges offered in the window, in uV, smallest first.
const std::vector<int>& RangePresets();

/// The smallest step of 1, 2 or 5 times a power of ten that is not below rough (rough > 0).
double NiceStep(double rough);

/// The smallest whole range (an even number of uV, at least 2) that holds every voltage of
/// every trace with a tenth of head room, so that no sample is clipped.
int FitRange(const std::vector<std::vector<float>>& traces);

/// The y grid (uV) after the range changed: a grid that still gives 2 to 50 lines on each
/// side of the axis (or is off) stays; otherwise the grid becomes a round step with about
/// five lines a side.
int AdaptYGrid(int yGrid, int rangeUv);

/// The arrow step of the y grid for a range: 10 uV at the default range.
int YGridStep(int rangeUv);

/// One labelled tick: its pixel position along the axis and the value it stands for.
struct TAxisTick {
    int Position = 0;
    double Value = 0;
    bool operator==(const TAxisTick&) const = default;
};

/// Voltage ticks of a plot of the given height: round values from -range/2 to +range/2,
/// about one per minSpacing pixels, at the rows where the trace draws those voltages
/// (mirrored when negative is up).
std::vector<TAxisTick> VoltageTicks(int rangeUv, int height, float pxPerUv, bool negativeUp, int minSpacing);

/// Time ticks of an observation of samples x msPerSample ms: round times counted from the
/// stimulus onset (onsetMs after the first sample; 0 without a baseline), about one per
/// minSpacing pixels, at the columns where the trace draws those times.
std::vector<TAxisTick> TimeTicks(int samples, float msPerSample, float pxPerMs, int onsetMs, int width, int minSpacing);

} // namespace orva::plot
