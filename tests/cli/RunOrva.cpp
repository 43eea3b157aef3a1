#include "tests/cli/RunOrva.h"

#include "tests/support/TestFileBuilder.h"

#include <cstdlib>
#include <sys/wait.h>

namespace orva::test {

namespace {
std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
} // namespace

TOrvaRun RunOrva(const std::vector<std::string>& args)
{
    TTempDir dir;
    std::string command = Quote(ORVA_CLI_PATH);
    for (const auto& a : args)
        command += " " + Quote(a);
    command += " > " + Quote(dir.Path("out")) + " 2> " + Quote(dir.Path("err")) + " < /dev/null";
    int status = std::system(command.c_str());
    TOrvaRun run;
    run.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadText(dir.Path("out"));
    run.Err = ReadText(dir.Path("err"));
    return run;
}

} // namespace orva::test
