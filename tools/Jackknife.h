#pragma once
// The jackknife of ERP measures across subjects: each subject's measure is taken on the
// grand average of the other subjects, where a peak or an onset is clear, and then turned
// back into one score per subject that ordinary statistics can take.
#include <span>
#include <vector>

namespace orva {

/// The leave-one-out means of n >= 2 traces of equal length: entry i is, sample by sample,
/// the mean of every trace but trace i, added in the given order.
std::vector<std::vector<double>> LeaveOneOutMeans(const std::vector<std::vector<double>>& traces);

/// The retrieved scores of the leave-one-out measures J (n >= 2 of them): for subject i,
/// n x mean(J) - (n - 1) x J_i. Their mean is the mean of J and their spread that of the
/// subjects, so the statistics need no correction.
std::vector<double> RetrievedScores(std::span<const double> leaveOneOut);

} // namespace orva
