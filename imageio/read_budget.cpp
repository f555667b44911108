#include "imageio/read_budget.h"

#include <algorithm>

namespace kestrano {

namespace {

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b)
{
    if (a != 0 && b > UINT64_MAX / a)
        return UINT64_MAX;
    return a * b;
}

}  // namespace

std::string groupedDigits(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

ReadBudget::ReadBudget(const std::string& path, const ReadLimits& limits) : path_(path), limits_(limits)
{
    limits_.maxPixels = std::min<std::uint64_t>(limits_.maxPixels, static_cast<std::uint64_t>(maxGreyImagePixels));
}

void ReadBudget::checkPixels(std::uint64_t width, std::uint64_t height) const
{
    const std::string extent = "width " + std::to_string(width) + ", height " + std::to_string(height);
    if (width == 0 || height == 0)
        throw ImageFileError(path_ + ": zero-sized image (" + extent + ")");
    const std::uint64_t pixels = saturatingProduct(width, height);
    if (pixels <= limits_.maxPixels)
        return;
    const std::string declared = path_ + ": image too large: it declares " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels";
    if (pixels > static_cast<std::uint64_t>(maxGreyImagePixels))
        throw ImageTooLargeError(declared + ", more than the " + groupedDigits(maxGreyImagePixels) +
                                 " pixels an image can have");
    throw ImageTooLargeError(declared + " (" + groupedDigits(pixels) + "); the limit is " +
                             groupedDigits(limits_.maxPixels) + " pixels (raise it with --max-pixels)");
}

void ReadBudget::reserve(std::uint64_t bytes, const std::string& what)
{
    if (bytes <= remaining()) {
        used_ += bytes;
        return;
    }
    std::string text = path_ + ": image too large: reading it needs " + groupedDigits(bytes) + " bytes for " + what;
    if (used_ > 0)
        text += " on top of " + groupedDigits(used_) + " already taken";
    throw ImageTooLargeError(text + "; the memory limit is " + groupedDigits(limits_.maxBytes) +
                             " bytes (raise it with --max-memory)");
}

bool ReadBudget::tryReserve(std::uint64_t bytes)
{
    if (bytes > remaining()) {
        exhausted_ = true;
        return false;
    }
    used_ += bytes;
    return true;
}

void ReadBudget::failExhausted(const std::string& what) const
{
    throw ImageTooLargeError(path_ + ": image too large: " + what + " needs more than the memory limit of " +
                             groupedDigits(limits_.maxBytes) + " bytes (raise it with --max-memory)");
}

void ReadBudget::checkAgainstFile(std::uint64_t declaredBytes, std::uint64_t available, std::uint64_t maxExpansion,
                                  const std::string& what) const
{
    if (maxExpansion == 0)
        return;
    const std::uint64_t most = saturatingProduct(available, maxExpansion);
    if (declaredBytes <= most)
        return;
    std::string text = path_ + ": truncated or corrupt: it declares " + groupedDigits(declaredBytes) + " bytes of " +
                       what + " but ";
    if (maxExpansion == 1)
        text += "the file holds only " + groupedDigits(available);
    else
        text += "its " + groupedDigits(available) + " bytes can hold at most " + groupedDigits(most);
    throw ImageFileError(text);
}

}  // namespace kestrano
