#pragma once
// A document's cells as arrays for array-based clients (NumPy, MNE-Python): calibrated
// values in the order channels x samples, the times of the samples, and what an epoch or
// evoked-response object needs to know of the cells.
#include "model/ORVAFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace orva {

/// Writes the calibrated values of every sample of cell c (zero-based) to out, which has room
/// for NumObservations x NumChannels x SamplesPerObservation values, in that order (each
/// channel's trace contiguous). The values are CalibratedValue's, bit for bit. Refuses
/// (EORVAError naming the document) a cell that does not hold its announced samples and
/// channels whose calibration would divide by zero; out is then untouched.
void CalibrateCell(const TORVAFile& file, int c, double* out);

/// The time in ms of every sample of cell c, as the long table has it. Refuses a cell whose
/// sampling rate is not positive.
std::vector<double> CellSampleTimes(const TORVAFile& file, int c);

/// Refuses a file without observations and, naming the first two cells that differ, cells with observations that do not
/// share the samples per observation and the sampling rate (epochs of one array must).
void CheckUniformEpochs(const TORVAFile& file);

/// The number of trials behind subject o's average in an average file: word 0 of its
/// trial specifics where the file holds it and it is at least 1, else 1.
int AveragedTrials(const TORVACell& cell, int o);

/// EventName of each cell, made unique by a " (2)", " (3)" ... after names met before.
std::vector<std::string> UniqueEventNames(const TORVAFile& file);

} // namespace orva
