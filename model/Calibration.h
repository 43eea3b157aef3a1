#pragma once
// Calibration of whole rows of raw samples at a time, for the writers, the arrays of the
// Python module and the ERP operations. The one value of one sample is CalibratedValue
// (ORVAFile.h); this gives the same bits for many samples, fast.
#include "model/ORVAFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orva {

/// The calibration of chosen channels of a file, ready for whole rows. A raw row is one
/// sample of every channel of the file (NumChannels() int16 values, as a cell stores them);
/// a calibrated row holds the chosen channels in the order chosen.
///
/// Value k of a calibrated row is ((raw[channel k] - zero k) * factor k) / divisor k, computed
/// in double: zero 0, factor 1 and divisor ScaleBins for an average file; the channel's zero,
/// 400 and its gain for a session file. The difference times the factor is exact in double
/// and the one division rounds it, so every value has exactly the bits of
/// CalibratedValue(file, raw[channel k], channel k). The float32 forms round that double once
/// (nothing is computed in float).
///
/// Check the calibration first (CalibrationProblem, CheckCalibration): a zero divisor gives
/// inf or nan. The object copies what it needs of the file; its functions allocate nothing
/// and may be called from several threads at once.
class TRowCalibration {
public:
    /// Every channel of the file, in file order.
    explicit TRowCalibration(const TORVAFile& file);
    /// The listed channels (zero-based, each from 0 to NumChannels() - 1), in list order.
    TRowCalibration(const TORVAFile& file, std::vector<int> channels);

    /// The number of values in a calibrated row (the chosen channels).
    std::size_t Width() const { return channels_.size(); }

    /// Values first .. first + count - 1 of the calibrated row of raw, into out[0 .. count - 1];
    /// first + count must not exceed Width().
    void Row(const std::int16_t* raw, double* out, std::size_t first, std::size_t count) const;
    void Row(const std::int16_t* raw, float* out, std::size_t first, std::size_t count) const;
    /// The whole calibrated row of raw into out[0 .. Width() - 1].
    void Row(const std::int16_t* raw, double* out) const { Row(raw, out, 0, Width()); }
    void Row(const std::int16_t* raw, float* out) const { Row(raw, out, 0, Width()); }

    /// Turns sums of n raw rows, rows after rows of Width() values each (size values in all, a
    /// multiple of Width()), into the calibrated means in place: (sum - n * zero) * factor /
    /// divisor / n. Every channel of the file must be chosen, in file order.
    void MeansOfSums(double* sums, std::size_t size, int n) const;

private:
    std::vector<int> channels_;
    std::vector<double> zero_;
    std::vector<double> factor_;
    std::vector<double> divisor_;
    bool contiguous_ = true; // channels_ are first, first + 1, ...: a raw row read in place
};

} // namespace orva
