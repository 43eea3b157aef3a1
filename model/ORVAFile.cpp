#include "model/ORVAFile.h"

namespace orva {

std::int64_t TORVACell::RecordSize() const
{
    return layout::kCellRecordFixedSize +
           2 * static_cast<std::int64_t>(NumObservations) * (TrialSpecificsLength / 2);
}

std::optional<std::string> CalibrationProblem(const TORVAFile& file, int c)
{
    if (file.IsAverageFile()) {
        if (file.GeneralInformation.ScaleBins == 0)
            return std::string("Scale bins is 0, so the samples cannot be converted to microvolts");
        return std::nullopt;
    }
    if (file.DataDescription.Gains.at(static_cast<std::size_t>(c)) == 0)
        return "Gain of channel " + std::to_string(c + 1) + " is 0, so its samples cannot be converted to microvolts";
    return std::nullopt;
}

std::optional<std::string> FirstCalibrationProblem(const TORVAFile& file)
{
    if (file.IsAverageFile())
        return CalibrationProblem(file, 0);
    for (int c = 0; c < file.NumChannels(); ++c)
        if (auto problem = CalibrationProblem(file, c))
            return problem;
    return std::nullopt;
}

} // namespace orva
