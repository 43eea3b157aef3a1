#include "model/Calibration.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace orva {

namespace {

std::vector<int> AllChannels(const TORVAFile& file)
{
    std::vector<int> channels(static_cast<std::size_t>(std::max(file.NumChannels(), 0)));
    std::iota(channels.begin(), channels.end(), 0);
    return channels;
}

// The loops of both value types. The contiguous one reads the raw row in place and runs in
// vector instructions; the exact double is formed before any narrowing.
template <class TValue>
void CalibrateRow(const std::int16_t* raw, TValue* out, std::size_t first, std::size_t count,
                  const std::vector<int>& channels, bool contiguous, const double* zero, const double* factor,
                  const double* divisor)
{
    // A file without channels has rows of no values: there is no first channel to read from.
    if (count == 0)
        return;
    zero += first;
    factor += first;
    divisor += first;
    if (contiguous) {
        const std::int16_t* in = raw + channels.front() + static_cast<std::ptrdiff_t>(first);
        for (std::size_t k = 0; k < count; ++k)
            out[k] = static_cast<TValue>((static_cast<double>(in[k]) - zero[k]) * factor[k] / divisor[k]);
        return;
    }
    const int* chosen = channels.data() + first;
    for (std::size_t k = 0; k < count; ++k)
        out[k] = static_cast<TValue>((static_cast<double>(raw[chosen[k]]) - zero[k]) * factor[k] / divisor[k]);
}

} // namespace

TRowCalibration::TRowCalibration(const TORVAFile& file) : TRowCalibration(file, AllChannels(file)) {}

TRowCalibration::TRowCalibration(const TORVAFile& file, std::vector<int> channels)
    : channels_(std::move(channels)), zero_(channels_.size(), 0.0), factor_(channels_.size(), 1.0),
      divisor_(channels_.size(), static_cast<double>(file.GeneralInformation.ScaleBins))
{
    const bool average = file.IsAverageFile();
    for (std::size_t k = 0; k < channels_.size(); ++k) {
        const auto c = static_cast<std::size_t>(channels_[k]);
        if (!average) {
            zero_[k] = file.DataDescription.Zeros[c];
            factor_[k] = 400.0;
            divisor_[k] = file.DataDescription.Gains[c];
        }
        contiguous_ = contiguous_ && channels_[k] == channels_.front() + static_cast<int>(k);
    }
}

void TRowCalibration::Row(const std::int16_t* raw, double* out, std::size_t first, std::size_t count) const
{
    CalibrateRow(raw, out, first, count, channels_, contiguous_, zero_.data(), factor_.data(), divisor_.data());
}

void TRowCalibration::Row(const std::int16_t* raw, float* out, std::size_t first, std::size_t count) const
{
    CalibrateRow(raw, out, first, count, channels_, contiguous_, zero_.data(), factor_.data(), divisor_.data());
}

void TRowCalibration::MeansOfSums(double* sums, std::size_t size, int n) const
{
    const std::size_t width = Width();
    const double count = n;
    for (std::size_t row = 0; row + width <= size; row += width) {
        double* s = sums + row;
        for (std::size_t k = 0; k < width; ++k)
            s[k] = (s[k] - count * zero_[k]) * factor_[k] / divisor_[k] / count;
    }
}

} // namespace orva
