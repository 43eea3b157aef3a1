#pragma once
// Where the exports put their lines: a file written as the lines are made, or a list of
// lines in memory. The builders compose each line in a small buffer of their own, so
// memory does not grow with the output.
#include "model/FileStream.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// The line end of the text and stats exports.
inline constexpr std::string_view kCrLf = "\r\n";

/// Receives text line by line; a long line may come in several pieces.
class TLineSink {
public:
    virtual ~TLineSink() = default;
    /// Appends text to the current line.
    virtual void Write(std::string_view text) = 0;
    /// Ends the current line (which may be empty).
    virtual void EndLine() = 0;

    void Line(std::string_view text)
    {
        Write(text);
        EndLine();
    }
};

/// Keeps every line in memory, without its line end.
class TLineCollector final : public TLineSink {
public:
    void Write(std::string_view text) override { current_.append(text); }
    void EndLine() override
    {
        Lines.push_back(std::move(current_));
        current_.clear();
    }

    std::vector<std::string> Lines;

private:
    std::string current_;
};

/// Writes the lines to a file, each followed by lineEnd, through a stream that replaces the
/// target only on Commit(). The file is created on the first write (or by Commit() for an
/// empty output), so a builder that refuses its input before its first line leaves no trace.
class TTextFileSink final : public TLineSink {
public:
    TTextFileSink(std::filesystem::path path, std::string_view lineEnd);
    ~TTextFileSink() override;

    void Write(std::string_view text) override
    {
        if (!stream_)
            Open();
        stream_->Write(text.data(), text.size());
    }
    void EndLine() override { Write(lineEnd_); }

    /// Completes the file and puts it in place of the target.
    void Commit();

private:
    void Open();

    std::filesystem::path path_;
    std::string lineEnd_;
    std::unique_ptr<TFileStream> stream_;
};

/// Streams the lines that write(sink) produces into the file at path, each followed by
/// lineEnd; the file is replaced only once it is complete. An exception of write leaves any
/// existing file as it was.
template <class TWrite>
void SaveLines(const std::filesystem::path& path, std::string_view lineEnd, TWrite&& write)
{
    TTextFileSink sink(path, lineEnd);
    write(static_cast<TLineSink&>(sink));
    sink.Commit();
}

/// Composes the lines of a builder in a fixed buffer and passes each to the sink in one
/// piece, or in several when it outgrows the buffer.
class TLineComposer {
public:
    static constexpr std::size_t kCapacity = std::size_t{1} << 16;

    explicit TLineComposer(TLineSink& sink) : sink_(sink), buffer_(new char[kCapacity]) {}

    /// Room for n more characters (n at most kCapacity); returns where they go.
    char* Reserve(std::size_t n)
    {
        if (kCapacity - used_ < n)
            Flush();
        return buffer_.get() + used_;
    }
    /// Counts n characters written at Reserve()'s pointer.
    void Advance(std::size_t n) { used_ += n; }
    void Append(std::string_view text);
    void Append(char ch)
    {
        *Reserve(1) = ch;
        ++used_;
    }
    void AppendNumber(long long n);
    void EndLine()
    {
        Flush();
        sink_.EndLine();
    }

private:
    void Flush()
    {
        if (used_ > 0)
            sink_.Write(std::string_view(buffer_.get(), used_));
        used_ = 0;
    }

    TLineSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

} // namespace orva
