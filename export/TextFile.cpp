#include "export/TextFile.h"

#include "select/LineSink.h"

namespace orva {

void WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    SaveLines(path, kCrLf, [&](TLineSink& sink) {
        for (const auto& line : lines)
            sink.Line(line);
    });
}

} // namespace orva
