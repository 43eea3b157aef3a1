#pragma once
#include <utility>
#include <vector>

namespace orva {

/// The fixed parts of ComplexFFT for one point count and sign: the pair exchanges of
/// the bit-reversal reordering and the twiddle factor of every butterfly group, in the
/// order in which ComplexFFT uses them (stage by stage, then group by group).
struct TComplexFFTTables {
    std::vector<std::pair<int, int>> Swaps; ///< one-based array indices (i, j) of pairs to exchange
    std::vector<double> Wr;
    std::vector<double> Wi;

    TComplexFFTTables(int n, int sign);
};

/// The fixed parts of RealFFT for n complex points (2n real values): the tables of the
/// forward and inverse complex transforms and the twiddle factors of the real-data split.
/// The twiddle factors are recorded by running the recurrence, so they carry exactly the
/// bits the step-by-step routines compute.
struct TRealFFTPlan {
    int N;
    TComplexFFTTables Forward;
    TComplexFFTTables Inverse;
    std::vector<double> SplitWrForward, SplitWiForward; ///< for i = 2 .. n/2
    std::vector<double> SplitWrInverse, SplitWiInverse;

    explicit TRealFFTPlan(int n);
};

} // namespace orva
