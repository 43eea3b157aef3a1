#pragma once
// Models for the filter tests, built in memory, and the filter computed trace by trace
// with the step-by-step transforms, against which LowPassFilter's batched path is checked.
#include "model/ORVAFile.h"

#include <vector>

namespace orva::test {

/// A session (average = false) or average model; zeros, gains and samples are set by the caller
/// (defaults: zero 0, gain 400 so that a calibrated value equals the raw sample; ScaleBins 10).
TORVAFile MakeFilterModel(bool average, int cells, int observations, int samples, int channels, int rate = 250);

/// Fills every sample with reproducible noisy waveforms around the channel's zero.
void FillWaveforms(TORVAFile& file, unsigned seed);

/// The filter of one file computed trace by trace with RealFFT.
void ReferenceLowPassFilter(TORVAFile& file, float cutoff);

/// The samples of one trace.
std::vector<int> Trace(const TORVAFile& file, int cell, int o, int c);
void SetTrace(TORVAFile& file, int cell, int o, int c, const std::vector<int>& values);

} // namespace orva::test
