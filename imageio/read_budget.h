#pragma once
// What one read may take: the pixels a file declares and the bytes its reader
// allocates, checked before each allocation whatever a header claims.
#include <cstdint>
#include <string>

#include "imageio/image_file.h"

namespace kestrano {

class ReadBudget {
public:
    ReadBudget(const std::string& path, const ReadLimits& limits);

    // Throws ImageFileError for a zero extent and ImageTooLargeError when
    // width x height exceeds the pixel limit.
    void checkPixels(std::uint64_t width, std::uint64_t height) const;

    // Counts `bytes` against the memory budget before they are allocated;
    // throws ImageTooLargeError naming `what` when they do not fit.
    void reserve(std::uint64_t bytes, const std::string& what);

    // For decoders' own allocators: counts `bytes` if they fit, else reports
    // false and remembers it so that the failure can be told as a limit.
    bool tryReserve(std::uint64_t bytes);
    void release(std::uint64_t bytes) { used_ -= bytes < used_ ? bytes : used_; }
    bool exhausted() const { return exhausted_; }
    // Throws ImageTooLargeError telling that a decoder ran out of budget.
    [[noreturn]] void failExhausted(const std::string& what) const;

    // Bytes not yet reserved: the most a decoder's own allocations may take.
    std::uint64_t remaining() const { return limits_.maxBytes - used_; }

    // The declared data cannot exceed what the file can hold: `available`
    // bytes expanded at most `maxExpansion` times (0: no known bound).
    // Throws ImageFileError ("truncated or corrupt") otherwise.
    void checkAgainstFile(std::uint64_t declaredBytes, std::uint64_t available, std::uint64_t maxExpansion,
                          const std::string& what) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    ReadLimits limits_;
    std::uint64_t used_ = 0;
    bool exhausted_ = false;
};

// 1234567 -> "1,234,567": the figures in limit messages are long.
std::string groupedDigits(std::uint64_t value);

}  // namespace kestrano
