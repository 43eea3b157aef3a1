#include "tools/ErpAverage.h"

#include "model/Calibration.h"

#include <limits>

namespace orva {

void CheckAverage(const TORVAFile& session, const TAverageOptions& options)
{
    RequireSessionFile(session, "average");
    if (options.BaselineMs < std::numeric_limits<std::int16_t>::min() ||
        options.BaselineMs > std::numeric_limits<std::int16_t>::max())
        RefuseExport(session, "Cannot average: a baseline of " + std::to_string(options.BaselineMs) +
                                  " ms does not fit the file's field (-32768 to 32767)");
    if (session.NumCells() == 0)
        RefuseExport(session, "Cannot average: the file has no cells");
    if (options.Observations && options.Observations->empty())
        RefuseExport(session, "Cannot average: the list of observations is empty");
    for (int c = 0; c < session.NumCells(); ++c) {
        const TORVACell& cell = session.Cells[static_cast<std::size_t>(c)];
        if (cell.NumObservations <= 0)
            RefuseExport(session, "Cannot average: " + CellText(session, c) + " has no observation");
        if (options.Observations)
            CheckSelectionEntries(session, "Observations", *options.Observations, cell.NumObservations,
                                  CellText(session, c) + " has " + std::to_string(cell.NumObservations) +
                                      " observations");
        if (options.Excluded && (options.Excluded->size() != session.Cells.size() ||
                                 (*options.Excluded)[static_cast<std::size_t>(c)].size() !=
                                     static_cast<std::size_t>(cell.NumObservations)))
            RefuseExport(session, "Cannot average: the list of bad trials does not match " + CellText(session, c));
    }
}

TSelectionList AveragedObservations(const TORVAFile& session, const TAverageOptions& options, int c)
{
    const int count = session.Cells[static_cast<std::size_t>(c)].NumObservations;
    TSelectionList chosen;
    if (options.Observations) {
        chosen = DistinctEntries(session, "Observations", *options.Observations, count, "");
    } else {
        for (int o = 0; o < count; ++o)
            chosen.push_back(o);
    }
    if (options.Excluded) {
        const std::vector<bool>& bad = (*options.Excluded)[static_cast<std::size_t>(c)];
        std::erase_if(chosen, [&](int o) { return bad[static_cast<std::size_t>(o)]; });
    }
    return chosen;
}

namespace {

// The mean of the chosen observations of cell c. The raw samples are summed over the
// cell's contiguous block, one observation after another, into one row of doubles (exact:
// the sums stay far below 2^53); each sum is calibrated once at the end.
TValueCell AverageCell(const TORVAFile& session, int c, const TSelectionList& observations)
{
    const TORVACell& in = session.Cells[static_cast<std::size_t>(c)];
    const std::size_t perObservation = in.Data.ValuesPerObservation();
    TLargeArray<double> sum(perObservation); // zero bits: 0.0
    for (int o : observations) {
        const std::int16_t* raw = in.Data.Observation(o);
        double* acc = sum.data();
        for (std::size_t i = 0; i < perObservation; ++i)
            acc[i] += raw[i];
    }
    TRowCalibration(session).MeansOfSums(sum.data(), sum.size(), static_cast<int>(observations.size()));
    return AveragedCell(in, static_cast<std::int16_t>(observations.size()),
                        session.DataDescription.CellWords[static_cast<std::size_t>(c)], std::move(sum),
                        ExportedDocumentName(session));
}

} // namespace

TErpResult AverageSession(const TORVAFile& session, const TAverageOptions& options)
{
    CheckAverage(session, options);
    std::vector<TValueCell> cells;
    for (int c = 0; c < session.NumCells(); ++c) {
        const TSelectionList chosen = AveragedObservations(session, options, c);
        if (chosen.empty())
            RefuseExport(session, "Cannot average: " + CellText(session, c) + " has no trial left once the bad "
                                                                             "trials are left out");
        cells.push_back(AverageCell(session, c, chosen));
    }
    TErpResult result;
    result.File = MakeAverageFile(session, std::move(cells), 1, options.BaselineMs);
    return result;
}

} // namespace orva
