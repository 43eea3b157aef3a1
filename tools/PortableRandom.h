#pragma once
// xoshiro256** (Blackman and Vigna) seeded through splitmix64: the same numbers on every
// platform and compiler, which the standard library's engines and distributions do not
// promise. Each user seeds its own streams and draws below a bound in its own way.
#include <cstdint>

namespace orva {

inline constexpr std::uint64_t kSplitMixIncrement = 0x9E3779B97F4A7C15ull;

/// One step of splitmix64: advances state and returns the next value.
inline std::uint64_t SplitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += kSplitMixIncrement);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class TXoshiro256 {
public:
    /// The state from four splitmix64 steps starting at splitMixState.
    explicit TXoshiro256(std::uint64_t splitMixState)
    {
        for (auto& word : s_)
            word = SplitMix64(splitMixState);
    }

    std::uint64_t Next()
    {
        const std::uint64_t result = RotateLeft(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = RotateLeft(s_[3], 45);
        return result;
    }

private:
    static std::uint64_t RotateLeft(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

} // namespace orva
