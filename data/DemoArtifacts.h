#pragma once
#include "model/ORVAFile.h"

namespace orva {

/// Plants in the demo session the artifacts that the artifact rules are for: blinks on the
/// front channels (cell 1 trials 5 and 23, cell 2 trial 12), a flat channel (cell 2 trial
/// 30, channel 18) and a saturated stretch (cell 1 trial 33, channels 41 to 44).
void AddDemoArtifacts(TORVAFile& session);

} // namespace orva
