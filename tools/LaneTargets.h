#pragma once
// Which build of a lane kernel to run. A kernel body (always inline, see LaneVector.h) is
// compiled once for every processor of the target and, on x86 with GNU vectors, once more
// for AVX2 and for AVX-512; all do the same IEEE operations without fused multiply-add, so
// they give the same bits and only the width of the registers differs.
#include "tools/LaneVector.h"

#include <atomic>

#if defined(ORVA_GNU_LANES) && (defined(__x86_64__) || defined(__i386__))
#define ORVA_X86_LANE_TARGETS 1
#endif

namespace orva {

/// The builds of a lane kernel, narrowest first.
enum class ELaneTarget { Baseline = 0, Avx2 = 1, Avx512 = 2 };

/// The widest build this processor runs.
inline ELaneTarget SupportedLaneTarget()
{
#ifdef ORVA_X86_LANE_TARGETS
    static const ELaneTarget best = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            return ELaneTarget::Avx512;
        if (__builtin_cpu_supports("avx2"))
            return ELaneTarget::Avx2;
        return ELaneTarget::Baseline;
    }();
    return best;
#else
    return ELaneTarget::Baseline;
#endif
}

/// The widest build the band filters may use; tests lower it to compare the builds.
inline std::atomic<int>& LaneTargetLimit()
{
    static std::atomic<int> limit{static_cast<int>(ELaneTarget::Avx512)};
    return limit;
}

/// The build of a kernel to run now (baseline, avx2, avx512 as the arguments): the widest
/// the processor supports within the limit.
template <class F>
F PickLaneBuild(F baseline, [[maybe_unused]] F avx2, [[maybe_unused]] F avx512)
{
    const int best = static_cast<int>(SupportedLaneTarget());
    const int limit = LaneTargetLimit().load();
    const int level = best < limit ? best : limit;
    return level >= 2 ? avx512 : level == 1 ? avx2 : baseline;
}

} // namespace orva

// Defines name##Baseline (and on x86 name##Avx2, name##Avx512) with the parameter list
// `params`, each calling the always-inline body `name` with `args`.
#ifdef ORVA_X86_LANE_TARGETS
#define ORVA_LANE_BUILDS(name, params, args)                                                                          \
    void name##Baseline params { name args; }                                                                         \
    [[gnu::target("avx2")]] void name##Avx2 params { name args; }                                                    \
    [[gnu::target("avx512f")]] void name##Avx512 params { name args; }
#define ORVA_PICK_LANE_BUILD(name) ::orva::PickLaneBuild(&name##Baseline, &name##Avx2, &name##Avx512)
#else
#define ORVA_LANE_BUILDS(name, params, args)                                                                          \
    void name##Baseline params { name args; }
#define ORVA_PICK_LANE_BUILD(name) ::orva::PickLaneBuild(&name##Baseline, &name##Baseline, &name##Baseline)
#endif
