#pragma once
// The machine's setting for transparent huge pages, printed beside every figure that
// depends on it: "always" backs all large memory with 2 MiB pages, "madvise" only memory
// that asks for them, "never" none.
#include <fstream>
#include <string>

namespace orva::bench {

inline std::string HugePageSetting()
{
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    if (!std::getline(in, line))
        return "unknown (no /sys/kernel/mm/transparent_hugepage)";
    const auto open = line.find('['), close = line.find(']');
    return open == std::string::npos || close < open ? line : line.substr(open + 1, close - open - 1);
}

} // namespace orva::bench
