#pragma once
// The sensors' positions of a BIDS EEG recording: _electrodes.tsv and _coordsystem.json.
#include "formats/BidsDataset.h"
#include "select/LineSink.h"

#include <string>

namespace orva {

/// _electrodes.tsv: the header "name x y z", then every sensor of the positions file in its
/// order, with its coordinates as the file gives them (the shortest decimal of each).
void WriteBidsElectrodes(const TBidsOptions& options, TLineSink& sink);

/// _coordsystem.json: EEGCoordinateSystem "Other", EEGCoordinateUnits (the given units, or
/// "n/a") and a description of the axes.
std::string BidsCoordsystemJson(const TBidsOptions& options);

/// The prefix the positions' files share: sub-S[_ses-X] (they do not depend on the task).
std::string BidsPositionsStem(const TBidsRecording& recording, const TBidsOptions& options);

} // namespace orva
