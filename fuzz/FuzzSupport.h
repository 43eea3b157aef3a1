#pragma once
// What the fuzz targets share: a failure that names what did not hold, a scratch folder of
// the process's own, the lenient load of "Open anyway ?", and the checks that a written
// data file reads back and that a refusal names its file.
#include "model/BigEndianFileStream.h"
#include "model/MemoryStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace orva::fuzz {

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void Require(bool holds, const std::string& what)
{
    if (!holds)
        Fail(what);
}

/// A folder of this process alone, removed at exit (an abort leaves it for the finding's
/// inspection): in memory (/dev/shm) where there is one, since the writers flush every file
/// to the disk before they replace the target, else under the system's temporary folder.
inline const std::filesystem::path& ScratchFolder()
{
    struct TFolder {
        TFolder()
        {
            std::random_device random;
            std::error_code none;
            const std::filesystem::path memory = "/dev/shm";
            Path = (std::filesystem::is_directory(memory, none) ? memory : std::filesystem::temp_directory_path()) /
                   ("orva-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()));
            std::filesystem::create_directories(Path);
        }
        ~TFolder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(Path, ignored);
        }
        std::filesystem::path Path;
    };
    static const TFolder folder;
    return folder.Path;
}

/// Removes every file of the scratch folder but those named in keep.
inline void ClearScratch(const std::vector<std::string>& keep = {})
{
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder())) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end())
            std::filesystem::remove_all(entry.path());
    }
}

/// The bytes written to the scratch folder under name; returns the path.
inline std::filesystem::path WriteScratch(const std::string& name, std::span<const std::uint8_t> bytes)
{
    const std::filesystem::path path = ScratchFolder() / name;
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    Require(out != nullptr, "the scratch folder takes no file");
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    Require(std::fclose(out) == 0 && written, "the scratch folder takes no file");
    return path;
}

class TAnswer : public TLengthQuestion {
public:
    explicit TAnswer(bool yes) : yes_(yes) {}
    bool AskOpenAnyway(const std::string&) override
    {
        Asked = true;
        return yes_;
    }
    bool Asked = false;

private:
    bool yes_;
};

/// The document that bytes give when opened anyway, as the desktop program and Python's
/// check=False open it; nothing when the loader refuses them (with an EORVAError).
inline std::optional<TORVAFile> LoadLeniently(std::span<const std::uint8_t> bytes, const char* name)
{
    TBigEndianFileStream s(MemoryReader(bytes), name, TFileMode::fmOpenRead);
    TORVAFile f;
    TAnswer yes(true);
    try {
        if (!f.CheckStream(s, &yes).empty())
            return std::nullopt;
        f.LoadFromStream(s, name);
    } catch (const EORVAError& e) {
        Require(e.Path() == name && !e.Cause().empty(), std::string("a refusal that does not name the file: ") + e.what());
        return std::nullopt;
    }
    return f;
}

/// Values of samples the document holds, and observations that its header report lists: the
/// two measures of the work that an input costs every target that reads a document.
inline std::int64_t SampleValues(const TORVAFile& f)
{
    std::int64_t values = 0;
    for (const auto& cell : f.Cells)
        values += static_cast<std::int64_t>(cell.Data.size());
    return values;
}
inline std::int64_t Observations(const TORVAFile& f)
{
    std::int64_t observations = 0;
    for (const auto& cell : f.Cells)
        observations += cell.NumObservations;
    return observations;
}

/// A written data file passes the check without the length question and loads.
inline TORVAFile RequireReadsBack(std::span<const std::uint8_t> bytes, const std::string& what)
{
    TBigEndianFileStream s(MemoryReader(bytes), "written", TFileMode::fmOpenRead);
    TORVAFile f;
    TAnswer no(false);
    Require(f.CheckStream(s, &no).empty() && !no.Asked, what + " writes a file that fails the check");
    try {
        f.LoadFromStream(s, "written");
    } catch (const EORVAError& e) {
        Fail(what + " writes a file that the loader refuses: " + e.what());
    }
    return f;
}

/// The bytes of a whole file.
inline std::vector<std::uint8_t> ReadScratch(const std::filesystem::path& path)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::filesystem::file_size(path)));
    std::FILE* in = std::fopen(path.string().c_str(), "rb");
    Require(in != nullptr, "a written file cannot be opened");
    const std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), in);
    std::fclose(in);
    Require(got == bytes.size(), "a written file cannot be read");
    return bytes;
}

} // namespace orva::fuzz
