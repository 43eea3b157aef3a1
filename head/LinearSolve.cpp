#include "head/LinearSolve.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orva {

TLuFactors::TLuFactors(std::vector<double> a, std::size_t n, const char* what) : lu_(std::move(a)), pivot_(n), n_(n)
{
    double largest = 0;
    for (double v : lu_)
        largest = std::max(largest, std::abs(v));
    const double tiny = largest * 1e-14;
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t best = k;
        for (std::size_t r = k + 1; r < n; ++r)
            if (std::abs(lu_[r * n + k]) > std::abs(lu_[best * n + k]))
                best = r;
        if (!(std::abs(lu_[best * n + k]) > tiny))
            throw EORVAError(what, "the system of equations is singular");
        pivot_[k] = best;
        if (best != k)
            for (std::size_t c = 0; c < n; ++c)
                std::swap(lu_[k * n + c], lu_[best * n + c]);
        const double p = lu_[k * n + k];
        for (std::size_t r = k + 1; r < n; ++r) {
            const double f = lu_[r * n + k] / p;
            lu_[r * n + k] = f;
            if (f != 0)
                for (std::size_t c = k + 1; c < n; ++c)
                    lu_[r * n + c] -= f * lu_[k * n + c];
        }
    }
}

void TLuFactors::Solve(double* b) const
{
    const std::size_t n = n_;
    for (std::size_t k = 0; k < n; ++k)
        if (pivot_[k] != k)
            std::swap(b[k], b[pivot_[k]]);
    for (std::size_t r = 1; r < n; ++r) {
        double s = b[r];
        for (std::size_t c = 0; c < r; ++c)
            s -= lu_[r * n + c] * b[c];
        b[r] = s;
    }
    for (std::size_t r = n; r-- > 0;) {
        double s = b[r];
        for (std::size_t c = r + 1; c < n; ++c)
            s -= lu_[r * n + c] * b[c];
        b[r] = s / lu_[r * n + r];
    }
}

} // namespace orva
