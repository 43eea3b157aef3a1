// Reads the input as a sensor positions file: ".sfp" when the first byte is even, else a
// BIDS "_electrodes.tsv". A refusal names the file and a line; accepted sensors have
// distinct non-empty labels and finite coordinates away from the origin, and each gives
// its channel a unit direction.
#include "FuzzSupport.h"
#include "head/SensorPositions.h"
#include "model/PathText.h"

#include <cmath>
#include <set>
#include <string_view>

using namespace orva;
using namespace orva::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool sfp = data[0] % 2 == 0;
    const std::filesystem::path path = sfp ? "fuzz.sfp" : "fuzz_electrodes.tsv";
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<TSensorPosition> sensors;
    try {
        sensors = sfp ? ParseSfp(text, path) : ParseElectrodesTsv(text, path);
    } catch (const EORVAError& e) {
        // A file without any line (an empty table) has no line to name.
        const std::string& cause = e.Cause();
        Require(e.Path() == PathText(path) && (cause.rfind("line ", 0) == 0 || cause.rfind("too large", 0) == 0 ||
                                               cause.rfind("no header line", 0) == 0),
                std::string("a refusal that names no line of the file: ") + e.what());
        return 0;
    }
    std::set<std::string> labels;
    std::vector<std::string> names;
    for (const auto& s : sensors) {
        Require(!s.Label.empty() && labels.insert(s.Label).second, "an accepted label empty or twice: " + s.Label);
        Require(std::isfinite(s.X) && std::isfinite(s.Y) && std::isfinite(s.Z) && (s.X != 0 || s.Y != 0 || s.Z != 0),
                "an accepted sensor at the origin or beyond the numbers: " + s.Label);
        names.push_back(s.Label);
    }
    for (const auto& direction : ChannelDirections(sensors, names)) {
        Require(direction.has_value(), "a listed sensor gives its channel no direction");
        const double length = std::hypot(direction->X, direction->Y, direction->Z);
        Require(std::abs(length - 1) < 1e-9, "a direction that is not a unit vector");
    }
    return 0;
}
