#include "tools/Jackknife.h"

#include <cstddef>

namespace orva {

std::vector<std::vector<double>> LeaveOneOutMeans(const std::vector<std::vector<double>>& traces)
{
    const std::size_t n = traces.size();
    const std::size_t samples = n > 0 ? traces[0].size() : 0;
    std::vector<std::vector<double>> means(n, std::vector<double>(samples, 0.0));
    // Each mean adds its n - 1 traces afresh rather than taking one trace from the sum of
    // all, so a mean does not carry the rounding of a trace it leaves out.
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<double>& mean = means[i];
        for (std::size_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            for (std::size_t s = 0; s < samples; ++s)
                mean[s] += traces[j][s];
        }
        for (double& value : mean)
            value /= static_cast<double>(n - 1);
    }
    return means;
}

std::vector<double> RetrievedScores(std::span<const double> leaveOneOut)
{
    const double n = static_cast<double>(leaveOneOut.size());
    double sum = 0;
    for (double j : leaveOneOut)
        sum += j;
    const double mean = sum / n;
    std::vector<double> scores;
    scores.reserve(leaveOneOut.size());
    for (double j : leaveOneOut)
        scores.push_back(n * mean - (n - 1) * j);
    return scores;
}

} // namespace orva
