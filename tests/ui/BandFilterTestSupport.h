#pragma once
// What the band-filter dialog's tests share: the options in one call, the core's refusals.
#include "model/ORVAError.h"
#include "tools/BandFilter.h"

#include <functional>
#include <optional>
#include <string>

namespace orva::test {

inline TBandFilterOptions Options(EBandKind kind, double low, double high, EFilterDesign design, std::optional<int> order,
                           std::optional<double> notchWidth = std::nullopt)
{
    return {kind, low, high, design, order, notchWidth};
}

// The message the core gives for options it refuses.
inline std::string CoreRefusal(const std::function<void()>& check)
{
    try {
        check();
    } catch (const EORVAError& error) {
        return error.what();
    }
    return "(accepted)";
}

} // namespace orva::test
