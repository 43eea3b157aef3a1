#pragma once
// Mass-univariate t tests over channels x samples, corrected for the many points by a
// cluster-based permutation test (clusters of neighbouring supra-threshold points and the
// null of the largest cluster), by threshold-free cluster enhancement, or by FDR/Bonferroni
// on the parametric p values.
#include "head/ChannelNeighbours.h"
#include "model/ProgressDisplay.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

enum class TClusterDesign {
    OneSample,   ///< the subjects of one cell against 0
    Paired,      ///< per-subject differences of two cells
    Independent, ///< two groups (two files, or the trials of two cells), pooled variance
};

enum class TClusterTail { Both, Positive, Negative };

enum class TPointCorrection { None, Fdr, Bonferroni };

struct TClusterTestOptions {
    /// The cluster-forming t; nothing: the t quantile at PThreshold.
    std::optional<double> Threshold;
    double PThreshold = 0.05;
    TClusterTail Tail = TClusterTail::Both;
    /// Null size wanted: exact enumeration when the distinct permutations number at most this.
    std::int64_t Permutations = 10000;
    std::uint64_t Seed = 1;
    bool Tfce = false;
    double TfceStep = 0.1;
    /// Fdr or Bonferroni: parametric p values per point, no clusters, no permutations.
    TPointCorrection Correction = TPointCorrection::None;
    /// What counts as significant in the pictures and the summary.
    double Alpha = 0.05;
    int Jobs = 1;
};

/// The values tested: one map of Channels x Samples points per subject (or trial),
/// [subject][channel][sample] in one block; Second holds the second group (Independent
/// only). For Paired, First already holds the differences A - B.
struct TClusterData {
    TClusterDesign Design = TClusterDesign::OneSample;
    int Channels = 0;
    int Samples = 0;
    int N1 = 0;
    int N2 = 0;
    std::vector<double> First;
    std::vector<double> Second;
    /// Among the tested channels (indices 0 .. Channels-1).
    TChannelNeighbours Neighbours;
};

struct TCluster {
    /// +1 or -1.
    int Sign = 1;
    double Mass = 0;
    double P = 1;
    /// Its points, channel * Samples + sample over the tested channels and samples, ascending.
    std::vector<int> Points;
    /// Channels x samples, true on the cluster's points.
    std::vector<bool> Mask(int points) const
    {
        std::vector<bool> mask(static_cast<std::size_t>(points), false);
        for (int p : Points)
            mask[static_cast<std::size_t>(p)] = true;
        return mask;
    }
};

struct TClusterTestResult {
    TClusterDesign Design = TClusterDesign::OneSample;
    TClusterTail Tail = TClusterTail::Both;
    TPointCorrection Correction = TPointCorrection::None;
    bool Tfce = false;
    int N1 = 0;
    int N2 = 0;
    /// The tested channels (zero-based, of the file) and samples (zero-based, of the cells),
    /// with each sample's time in ms.
    std::vector<int> Channels;
    std::vector<int> SampleIndices;
    std::vector<double> TimesMs;
    /// Channels.size() x SampleIndices.size(), [channel][sample]:
    std::vector<double> T;
    std::vector<double> PUncorrected;
    /// The point's cluster p, TFCE p or FDR/Bonferroni p; NaN where none applies.
    std::vector<double> PCorrected;
    /// Index into Clusters, -1 outside every cluster.
    std::vector<int> ClusterOf;
    /// TFCE scores (signed as t), empty without TFCE.
    std::vector<double> TfceScore;
    /// Most significant first (p ascending, then |mass| descending).
    std::vector<TCluster> Clusters;
    /// One value per permutation, the observed data's first.
    std::vector<double> Null;
    bool Exact = false;
    /// The cluster-forming t (NaN with TFCE or a correction), its p and the degrees of freedom.
    double Threshold = 0;
    std::optional<double> ThresholdP;
    int Df = 0;
    /// What counts as significant (the options' Alpha).
    double Alpha = 0.05;
    /// Points whose variance is 0 (their t is 0).
    std::int64_t ZeroVariance = 0;
    /// Names for the tables and pictures: the design's text, the labels of the tested channels.
    std::string DesignText;
    std::vector<std::string> ChannelLabels;

    int NumChannels() const { return static_cast<int>(Channels.size()); }
    int NumSamples() const { return static_cast<int>(SampleIndices.size()); }
};

/// The test on data. Refuses (EORVAError naming `what`) too few subjects, a threshold that is
/// not a positive finite number, fewer than 1 permutation, neighbours of the wrong shape.
/// Progress (may be null) is advanced by permutations from the calling thread; an exception
/// it throws (a cancel) stops every worker and is passed on.
TClusterTestResult RunClusterTest(const TClusterData& data, const TClusterTestOptions& options,
                                  const std::string& what, TProgressDisplay* progress = nullptr);

} // namespace orva
