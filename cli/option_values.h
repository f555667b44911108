#pragma once
// The values of the options that are more than a name: a pixel size with its
// unit, a memory size, a page list, a positive count. Each throws UsageError
// naming the option and what it expects.
#include <cstdint>
#include <set>
#include <string>

#include "core/pixel_scale.h"

namespace kestrano {

// "0.325um", "325nm", "0.000325 mm", "0.325µm"; a bare number is micrometres.
PixelScale parsePixelSize(const std::string& text);

// "4G", "512M", "64k" (powers of 1024) or a plain count of bytes.
std::uint64_t parseMemorySize(const std::string& option, const std::string& text);

// "1,3-5": page numbers from 1.
std::set<std::int32_t> parsePageList(const std::string& text);

// A whole number from `least` up.
std::int64_t parseCount(const std::string& option, const std::string& text, std::int64_t least);

}  // namespace kestrano
