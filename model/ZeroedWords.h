#pragma once
#include <cstddef>
#include <cstdint>

namespace orva {

/// A block of 16-bit words that starts out zero. A large block takes memory only where it
/// is written: a truncated file that declares gigabytes of samples costs the memory of the
/// samples it holds, while the rest still reads as 0.
class TZeroedWords {
public:
    TZeroedWords() = default;
    explicit TZeroedWords(std::size_t count);
    TZeroedWords(const TZeroedWords& other);
    TZeroedWords(TZeroedWords&& other) noexcept;
    TZeroedWords& operator=(TZeroedWords other) noexcept;
    ~TZeroedWords();

    std::int16_t* data() { return words_; }
    const std::int16_t* data() const { return words_; }
    std::size_t size() const { return count_; }
    std::int16_t& operator[](std::size_t i) { return words_[i]; }
    std::int16_t operator[](std::size_t i) const { return words_[i]; }

    friend bool operator==(const TZeroedWords& a, const TZeroedWords& b);
    friend void swap(TZeroedWords& a, TZeroedWords& b) noexcept;

private:
    std::int16_t* words_ = nullptr;
    std::size_t count_ = 0;
    bool pages_ = false; // from the system's zeroed pages rather than the heap
};

} // namespace orva
