#pragma once
// The sidecar files of one BIDS EEG recording, built from the document and its epochs.
#include "formats/BidsDataset.h"
#include "select/EpochLayout.h"
#include "select/LineSink.h"

#include <string>
#include <vector>

namespace orva {

/// _events.tsv: the header "onset duration trial_type value sample", then one row per
/// epoch: the stimulus in seconds from the file's start, the epoch's length in seconds, the
/// cell's name, the cell's number (from 1) and the stimulus sample (from 0).
void WriteBidsEvents(const TORVAFile& file, const TEpochLayout& layout, TLineSink& sink);

/// _events.json: trial_type and value with the names and numbers of the exported cells.
std::string BidsEventsJson(const TORVAFile& file, const TEpochLayout& layout);

/// _eeg.json: the task, rate, channel counts, power line frequency, reference, and the
/// epochs' length (left out when they differ) and total duration in seconds.
std::string BidsEegJson(const TEpochLayout& layout, const TBidsOptions& options);

/// _channels.tsv: name, type EEG, units µV, status good for every channel.
void WriteBidsChannels(const std::vector<std::string>& names, TLineSink& sink);

/// The power line frequency as typed, checked: a number above 0 (EORVAError naming the
/// dataset otherwise).
double BidsLineFrequency(const TBidsOptions& options);

} // namespace orva
