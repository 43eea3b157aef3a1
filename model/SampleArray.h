#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orva {

/// Raw samples of one cell in one contiguous block, indexed [observation][sample][channel]
/// with the channels of one time point adjacent, as in the file.
class TSampleArray {
public:
    TSampleArray() = default;
    TSampleArray(std::int32_t observations, std::int32_t samples, std::int32_t channels)
        : observations_(observations), samples_(samples), channels_(channels),
          values_(static_cast<std::size_t>(observations) * static_cast<std::size_t>(samples) *
                  static_cast<std::size_t>(channels))
    {
    }

    std::int16_t& operator()(std::int32_t o, std::int32_t s, std::int32_t c) { return values_[Index(o, s, c)]; }
    std::int16_t operator()(std::int32_t o, std::int32_t s, std::int32_t c) const { return values_[Index(o, s, c)]; }

    /// The first value of observation o; its samples follow, NumChannels values each.
    std::int16_t* Observation(std::int32_t o) { return values_.data() + Index(o, 0, 0); }
    const std::int16_t* Observation(std::int32_t o) const { return values_.data() + Index(o, 0, 0); }
    std::size_t ValuesPerObservation() const
    {
        return static_cast<std::size_t>(samples_) * static_cast<std::size_t>(channels_);
    }

    std::int32_t Observations() const { return observations_; }
    std::int32_t Samples() const { return samples_; }
    std::int32_t Channels() const { return channels_; }
    std::size_t size() const { return values_.size(); }
    std::int16_t* data() { return values_.data(); }
    const std::int16_t* data() const { return values_.data(); }
    bool operator==(const TSampleArray&) const = default;

private:
    std::size_t Index(std::int32_t o, std::int32_t s, std::int32_t c) const
    {
        return (static_cast<std::size_t>(o) * static_cast<std::size_t>(samples_) + static_cast<std::size_t>(s)) *
                   static_cast<std::size_t>(channels_) +
               static_cast<std::size_t>(c);
    }

    std::int32_t observations_ = 0;
    std::int32_t samples_ = 0;
    std::int32_t channels_ = 0;
    std::vector<std::int16_t> values_;
};

/// Trial-specific words of one cell, [observation][word], in one block.
class TTrialSpecifics {
public:
    TTrialSpecifics() = default;
    TTrialSpecifics(std::int32_t observations, std::int32_t words)
        : words_(words), values_(static_cast<std::size_t>(observations) * static_cast<std::size_t>(words))
    {
    }

    std::int16_t& operator()(std::int32_t o, std::int32_t w) { return values_[Index(o, w)]; }
    std::int16_t operator()(std::int32_t o, std::int32_t w) const { return values_[Index(o, w)]; }
    std::int32_t WordsPerObservation() const { return words_; }
    std::size_t size() const { return values_.size(); }
    std::int16_t* data() { return values_.data(); }
    const std::int16_t* data() const { return values_.data(); }
    bool operator==(const TTrialSpecifics&) const = default;

private:
    std::size_t Index(std::int32_t o, std::int32_t w) const
    {
        return static_cast<std::size_t>(o) * static_cast<std::size_t>(words_) + static_cast<std::size_t>(w);
    }

    std::int32_t words_ = 0;
    std::vector<std::int16_t> values_;
};

} // namespace orva
