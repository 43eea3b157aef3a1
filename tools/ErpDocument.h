#pragma once
// What the ERP operations (average, combine, grand average, baseline, difference, average
// reference) share: values in microvolts in double, the average file they are stored in
// (its ScaleBins chosen from the largest value, its header taken from an input), the session
// file they are written back into, and the refusals of inputs that do not fit.
#include "model/LargeBuffer.h"
#include "model/ORVAFile.h"
#include "select/Selection.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orva {

/// An operation's new document, not yet written, and what the user should be told about it.
struct TErpResult {
    TORVAFile File;
    /// Values of a session file that did not fit a 16-bit sample and were clamped.
    std::int64_t Clamped = 0;
    /// Remarks for the user (a trial count too large for its field, say).
    std::vector<std::string> Notes;
};

/// One cell of an average file being built: its record (Data left empty) and its values,
/// [observation][sample][channel] in microvolts, in one block.
struct TValueCell {
    TORVACell Record;
    std::int32_t CellWord = 0;
    TLargeArray<double> Values;
    /// The input each observation's values came from, for the refusal of a value too large.
    std::vector<std::string> Sources;
};

/// A cell of one averaged observation shaped like model: its name, number, samples and
/// rate, 28-byte trial specifics with word 0 = trials, the other words 0.
TValueCell AveragedCell(const TORVACell& model, std::int16_t trials, std::int32_t cellWord,
                        TLargeArray<double> values, std::string source);

/// The ScaleBins an average file gets when its largest absolute value is m:
/// min(32767, floor(32767 / m)), 32767 for m = 0; 0 when m > 32767 (no scale fits).
std::int32_t ChooseScaleBins(double m);

/// The average file holding cells, its header from source: HeaderVersion -1,
/// ScaleCalibration 0, the given LastSubjectDone and BaselineDuration, ScaleBins from the
/// largest value; experiment name, zeros, gains, board gain, comment and text from source.
/// Each value is stored as nearest(v x ScaleBins), halves to even. Refuses (naming the
/// source, cell, observation, channel and value) the first value beyond 32767 in magnitude.
TORVAFile MakeAverageFile(const TORVAFile& source, std::vector<TValueCell> cells, std::int32_t lastSubjectDone,
                          std::int32_t baselineDuration);

/// The trial specifics of cell as an average file keeps them: 28 bytes per observation,
/// the cell's own words cut or padded with zeros.
TTrialSpecifics AverageTrialSpecifics(const TORVACell& cell);

/// Cell c of an average file with its values and its own trial specifics (cut or padded).
TValueCell ValueCellOf(const TORVAFile& file, int c);

/// Changes the values of one observation (samples x channels, channels adjacent) in place.
using TObservationChange = std::function<void(int cell, int observation, double* values)>;

/// Applies change to every observation of every cell of file. An average file is stored
/// again at the ScaleBins its new values need; a session file keeps header and calibration
/// and its values are written back as the filter writes them, clamped ones counted.
TErpResult ChangeObservations(TORVAFile file, const TObservationChange& change);

/// Refuses (EORVAError naming the file) a document that is not of the kind the operation
/// takes, whose cells do not hold their samples, or that cannot be calibrated.
void RequireAverageFile(const TORVAFile& file, const std::string& operation);
void RequireSessionFile(const TORVAFile& file, const std::string& operation);
void RequireUsable(const TORVAFile& file, const std::string& operation);
/// RequireSessionFile for an operation on trials (artifact rules, rejection, averaging
/// after rules): an average file is refused because its observations are subjects.
void RequireTrials(const TORVAFile& file, const std::string& operation);

/// A typed list of numbers (zero-based, as ParseSelectionList gives it) with every number
/// once, in the order first typed, after refusing any outside 0 .. count - 1.
TSelectionList DistinctEntries(const TORVAFile& file, const char* listName, const TSelectionList& list, int count,
                               const std::string& note);

/// The name of cell c of file for messages: `cell 2 "target"`.
std::string CellText(const TORVAFile& file, int c);

} // namespace orva
