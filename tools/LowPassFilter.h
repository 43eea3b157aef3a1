#pragma once
#include "model/ORVAFile.h"
#include "tools/FilterTexts.h"

#include <optional>
#include <string>
#include <vector>

namespace orva {

/// Low-pass filters every trace of the file in place with a brick-wall cut at cutoff Hz.
/// Every cell is checked before anything changes: a negative cut-off, a sampling rate of 0,
/// fewer than two samples per observation or a zero divisor of the calibration throws an
/// EORVAError naming the cell or channel, and the file stays exactly as it was.
/// A file that was changed is marked not saved. Results beyond the range of a 16-bit sample
/// are stored as -32768 or 32767; the result is how many values were clamped so.
std::int64_t LowPassFilter(TORVAFile& file, float cutoff);

/// The transform length of a trace of `samples` values: the smallest power of two not below
/// it, at least 1 (250 gives 256, 257 gives 512).
int FilterTransformLength(int samples);

/// The cut-off bin floor(length * cutoff / samplesPerSecond), computed in double. A bin beyond
/// `length` removes nothing and is returned as length + 1, so a huge cut-off cannot overflow;
/// a negative one gives -1.
int FilterCutoffBin(int length, float cutoff, int samplesPerSecond);

/// The builds of the filter's inner loop that this processor can run, fastest first
/// ("avx512", "avx2" on x86, always "baseline"). Every one gives the same bits.
std::vector<std::string> FilterKernels();

/// Makes LowPassFilter use the named build from now on (for tests and benchmarks that
/// compare them); false, and nothing changes, when the processor cannot run it.
bool UseFilterKernel(const std::string& name);

} // namespace orva
