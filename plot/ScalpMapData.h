#pragma once
// What a scalp map shows of a document: the channels that have a position, and their values
// at a sample or averaged over a window, as the measures take a window's samples.
#include "head/SensorPositions.h"
#include "model/ORVAFile.h"

#include <string>
#include <vector>

namespace orva::plot {

/// The channels drawn on the map: those with a sensor position, in channel order.
struct TMapChannels {
    std::vector<int> Channels;          ///< zero-based channel numbers
    std::vector<std::string> Labels;    ///< their names
    std::vector<TPoint3> Directions;    ///< unit vectors from the origin
    std::vector<std::string> Unplaced;  ///< names of the channels left out for want of a position
};

/// Matches the positions to the channel names (labels compared exactly; labels of no
/// channel are ignored). Fewer than 3 placed channels throws EORVAError naming positionsFile.
TMapChannels PlaceChannels(const std::vector<TSensorPosition>& sensors, const std::vector<std::string>& channelNames,
                           TPoint3 origin, const std::filesystem::path& positionsFile);

/// The zero-based sample of cell c (zero-based) nearest the time ms (the earlier one on a
/// tie), with the times of the measures (0 at the stimulus in an average file). A time
/// before the cell's first sample or after its last throws EORVAError naming the document.
int NearestSample(const TORVAFile& file, int c, double ms);

/// The calibrated value (uV) of each channel at sample s of observation o of cell c.
std::vector<double> SampleValues(const TORVAFile& file, int c, int o, int s, const std::vector<int>& channels);

/// The mean of each channel over the samples of the window start .. end ms, the samples the
/// measures take; a window without a sample throws EORVAError naming the cell.
std::vector<double> WindowMeanValues(const TORVAFile& file, int c, int o, double start, double end,
                                     const std::vector<int>& channels);

/// A map's title: "176 ms" for a sample, "300 to 500 ms" for a window.
std::string SampleTitle(double ms);
std::string WindowTitle(double start, double end);

/// Refuses (EORVAError naming the document) a cell or observation that the file has not,
/// or a cell without samples; c and o are zero-based.
void CheckMapTrace(const TORVAFile& file, int c, int o);

} // namespace orva::plot
