#include "model/Calibration.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace orva::test {
namespace {

// A header alone: the calibration reads the version, the scale bins, the zeros and the gains.
TORVAFile Calibrated(bool average, int scaleBins, std::vector<std::int32_t> zeros, std::vector<std::int32_t> gains)
{
    TORVAFile f;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.GeneralInformation.ScaleBins = scaleBins;
    f.DataDescription.NumChannels = static_cast<std::int32_t>(zeros.size());
    f.DataDescription.Zeros.assign(zeros.begin(), zeros.end());
    f.DataDescription.Gains.assign(gains.begin(), gains.end());
    return f;
}

// Every raw value, spread over rows of the file's width.
std::vector<std::int16_t> EveryRawValue(int channels)
{
    std::vector<std::int16_t> raw;
    for (int v = -32768; v <= 32767; ++v)
        raw.push_back(static_cast<std::int16_t>(v));
    while (raw.size() % static_cast<std::size_t>(channels) != 0)
        raw.push_back(0);
    return raw;
}

// Each value, double and float32, with the bits of CalibratedValue, for every raw value, in
// whole rows, in pieces of rows and for channels chosen out of order.
TEST(RowCalibration, GivesTheBitsOfTheScalarCalibration)
{
    const std::vector<TORVAFile> files = {
        Calibrated(false, 1, {0, 2048, -7, 31000, 5}, {400, 1234, 3, 8191, 77}),
        Calibrated(true, 3, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}),
        Calibrated(true, 1000, {0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}),
    };
    for (const TORVAFile& file : files) {
        const int channels = file.NumChannels();
        const std::vector<std::int16_t> raw = EveryRawValue(channels);
        for (const std::vector<int>& chosen : {std::vector<int>{0, 1, 2, 3, 4}, std::vector<int>{3, 0, 4},
                                               std::vector<int>{1, 2, 3}}) {
            const TRowCalibration rows(file, chosen);
            ASSERT_EQ(rows.Width(), chosen.size());
            std::vector<double> d(chosen.size());
            std::vector<float> f(chosen.size());
            std::vector<float> piece(chosen.size());
            int mismatches = 0;
            for (std::size_t at = 0; at < raw.size(); at += static_cast<std::size_t>(channels)) {
                rows.Row(raw.data() + at, d.data());
                rows.Row(raw.data() + at, f.data());
                // The second half of the row alone, as a writer with a full buffer asks for it.
                const std::size_t first = chosen.size() / 2;
                rows.Row(raw.data() + at, piece.data(), first, chosen.size() - first);
                for (std::size_t k = 0; k < chosen.size(); ++k) {
                    const double expected = CalibratedValue(file, raw[at + static_cast<std::size_t>(chosen[k])], chosen[k]);
                    mismatches += std::bit_cast<std::uint64_t>(d[k]) != std::bit_cast<std::uint64_t>(expected);
                    mismatches += std::bit_cast<std::uint32_t>(f[k]) !=
                                  std::bit_cast<std::uint32_t>(static_cast<float>(expected));
                    if (k >= first)
                        mismatches += std::bit_cast<std::uint32_t>(piece[k - first]) !=
                                      std::bit_cast<std::uint32_t>(f[k]);
                }
            }
            EXPECT_EQ(mismatches, 0) << "version " << file.FileDescription.HeaderVersion << ", " << chosen.size()
                                     << " channels chosen";
        }
    }
}

// The mean of n rows from their raw sums: the calibrated mean, within the rounding of the
// two divisions; with n = 1 exactly the scalar calibration.
TEST(RowCalibration, CalibratesSumsOfRowsAsTheirMean)
{
    const TORVAFile file = Calibrated(false, 1, {10, -3, 0}, {400, 999, 7});
    const TRowCalibration rows(file);
    const std::vector<std::vector<std::int16_t>> raw = {{100, -32768, 7}, {-5, 32767, 8}, {30000, 0, -9}};
    std::vector<double> sums(6, 0.0); // two rows: the sums, then the first row alone
    for (const auto& row : raw)
        for (std::size_t h = 0; h < 3; ++h)
            sums[h] += row[h];
    for (std::size_t h = 0; h < 3; ++h)
        sums[3 + h] = raw[0][h];
    std::vector<double> once(sums.begin() + 3, sums.end());
    rows.MeansOfSums(sums.data(), 3, 3);
    rows.MeansOfSums(once.data(), once.size(), 1);
    for (int h = 0; h < 3; ++h) {
        double mean = 0;
        for (const auto& row : raw)
            mean += CalibratedValue(file, row[static_cast<std::size_t>(h)], h) / 3;
        EXPECT_NEAR(sums[static_cast<std::size_t>(h)], mean, 1e-9 * (1 + std::abs(mean))) << h;
        EXPECT_EQ(once[static_cast<std::size_t>(h)], CalibratedValue(file, raw[0][static_cast<std::size_t>(h)], h));
    }
    EXPECT_EQ(sums[3], 100.0); // rows beyond the size given stay as they were
}

} // namespace
} // namespace orva::test
