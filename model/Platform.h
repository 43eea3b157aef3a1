#pragma once
// What differs between operating systems, behind one interface: opening, creating and
// replacing files, making their bytes durable, and the few facts about the running program
// that the fronts need. PlatformPosix.cpp and PlatformWindows.cpp hold the two halves;
// nothing else in the code asks which system it runs on.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace orva::platform {

/// An open file of the operating system; closed when destroyed.
class TNativeFile {
public:
    TNativeFile() = default;
    ~TNativeFile();
    TNativeFile(const TNativeFile&) = delete;
    TNativeFile& operator=(const TNativeFile&) = delete;

    /// Opens an existing file for reading. On Windows other programs may read it
    /// meanwhile but not write it; POSIX has no such lock.
    std::error_code OpenForReading(const std::filesystem::path& path);
    /// Creates a file that must not exist yet, for writing. On Windows no other program
    /// may open it while it is open here.
    std::error_code CreateNew(const std::filesystem::path& path);

    /// Reads up to count bytes; fewer only at the end of the file.
    std::size_t Read(void* dst, std::size_t count, std::error_code& ec);
    /// Writes all count bytes, or fails.
    std::error_code Write(const void* src, std::size_t count);
    /// Moves to an absolute offset from the start of the file.
    std::error_code Seek(std::int64_t offset);
    std::int64_t Size(std::error_code& ec) const;
    /// Waits until every byte written has reached the disk.
    std::error_code Sync();
    std::error_code Close();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

/// Puts the file `source` in place of `target` in one step, whether or not target exists,
/// and makes the change durable: after a power cut the target is the old file or the new
/// one. Both lie in the same folder.
std::error_code ReplaceDurably(const std::filesystem::path& source, const std::filesystem::path& target);

/// The id of the running process.
std::uint64_t CurrentProcessId();

/// True while a process with this id exists (also one this program may not signal or open).
/// An id that is reused after its process ended counts as running: callers err on the side
/// of leaving things alone.
bool ProcessIsRunning(std::uint64_t pid);

/// The size and alignment of the large pages a large block is laid out for.
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

/// A block of `bytes` bytes that reads as zeros, whose memory the system provides only when
/// a page is first written (reading an untouched page costs no memory of its own either).
/// With largePages the block starts on a kLargePageBytes boundary and, where the system
/// offers it (Linux), asks to be backed by large pages, so that filling it costs one fault
/// per 2 MiB rather than per 4 KiB; elsewhere it is an ordinary block of pages. Null when
/// the system refuses. Release it with FreeZeroedPages and the same size and flag.
void* AllocateZeroedPages(std::size_t bytes, bool largePages);
void FreeZeroedPages(void* block, std::size_t bytes, bool largePages);

/// The running program's own file.
std::filesystem::path ExecutablePath();

/// The program's arguments (without the program name) as UTF-8 texts, whatever the system
/// passes them as; on Windows the console is also set to show UTF-8 output.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// True when the stream writes to a terminal (a progress line is worth drawing).
bool IsTerminal(std::FILE* stream);

/// The text of an error code, the same words on every system for the common errors.
std::string ErrorText(const std::error_code& ec);

} // namespace orva::platform
