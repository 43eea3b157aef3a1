#pragma once
// Documents for the view window tests, composed in memory so that every count, rate and
// calibration (including the broken ones) can be chosen freely.
#include "model/ORVAFile.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orva::test {

struct TCellShape {
    int Observations = 1;
    int Samples = 250;
    int SamplesPerSecond = 250;
};

/// The raw sample at (cell, observation, sample, channel), all zero-based.
using TSampleFunction = std::function<std::int16_t(int cell, int o, int s, int c)>;

/// Distinct values of both signs.
std::int16_t PatternValue(int cell, int o, int s, int c);

/// An average file (ScaleBins 10, BaselineDuration 200) with the given cells.
std::shared_ptr<TORVAFile> AverageDocument(const std::vector<TCellShape>& cells, int channels,
                                           const TSampleFunction& sample = PatternValue,
                                           const std::string& fullFileName = "/data/s01.ave");

/// A session file (zeros 2000 + c, gains 1600 + 4c) with the given cells.
std::shared_ptr<TORVAFile> SessionDocument(const std::vector<TCellShape>& cells, int channels,
                                           const TSampleFunction& sample = PatternValue,
                                           const std::string& fullFileName = "/data/s01.ses");

/// The lines as WriteTextLines writes them: each followed by CR LF.
std::string WithLineEnds(const std::vector<std::string>& lines);

} // namespace orva::test
