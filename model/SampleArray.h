#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include "model/LargeBuffer.h"

namespace orva {

/// Raw samples of one cell in one contiguous block, indexed [observation][sample][channel]
/// with the channels of one time point adjacent, as in the file. A new array reads as zeros
/// and takes memory only where values are written.
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
    TLargeArray<std::int16_t> values_;
};

/// Trial-specific words of one cell, [observation][word], in one block that reads as zeros
/// until written.
class TTrialSpecifics {
public:
    TTrialSpecifics() = default;
    TTrialSpecifics(std::int32_t observations, std::int32_t words)
        : observations_(observations), words_(words), inFile_(observations),
          values_(static_cast<std::size_t>(observations) * static_cast<std::size_t>(words))
    {
    }

    /// The observations whose words came, at least in part, from the file; the words of the
    /// others lay beyond the end of a truncated file and read as 0. All of them, unless the
    /// loader says otherwise.
    std::int32_t ObservationsInFile() const { return inFile_; }
    void SetObservationsInFile(std::int32_t count) { inFile_ = std::clamp(count, 0, observations_); }

    std::int16_t& operator()(std::int32_t o, std::int32_t w) { return values_[Index(o, w)]; }
    std::int16_t operator()(std::int32_t o, std::int32_t w) const { return values_[Index(o, w)]; }
    std::int32_t Observations() const { return observations_; }
    std::int32_t WordsPerObservation() const { return words_; }
    std::size_t size() const { return values_.size(); }
    std::int16_t* data() { return values_.data(); }
    const std::int16_t* data() const { return values_.data(); }
    /// Equal words; where they came from does not count.
    bool operator==(const TTrialSpecifics& other) const
    {
        return words_ == other.words_ && values_ == other.values_;
    }

private:
    std::size_t Index(std::int32_t o, std::int32_t w) const
    {
        return static_cast<std::size_t>(o) * static_cast<std::size_t>(words_) + static_cast<std::size_t>(w);
    }

    std::int32_t observations_ = 0;
    std::int32_t words_ = 0;
    std::int32_t inFile_ = 0;
    TLargeArray<std::int16_t> values_;
};

} // namespace orva
