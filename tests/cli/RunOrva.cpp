#include "tests/cli/RunOrva.h"

#include "model/PathText.h"
#include "model/Platform.h"
#include "tests/support/TestFileBuilder.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cstdlib>
#include <sys/wait.h>
#endif

namespace orva::test {

namespace {

std::filesystem::path OrvaProgram() { return platform::ExecutablePath().parent_path() / ORVA_CLI_NAME; }

#ifdef _WIN32
// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring Quote(const std::wstring& s)
{
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : s) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, L'\\');
    return q + L"\"";
}

HANDLE Inheritable(const std::wstring& name, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return ::CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Run(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err)
{
    const std::wstring program = OrvaProgram().wstring();
    std::wstring line = Quote(program);
    for (const auto& a : args)
        line += L" " + Quote(PathFromText(a).wstring());
    HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE o = Inheritable(out.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE e = Inheritable(err.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = o;
    si.hStdError = e;
    PROCESS_INFORMATION pi{};
    DWORD status = static_cast<DWORD>(-1);
    // Wine, busy, now and then fails to start a process at all; a few tries tell that from a
    // program that does not start.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                                   &pi) != 0;
        if (!started)
            ::Sleep(200);
    }
    if (started) {
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::GetExitCodeProcess(pi.hProcess, &status);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    for (HANDLE h : {in, o, e})
        ::CloseHandle(h);
    return static_cast<int>(status);
}
#else
std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int Run(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err)
{
#ifndef ORVA_CLI_LAUNCHER
#define ORVA_CLI_LAUNCHER ""
#endif
    std::string command = ORVA_CLI_LAUNCHER + Quote(OrvaProgram().string());
    for (const auto& a : args)
        command += " " + Quote(a);
    command += " > " + Quote(out.string()) + " 2> " + Quote(err.string()) + " < /dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// Windows programs end their console lines with CR LF; the tests compare lines.
std::string WithLineFeeds(std::string text)
{
#ifdef _WIN32
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
#else
    return text;
#endif
}

} // namespace

TOrvaRun RunOrva(const std::vector<std::string>& args)
{
    TTempDir dir;
    TOrvaRun run;
    run.ExitStatus = Run(args, dir.Path("out"), dir.Path("err"));
    run.Out = WithLineFeeds(ReadText(dir.Path("out")));
    run.Err = WithLineFeeds(ReadText(dir.Path("err")));
    return run;
}

} // namespace orva::test
