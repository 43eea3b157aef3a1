#pragma once
// Averages from a session file: one observation per cell, the mean of its trials.
#include "select/Selection.h"
#include "tools/ArtifactRules.h"
#include "tools/ErpDocument.h"

#include <optional>

namespace orva {

struct TAverageOptions {
    /// The observations averaged in every cell (zero-based, as ParseSelectionList gives
    /// them; a number twice counts once); all of each cell's when left out.
    std::optional<TSelectionList> Observations;
    /// The BaselineDuration of the average file, in ms.
    std::int32_t BaselineMs = 0;
    /// Trials left out after the choice of Observations ([cell][observation], true for a
    /// bad trial); nothing left out when not given.
    std::optional<TTrialExclusions> Excluded;
};

/// Refuses what AverageSession refuses before it computes anything.
void CheckAverage(const TORVAFile& session, const TAverageOptions& options);

/// The observations of cell c that AverageSession averages, ascending; empty when the bad
/// trials leave none. The options must have passed CheckAverage.
TSelectionList AveragedObservations(const TORVAFile& session, const TAverageOptions& options, int c);

/// The average file of a session: the session's cells in order, each with one observation
/// whose value at (sample, channel) is the mean over the chosen observations, trial
/// specifics word 0 the number averaged. Refuses an average file, a cell without
/// observations, a listed number beyond a cell's observations, a baseline outside a
/// 16-bit field, exclusions that do not match the cells and a cell left without a trial.
TErpResult AverageSession(const TORVAFile& session, const TAverageOptions& options);

} // namespace orva
