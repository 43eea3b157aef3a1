#pragma once
// Which channels are next to each other on the head: the adjacency the cluster tests grow
// their clusters along, from the sensors' positions or from a file a person has reviewed.
#include "head/SensorPositions.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// Each channel's neighbours (indices into the list of channels it was made for), ascending,
/// symmetric, never the channel itself.
using TChannelNeighbours = std::vector<std::vector<int>>;

/// The edges of the Delaunay triangulation of the sensors in the scalp-map projection (azimuthal
/// equidistant from the top), one entry per direction given. Fewer than three sensors are all
/// neighbours of each other. Two sensors at one point of the map, sensors that all lie on one
/// line of it, or a direction that is not finite throw EORVAError naming the sensors (by number
/// from 1).
TChannelNeighbours TriangulationNeighbours(const std::vector<TPoint3>& directions);

/// The same, naming the sensors in errors by labels[i] and the file by positionsFile.
TChannelNeighbours TriangulationNeighbours(const std::vector<TPoint3>& directions, const std::vector<std::string>& labels,
                                           const std::filesystem::path& positionsFile);

/// A neighbours file: one line per channel "LABEL: LABEL LABEL ..."; labels in channel order.
/// Refuses (naming the file and line) unknown labels, unparsable lines, missing channels, asymmetry.
/// Blank lines and lines beginning with '#' are skipped; the order of the lines is free.
TChannelNeighbours ReadNeighboursFile(const std::filesystem::path& path, const std::vector<std::string>& labels);

/// ReadNeighboursFile on text already in memory; path only names the file in errors.
TChannelNeighbours ParseNeighbours(std::string_view text, const std::filesystem::path& path,
                                   const std::vector<std::string>& labels);

/// Writes neighbours in the format ReadNeighboursFile reads, one line per channel in channel
/// order (LF line ends), through the safe save: the target is replaced only when complete.
/// Throws EORVAError when the labels and neighbours differ in count or a label cannot be
/// written (empty, or holding a colon or white space).
void WriteNeighboursFile(const std::filesystem::path& path, const TChannelNeighbours& neighbours,
                         const std::vector<std::string>& labels);

} // namespace orva
