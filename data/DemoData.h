#pragma once
#include "head/SensorPositions.h"
#include "model/ORVAFile.h"

#include <filesystem>
#include <vector>

namespace orva {

/// A 64-channel average file: 3 cells of 12 subjects, 250 samples at 250 Hz,
/// ERP-like waveforms with noise after a 200 ms baseline.
TORVAFile MakeDemoAverageFile();

/// A 64-channel study of 12 subjects (an average file whose cells hold subjects, as combine
/// writes it), cells Standard and Target paired by subject, 250 samples at 250 Hz after a
/// 200 ms baseline: the Target's P3 larger at the parietal sensors from about 300 to 600 ms,
/// each subject with a noise level of its own; nothing else differs between the cells.
TORVAFile MakeDemoStudyFile();

/// A 64-channel session file: 2 cells of 40 trials, 250 samples at 250 Hz,
/// with per-channel zeros and gains as an acquisition board gives them.
TORVAFile MakeDemoSessionFile();

/// The demo's 64 sensors E1..E64 in centimetres (x to the right ear, y to the nose, z up),
/// made up here: an even spread over the upper head of a sphere of 9 cm radius, from the
/// top of the head down to 20 degrees below the ears' level; E1 at the top.
std::vector<TSensorPosition> DemoSensorPositions();

/// The three fiducials written before the sensors in demo.sfp (nasion, left and right
/// preauricular points), in the same frame.
std::vector<TSensorPosition> DemoFiducials();

/// Writes demo.ave, demo.ses, demo.sfp and demo-study.ave into folder (created if missing);
/// returns their paths in that order.
std::vector<std::filesystem::path> WriteDemoFiles(const std::filesystem::path& folder);

} // namespace orva
