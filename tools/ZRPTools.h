#pragma once

namespace orva {

/// In-place radix-2 FFT of n complex values (n a power of two, at least 1), one-based:
/// value k has its real part at data[2k+1] and its imaginary part at data[2k+2];
/// data[0] is never touched. sign +1: positive exponent; no normalisation.
void ComplexFFT(float* data, int n, int sign);

/// Transform of 2n real values at data[1..2n] (n a power of two, at least 1).
/// sign +1: forward, giving the packed half spectrum (data[1] = F0, data[2] = Fn,
/// data[2k+1], data[2k+2] = F_k). Any other sign: the inverse, returning n times the samples.
void RealFFT(float* data, int n, int sign);

} // namespace orva
