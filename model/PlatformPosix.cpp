// The POSIX half of the platform layer (Linux, macOS and the other Unix systems).
#include "model/Platform.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

namespace orva::platform {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

#ifndef O_CLOEXEC
constexpr int O_CLOEXEC = 0;
#endif

// The folder entry of a rename reaches the disk only when the folder itself is synced.
// This is done as well as the system allows: the rename has happened either way, and a
// folder that may be written but not read cannot even be opened for it.
void SyncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

TNativeFile::~TNativeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::error_code TNativeFile::OpenForReading(const std::filesystem::path& path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ < 0 ? LastError() : std::error_code();
}

std::error_code TNativeFile::CreateNew(const std::filesystem::path& path)
{
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd_ < 0 ? LastError() : std::error_code();
}

std::size_t TNativeFile::Read(void* dst, std::size_t count, std::error_code& ec)
{
    auto* out = static_cast<char*>(dst);
    std::size_t done = 0;
    ec.clear();
    while (done < count) {
        const ssize_t got = ::read(fd_, out + done, count - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ec = LastError();
            break;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::error_code TNativeFile::Write(const void* src, std::size_t count)
{
    const auto* in = static_cast<const char*>(src);
    while (count > 0) {
        const ssize_t put = ::write(fd_, in, count);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return LastError();
        in += put;
        count -= static_cast<std::size_t>(put);
    }
    return {};
}

std::error_code TNativeFile::Seek(std::int64_t offset)
{
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? LastError() : std::error_code();
}

std::int64_t TNativeFile::Size(std::error_code& ec) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        ec = LastError();
        return -1;
    }
    ec.clear();
    return static_cast<std::int64_t>(st.st_size);
}

std::error_code TNativeFile::Sync()
{
    // On macOS only F_FULLFSYNC asks the drive itself to write its cache.
#ifdef F_FULLFSYNC
    if (::fcntl(fd_, F_FULLFSYNC) == 0)
        return {};
#endif
    return ::fsync(fd_) == 0 ? std::error_code() : LastError();
}

std::error_code TNativeFile::Close()
{
    const int fd = fd_;
    fd_ = -1;
    return fd >= 0 && ::close(fd) != 0 ? LastError() : std::error_code();
}

std::error_code ReplaceDurably(const std::filesystem::path& source, const std::filesystem::path& target)
{
    if (::rename(source.c_str(), target.c_str()) != 0)
        return LastError();
    SyncFolder(target.parent_path());
    return {};
}

std::uint64_t CurrentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

bool ProcessIsRunning(std::uint64_t pid)
{
    // Signal 0 only asks whether the process exists; 0 and negative ids mean groups.
    if (pid == 0 || pid > static_cast<std::uint64_t>(INT_MAX))
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

namespace {

// A large block is mapped in whole large pages, so that its last part can be one as well.
std::size_t MappedBytes(std::size_t bytes, bool largePages)
{
    return largePages ? (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes : bytes;
}

} // namespace

void* AllocateZeroedPages(std::size_t bytes, bool largePages)
{
    // Anonymous private pages are zero and stay unallocated until written.
    if (!largePages) {
        void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANON, -1, 0);
        return block == MAP_FAILED ? nullptr : block;
    }
    // The system aligns a mapping only to its small pages: map one large page more and give
    // back what lies before the first boundary and after the block.
    const std::size_t mapped = MappedBytes(bytes, true);
    if (mapped < bytes || mapped > SIZE_MAX - kLargePageBytes)
        return nullptr;
    void* raw = ::mmap(nullptr, mapped + kLargePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANON, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePageBytes - 1) & ~(std::uintptr_t{kLargePageBytes} - 1);
    if (aligned > start)
        ::munmap(raw, aligned - start);
    if (const std::size_t after = kLargePageBytes - (aligned - start); after > 0)
        ::munmap(reinterpret_cast<void*>(aligned + mapped), after);
    void* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Only a request: a kernel without large pages, or with them switched off, refuses it
    // and the block works the same with small pages.
    ::madvise(block, mapped, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeZeroedPages(void* block, std::size_t bytes, bool largePages)
{
    if (block)
        ::munmap(block, MappedBytes(bytes, largePages));
}

std::filesystem::path ExecutablePath()
{
#ifdef __APPLE__
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string buffer(size, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) == 0)
        return std::filesystem::path(buffer.c_str());
    return {};
#else
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
#endif
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    // POSIX passes file names as the bytes the file system holds: they are used unchanged.
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::string ErrorText(const std::error_code& ec) { return ec.message(); }

} // namespace orva::platform
