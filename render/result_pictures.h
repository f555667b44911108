#pragma once
// The picture files of one image's results, as the command-line tool and the
// host's export write them: overlay.png, lengths.svg and angles.svg.
#include <cstdint>
#include <string>
#include <vector>

#include "output/segment_table.h"

namespace kestrano {

// Writes overlay.png for rows x cols input pixels (see overlay_image.h),
// compressed on `threads` threads (0: every core), and returns its thumbnail
// for report.html, which then need not read the file back. Throws
// std::runtime_error naming the path when it cannot be written.
std::string writeOverlayPng(const std::string& path, const std::uint16_t* pixels, std::int32_t rows,
                            std::int32_t cols, const std::vector<SegmentRow>& segments, int threads = 0);

// The text of lengths.svg (lengths in `unit`) and angles.svg.
std::string lengthsSvg(const std::vector<SegmentRow>& segments, const std::string& unit);
std::string anglesSvg(const std::vector<SegmentRow>& segments);

}  // namespace kestrano
