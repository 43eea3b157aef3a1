#include "tools/TDistribution.h"

#include <boost/math/distributions/students_t.hpp>

namespace orva {

double StudentTQuantile(double p, int df)
{
    const boost::math::students_t_distribution<double> t(static_cast<double>(df));
    return boost::math::quantile(t, p);
}

double StudentTSurvival(double t, int df)
{
    const boost::math::students_t_distribution<double> d(static_cast<double>(df));
    return boost::math::cdf(boost::math::complement(d, t));
}

} // namespace orva
