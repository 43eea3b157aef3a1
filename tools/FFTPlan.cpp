#include "tools/FFTPlan.h"

#include "tools/TwiddleRecurrence.h"

namespace orva {

namespace {

void RecordSplitTwiddles(int n, double theta, std::vector<double>& wr, std::vector<double>& wi)
{
    auto w = TTwiddleRecurrence::ForAngle(theta, 0.0, 0.0);
    w.wr = 1.0 + w.wpr;
    w.wi = w.wpi;
    for (int i = 2; i <= n / 2; ++i) {
        wr.push_back(w.wr);
        wi.push_back(w.wi);
        w.Advance();
    }
}

} // namespace

TComplexFFTTables::TComplexFFTTables(int n, int sign)
{
    const int m2 = 2 * n;
    int j = 1;
    for (int i = 1; i < m2; i += 2) {
        if (j > i)
            Swaps.emplace_back(i, j);
        int m = m2 / 2;
        while (m >= 2 && j > m) {
            j -= m;
            m /= 2;
        }
        j += m;
    }
    for (int mmax = 2; m2 > mmax; mmax *= 2) {
        auto w = TTwiddleRecurrence::ForAngle(StageAngle(sign, mmax), 1.0, 0.0);
        for (int m = 1; m < mmax; m += 2) {
            Wr.push_back(w.wr);
            Wi.push_back(w.wi);
            w.Advance();
        }
    }
}

TRealFFTPlan::TRealFFTPlan(int n) : N(n), Forward(n, 1), Inverse(n, -1)
{
    RecordSplitTwiddles(n, SplitAngle(n), SplitWrForward, SplitWiForward);
    RecordSplitTwiddles(n, -SplitAngle(n), SplitWrInverse, SplitWiInverse);
}

} // namespace orva
