#include "export/TextFile.h"

#include "model/FileStream.h"

namespace orva {

void WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    // The stream writes beside the target and renames only on Commit(): an error
    // part way leaves any existing file untouched.
    TFileStream stream(path, TFileMode::fmCreate);
    static constexpr char kLineEnd[2] = {'\r', '\n'};
    for (const auto& line : lines) {
        stream.Write(line.data(), line.size());
        stream.Write(kLineEnd, sizeof kLineEnd);
    }
    stream.Commit();
}

} // namespace orva
