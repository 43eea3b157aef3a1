#include "model/CheckedOpen.h"

#include "model/ORVAError.h"

namespace orva {

std::filesystem::path AbsoluteDataPath(const std::filesystem::path& path)
{
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal();
}

std::string CheckVerdict(TORVAFile& file, const std::filesystem::path& Path, bool openAnyway)
{
    TFixedAnswer answer(openAnyway);
    const std::string problem = file.CheckFile(Path, &answer);
    // The question names the lengths; the refusal alone ("Bad file length") does not.
    if (!problem.empty() && !answer.Asked().empty() && problem == "Bad file length")
        return answer.Asked().substr(0, answer.Asked().find('\r')) + "\n" + problem;
    return problem;
}

TORVAFile OpenChecked(const std::filesystem::path& Path, bool openAnyway, TProgressDisplay* progress)
{
    const std::filesystem::path full = AbsoluteDataPath(Path);
    TORVAFile file;
    const std::string verdict = CheckVerdict(file, full, openAnyway);
    if (!verdict.empty())
        throw EORVAError(PathText(full), verdict);
    file.LoadFromFile(full, progress);
    return file;
}

} // namespace orva
