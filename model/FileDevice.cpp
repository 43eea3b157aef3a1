#include "model/FileDevice.h"

#include "model/ORVAError.h"
#include "model/Platform.h"
#include "model/SaveTemporaries.h"

namespace orva {

namespace {

namespace fs = std::filesystem;

// A save through a symbolic link replaces the file the link points to and leaves the link.
fs::path ResolveLinks(const fs::path& path, const std::string& pathText)
{
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec))
            return p;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            return p;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    throw EORVAError(pathText, "Cannot create file: Too many levels of symbolic links");
}

// The temporary file beside the target. A name that exists is never reused, so a stray
// file of that name is not clobbered; only this process's own names are tried.
std::error_code CreateTemporaryBeside(const fs::path& target, platform::TNativeFile& file, fs::path& tempPath)
{
    const std::uint64_t pid = platform::CurrentProcessId();
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryName(target, pid, attempt);
        ec = file.CreateNew(tempPath);
        if (ec != std::errc::file_exists)
            return ec;
    }
    return ec;
}

class TFileReader final : public TStreamDevice {
public:
    std::size_t Read(void* dst, std::size_t count, std::error_code& ec) override { return file.Read(dst, count, ec); }
    std::error_code Write(const void*, std::size_t) override
    {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::error_code Seek(std::int64_t offset) override { return file.Seek(offset); }
    std::int64_t Size(std::error_code& ec) const override { return file.Size(ec); }

    platform::TNativeFile file;
};

class TReplacingFile final : public TStreamDevice {
public:
    TReplacingFile(fs::path target, std::string pathText) : target_(std::move(target)), pathText_(std::move(pathText))
    {
    }
    ~TReplacingFile() override
    {
        if (!committed_) {
            file.Close();
            std::error_code ec;
            fs::remove(tempPath, ec);
        }
    }

    std::size_t Read(void*, std::size_t, std::error_code& ec) override
    {
        ec = std::make_error_code(std::errc::bad_file_descriptor);
        return 0;
    }
    std::error_code Write(const void* src, std::size_t count) override { return file.Write(src, count); }
    std::error_code Seek(std::int64_t offset) override { return file.Seek(offset); }
    std::int64_t Size(std::error_code& ec) const override { return file.Size(ec); }

    void Commit() override
    {
        if (committed_)
            return;
        // The bytes reach the disk before the name does: a power cut leaves the old file or
        // the new one, never an empty one.
        if (auto ec = file.Sync())
            Fail("Write failed", ec);
        if (auto ec = file.Close())
            Fail("Write failed", ec);
        // The new file keeps the permissions of the one it replaces.
        std::error_code ec;
        auto old = fs::status(target_, ec);
        if (!ec && fs::exists(old))
            fs::permissions(tempPath, old.permissions(), ec);
        if ((ec = platform::ReplaceDurably(tempPath, target_)))
            Fail("Cannot replace file", ec);
        committed_ = true;
    }

    platform::TNativeFile file;
    fs::path tempPath;

private:
    [[noreturn]] void Fail(const std::string& what, const std::error_code& ec) const
    {
        throw EORVAError(pathText_, what + ": " + platform::ErrorText(ec));
    }

    fs::path target_;
    std::string pathText_;
    bool committed_ = false;
};

} // namespace

std::unique_ptr<TStreamDevice> OpenFileForReading(const fs::path& path, const std::string& pathText)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw EORVAError(pathText, "Cannot open file for reading: Is a directory");
    auto device = std::make_unique<TFileReader>();
    if ((ec = device->file.OpenForReading(path)))
        throw EORVAError(pathText, "Cannot open file for reading: " + platform::ErrorText(ec));
    return device;
}

std::unique_ptr<TStreamDevice> CreateReplacingFile(const fs::path& path, const std::string& pathText)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw EORVAError(pathText, "Cannot create file: Is a directory");
    fs::path target = ResolveLinks(path, pathText);
    // A write-protected file stays protected, although a rename could replace it.
    auto status = fs::status(target, ec);
    constexpr auto anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (!ec && fs::exists(status) && (status.permissions() & anyWrite) == fs::perms::none)
        throw EORVAError(pathText, "Cannot create file: Permission denied");
    RemoveStaleTemporaries(target);
    auto device = std::make_unique<TReplacingFile>(target, pathText);
    fs::path tempPath;
    if ((ec = CreateTemporaryBeside(target, device->file, tempPath)))
        throw EORVAError(pathText, "Cannot create file: " + platform::ErrorText(ec));
    device->tempPath = tempPath; // only a file this save created is ever removed by it
    return device;
}

} // namespace orva
