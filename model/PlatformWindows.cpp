// The Windows half of the platform layer: wide-character names everywhere, share modes
// for the open files, and a replace that is one step on the file system.
#include "model/Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <io.h>
#include <shellapi.h>

namespace orva::platform {

namespace {

// The common errors get the words and codes of the C library, so messages read the same
// on every system; the rest keep the system's own code and text.
std::error_code FromWindows(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::read_only_file_system);
    default:
        return {static_cast<int>(error), std::system_category()};
    }
}

std::error_code LastError() { return FromWindows(::GetLastError()); }

HANDLE Native(void* handle) { return handle ? static_cast<HANDLE>(handle) : INVALID_HANDLE_VALUE; }

std::string Utf8(const wchar_t* text, int length)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

// One read or write call moves at most this much (the calls take a 32-bit count).
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

} // namespace

TNativeFile::~TNativeFile()
{
    if (handle_)
        ::CloseHandle(Native(handle_));
}

std::error_code TNativeFile::OpenForReading(const std::filesystem::path& path)
{
    // Others may read the file while it is read here, but no program may change it.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastError();
    handle_ = h;
    return {};
}

std::error_code TNativeFile::CreateNew(const std::filesystem::path& path)
{
    // No sharing: nobody opens the file while it is being written.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return LastError();
    handle_ = h;
    return {};
}

std::size_t TNativeFile::Read(void* dst, std::size_t count, std::error_code& ec)
{
    auto* out = static_cast<char*>(dst);
    std::size_t done = 0;
    ec.clear();
    while (done < count) {
        DWORD got = 0;
        const auto ask = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        if (!::ReadFile(Native(handle_), out + done, ask, &got, nullptr)) {
            ec = LastError();
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

std::error_code TNativeFile::Write(const void* src, std::size_t count)
{
    const auto* in = static_cast<const char*>(src);
    while (count > 0) {
        DWORD put = 0;
        const auto ask = static_cast<DWORD>(std::min(count, kMaxTransfer));
        if (!::WriteFile(Native(handle_), in, ask, &put, nullptr))
            return LastError();
        in += put;
        count -= put;
    }
    return {};
}

std::error_code TNativeFile::Seek(std::int64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return ::SetFilePointerEx(Native(handle_), to, nullptr, FILE_BEGIN) ? std::error_code() : LastError();
}

std::int64_t TNativeFile::Size(std::error_code& ec) const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(Native(handle_), &size)) {
        ec = LastError();
        return -1;
    }
    ec.clear();
    return size.QuadPart;
}

std::error_code TNativeFile::Sync()
{
    return ::FlushFileBuffers(Native(handle_)) ? std::error_code() : LastError();
}

std::error_code TNativeFile::Close()
{
    HANDLE h = Native(handle_);
    handle_ = nullptr;
    return h != INVALID_HANDLE_VALUE && !::CloseHandle(h) ? LastError() : std::error_code();
}

std::error_code ReplaceDurably(const std::filesystem::path& source, const std::filesystem::path& target)
{
    // One step, the old file or the new one, and not back before the change is on the disk.
    if (!::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    return {};
}

std::uint64_t CurrentProcessId() { return ::GetCurrentProcessId(); }

bool ProcessIsRunning(std::uint64_t pid)
{
    if (pid == 0 || pid > 0xFFFFFFFFu)
        return false;
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // it exists, but is not ours to open
    // A process that has ended but whose handle someone still holds is signalled.
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

void* AllocateZeroedPages(std::size_t bytes, bool)
{
    // Committed pages are zero and take memory only when first touched. Large pages would
    // need a privilege most accounts lack and are taken at once: not for these blocks.
    return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeZeroedPages(void* block, std::size_t, bool)
{
    if (block)
        ::VirtualFree(block, 0, MEM_RELEASE);
}

std::filesystem::path ExecutablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<std::string> ProgramArguments(int, char**)
{
    // The 8-bit argv of a Windows program holds the names in the local code page, which
    // cannot spell most names: the wide command line is the true one.
    ::SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i)
        args.push_back(Utf8(wide[i], static_cast<int>(std::wcslen(wide[i]))));
    ::LocalFree(wide);
    return args;
}

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

std::string ErrorText(const std::error_code& ec)
{
    if (ec.category() != std::system_category())
        return ec.message();
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, static_cast<DWORD>(ec.value()), 0,
                                          reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? Utf8(text, static_cast<int>(length)) : "Windows error " + std::to_string(ec.value());
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    return message;
}

} // namespace orva::platform
