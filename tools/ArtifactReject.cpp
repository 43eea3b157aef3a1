#include "tools/ArtifactReject.h"

#include <algorithm>

namespace orva {

namespace {

// The cell with the kept observations' samples and trial specifics copied in order.
TORVACell KeptTrials(const TORVACell& in, const std::vector<bool>& excluded, std::int32_t channels)
{
    const std::int32_t kept = static_cast<std::int32_t>(std::count(excluded.begin(), excluded.end(), false));
    TORVACell out;
    out.Name = in.Name;
    out.CellNumber = in.CellNumber;
    out.NumObservations = kept;
    out.SamplesPerObservation = in.SamplesPerObservation;
    out.SamplesPerSecond = in.SamplesPerSecond;
    out.TrialSpecificsLength = in.TrialSpecificsLength;
    out.RecordInFile = in.RecordInFile;
    out.Data = TSampleArray(kept, in.SamplesPerObservation, channels);
    const std::int32_t words = in.TrialSpecifics.WordsPerObservation();
    out.TrialSpecifics = TTrialSpecifics(kept, words);
    const std::size_t values = in.Data.ValuesPerObservation();
    std::int32_t k = 0;
    for (std::int32_t o = 0; o < in.NumObservations; ++o) {
        if (excluded[static_cast<std::size_t>(o)])
            continue;
        std::copy_n(in.Data.Observation(o), values, out.Data.Observation(k));
        for (std::int32_t w = 0; w < words; ++w)
            out.TrialSpecifics(k, w) = in.TrialSpecifics(o, w);
        ++k;
    }
    return out;
}

} // namespace

TORVAFile RejectTrials(const TORVAFile& session, const TTrialExclusions& exclusions)
{
    if (!session.IsSessionFile())
        RefuseExport(session, "Cannot reject trials: this is an average file: its observations are subjects, not trials");
    CheckDocumentShape(session);
    if (exclusions.size() != session.Cells.size())
        RefuseExport(session, "Cannot reject trials: the list of trials does not match the file's cells");
    TORVAFile out;
    out.FileDescription = session.FileDescription;
    out.GeneralInformation = session.GeneralInformation;
    out.DataDescription = session.DataDescription;
    out.Comment = session.Comment;
    out.TextSegment = session.TextSegment;
    out.FullFileName = session.FullFileName;
    out.FileName = session.FileName;
    for (std::size_t c = 0; c < session.Cells.size(); ++c) {
        const TORVACell& cell = session.Cells[c];
        if (exclusions[c].size() != static_cast<std::size_t>(std::max(0, cell.NumObservations)))
            RefuseExport(session, "Cannot reject trials: the list of trials does not match cell " +
                                      std::to_string(c + 1));
        out.Cells.push_back(KeptTrials(cell, exclusions[c], session.NumChannels()));
    }
    return out;
}

std::int64_t CountExcluded(const TTrialExclusions& exclusions)
{
    std::int64_t n = 0;
    for (const auto& cell : exclusions)
        n += std::count(cell.begin(), cell.end(), true);
    return n;
}

} // namespace orva
