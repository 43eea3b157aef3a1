#pragma once
// A session file without its bad trials.
#include "tools/ArtifactRules.h"

namespace orva {

/// The session file without the trials that exclusions marks ([cell][observation]): each
/// cell keeps its other trials in order, with their samples and trial specifics; a cell
/// may be left with none. Header, calibration and every other field stay as they were.
/// Refuses an average file and exclusions that do not match the file's cells.
TORVAFile RejectTrials(const TORVAFile& session, const TTrialExclusions& exclusions);

/// How many trials exclusions marks.
std::int64_t CountExcluded(const TTrialExclusions& exclusions);

} // namespace orva
