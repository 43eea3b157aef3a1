// Filtered values beyond the 16-bit range are stored as its ends, and counted.
#include "tests/tools/FilterTestSupport.h"
#include "tools/LowPassFilter.h"

#include <gtest/gtest.h>

namespace orva::test {
namespace {

// A square wave between low and high: its low-pass version overshoots both levels.
std::vector<int> SquareWave(int samples, int low, int high, int period)
{
    std::vector<int> v(static_cast<std::size_t>(samples));
    for (int t = 0; t < samples; ++t)
        v[static_cast<std::size_t>(t)] = (t / (period / 2)) % 2 ? high : low;
    return v;
}

// One session trace around zero level `zero` (gain 400: a calibrated value is the raw
// sample minus the zero).
TORVAFile SquareTrace(int zero, int amplitude)
{
    TORVAFile f = MakeFilterModel(false, 1, 1, 128, 1);
    f.DataDescription.Zeros[0] = zero;
    SetTrace(f, 0, 0, 0, SquareWave(128, zero - amplitude, zero + amplitude, 16));
    return f;
}

// The same calibrated trace with zero level and samples moved by `shift` gives the same
// filtered values moved by `shift`; where that leaves the 16-bit range, the stored value is
// the end of the range and the value is counted. The unshifted trace is the reference.
TEST(FilterClamp, CountsExactlyTheValuesBeyondTheRange)
{
    const struct {
        const char* name;
        int shift;
    } cases[] = {{"above", 12000}, {"below", -12000}, {"near the top", 12700}, {"inside", 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TORVAFile reference = SquareTrace(0, 20000);
        ASSERT_EQ(LowPassFilter(reference, 20.0f), 0);
        const std::vector<int> expected = Trace(reference, 0, 0, 0);

        TORVAFile shifted = SquareTrace(c.shift, 20000);
        const std::int64_t clamped = LowPassFilter(shifted, 20.0f);
        const std::vector<int> got = Trace(shifted, 0, 0, 0);
        std::int64_t beyond = 0;
        for (std::size_t t = 0; t < got.size(); ++t) {
            const int unclamped = expected[t] + c.shift;
            beyond += unclamped > 32767 || unclamped < -32768;
            EXPECT_EQ(got[t], std::clamp(unclamped, -32768, 32767)) << t;
        }
        EXPECT_EQ(clamped, beyond);
        EXPECT_EQ(clamped > 0, c.shift != 1000); // the table must exercise both outcomes
    }
}

// Values exactly at the ends of the range are stored as they are and not counted.
TEST(FilterClamp, ValuesAtTheEndsAreNotCounted)
{
    for (int level : {32767, -32768}) {
        TORVAFile f = MakeFilterModel(false, 1, 2, 64, 3);
        for (int o = 0; o < 2; ++o)
            for (int c = 0; c < 3; ++c)
                SetTrace(f, 0, o, c, std::vector<int>(64, level));
        EXPECT_EQ(LowPassFilter(f, 5.0f), 0) << level;
        EXPECT_EQ(Trace(f, 0, 1, 2), std::vector<int>(64, level));
    }
}

// The count covers every cell, observation and channel, whichever lane a channel falls in.
TEST(FilterClamp, CountsOverEveryTrace)
{
    TORVAFile one = SquareTrace(12000, 20000);
    const std::int64_t perTrace = LowPassFilter(one, 20.0f);
    ASSERT_GT(perTrace, 0);

    TORVAFile many = MakeFilterModel(false, 2, 3, 128, 11);
    for (int cell = 0; cell < 2; ++cell)
        for (int c = 0; c < 11; ++c) {
            many.DataDescription.Zeros[static_cast<std::size_t>(c)] = 12000;
            for (int o = 0; o < 3; ++o)
                SetTrace(many, cell, o, c, SquareWave(128, 12000 - 20000, 12000 + 20000, 16));
        }
    EXPECT_EQ(LowPassFilter(many, 20.0f), perTrace * 2 * 3 * 11);
}

} // namespace
} // namespace orva::test
