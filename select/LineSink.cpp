#include "select/LineSink.h"

#include <charconv>
#include <cstring>

namespace orva {

TTextFileSink::TTextFileSink(std::filesystem::path path, std::string_view lineEnd)
    : path_(std::move(path)), lineEnd_(lineEnd)
{
}

TTextFileSink::~TTextFileSink() = default;

void TTextFileSink::Open()
{
    stream_ = std::make_unique<TFileStream>(path_, TFileMode::fmCreate);
}

void TTextFileSink::Commit()
{
    if (!stream_)
        Open();
    stream_->Commit();
}

void TLineComposer::Append(std::string_view text)
{
    if (text.size() > kCapacity) {
        Flush();
        sink_.Write(text);
        return;
    }
    std::memcpy(Reserve(text.size()), text.data(), text.size());
    used_ += text.size();
}

void TLineComposer::AppendNumber(long long n)
{
    char* out = Reserve(24);
    used_ += static_cast<std::size_t>(std::to_chars(out, out + 24, n).ptr - out);
}

} // namespace orva
