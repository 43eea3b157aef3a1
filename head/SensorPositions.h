#pragma once
// Where each sensor sits on the head. Axes as in BIDS and in the nets' own position files:
// x to the right ear, y to the nose, z up, origin at the centre of the head.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct TSensorPosition {
    std::string Label;
    double X = 0, Y = 0, Z = 0;
    /// The line of its positions file (from 1); 0 for a sensor given otherwise.
    int Line = 0;
};

struct TPoint3 {
    double X = 0, Y = 0, Z = 0;
};

/// The sensors of a positions file, in the file's order: ".sfp" (label x y z per line,
/// separated by spaces or tabs; labels beginning with "Fid" in any case are fiducials and
/// skipped) or a BIDS "*_electrodes.tsv" (a header naming name, x, y and z among its
/// columns), chosen by the extension in any case. Any other extension, a line of another
/// shape, a coordinate that is not a finite number, a label listed twice or a sensor at the
/// origin throws EORVAError naming the file and the line.
std::vector<TSensorPosition> ReadSensorPositions(const std::filesystem::path& path);

/// ReadSensorPositions on text already in memory; path only names the file in errors.
std::vector<TSensorPosition> ParseSfp(std::string_view text, const std::filesystem::path& path);
std::vector<TSensorPosition> ParseElectrodesTsv(std::string_view text, const std::filesystem::path& path);

/// For each channel name, the unit vector from origin towards the sensor of that label
/// (labels compared exactly), or nullopt when no sensor has the label or the sensor lies at
/// origin. Labels that match no channel are ignored.
std::vector<std::optional<TPoint3>> ChannelDirections(const std::vector<TSensorPosition>& sensors,
                                                      const std::vector<std::string>& channelNames,
                                                      TPoint3 origin = {});

/// The directions from origin of the given channels (zero-based), in that order, as
/// ChannelDirections gives them. A channel without a sensor of its label throws EORVAError
/// naming dataFile, the channel's number and label and positionsFile; a sensor at origin,
/// one naming positionsFile and the sensor's line.
std::vector<TPoint3> RequireDirections(const std::vector<TSensorPosition>& sensors, const std::vector<int>& channels,
                                       const std::vector<std::string>& channelNames, TPoint3 origin,
                                       const std::filesystem::path& positionsFile, const std::string& dataFile);

} // namespace orva
