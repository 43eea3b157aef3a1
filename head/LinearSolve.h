#pragma once
// A small dense linear solve (the spline systems have at most a few hundred unknowns).
#include <cstddef>
#include <vector>

namespace orva {

/// The LU factors of a square matrix with partial (row) pivoting.
class TLuFactors {
public:
    /// Factors the row-major n x n matrix a. A matrix with a zero pivot column (singular
    /// to working precision) throws EORVAError naming what.
    TLuFactors(std::vector<double> a, std::size_t n, const char* what);

    std::size_t Size() const { return n_; }
    /// Solves A x = b in place (b has Size() entries).
    void Solve(double* b) const;

private:
    std::vector<double> lu_;
    std::vector<std::size_t> pivot_;
    std::size_t n_;
};

} // namespace orva
