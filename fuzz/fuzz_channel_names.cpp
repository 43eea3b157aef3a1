// Reads the input as a channel-name file (the --names of the recording exports) for a
// document of 0 to 255 channels (the first byte). A refusal names the file and a line that
// the file has, or both counts when only the count is wrong; accepted names are the file's
// lines, as many as the channels, each of 1 to 16 bytes of printable UTF-8, none twice.
#include "FuzzSupport.h"
#include "select/EpochLayout.h"
#include "model/PathText.h"

#include <set>
#include <string_view>

using namespace orva;
using namespace orva::fuzz;

namespace {

// The lines as the reader splits them: at LF, a last line without its LF counted too.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

bool Printable(std::string_view name)
{
    for (char ch : name)
        if (static_cast<unsigned char>(ch) < 32 || ch == 127)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int channels = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::filesystem::path path = WriteScratch("names.txt", {data + 1, size - 1});
    const std::vector<std::string_view> lines = Lines(text);
    std::vector<std::string> names;
    try {
        names = ReadChannelNames(path, channels, "fuzz.ses");
    } catch (const EORVAError& e) {
        Require(e.Path() == PathText(path), std::string("a refusal that does not name the file: ") + e.what());
        const std::string& cause = e.Cause();
        if (cause.rfind("Line ", 0) == 0) {
            const long line = std::strtol(cause.c_str() + 5, nullptr, 10);
            Require(line >= 1 && static_cast<std::size_t>(line) <= lines.size() &&
                        cause.find(": ") != std::string::npos,
                    "a refusal names a line the file lacks: " + cause);
            return 0;
        }
        const std::string counts = "The file holds " + std::to_string(lines.size()) + " channel names, but fuzz.ses has " +
                                   std::to_string(channels) + " channels";
        Require(cause == counts && static_cast<int>(lines.size()) != channels, "a refusal without a line: " + cause);
        return 0;
    }
    Require(names.size() == static_cast<std::size_t>(channels) && lines.size() == names.size(),
            "accepted names of another count than the channels");
    std::set<std::string> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        Require(!name.empty() && name.size() <= 16 && Printable(name), "an accepted name out of bounds: " + name);
        Require(lines[i].find(name) != std::string_view::npos && lines[i].size() <= name.size() + 4,
                "an accepted name that is not its line");
        Require(seen.insert(name).second, "an accepted name twice: " + name);
    }
    return 0;
}
