#pragma once
// Small PNG and JPEG files whose headers say what a test needs, including what
// no writer would produce: sizes the data cannot back. Built in memory, a few
// hundred bytes each; no large file is ever written.
#include <cstdint>
#include <string>
#include <vector>

namespace crafted {

// A PNG of one IHDR, a PLTE of `palette` (r, g, b bytes) unless empty, one IDAT
// holding `idat` (already compressed) and IEND.
std::string png(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType, const std::string& idat,
                const std::string& palette = "", bool interlaced = false);

// zlib's compression of `raw`.
std::string deflated(const std::string& raw);

// An 8-bit baseline (or progressive) JPEG from libjpeg, grey or RGB samples.
std::string jpeg(int width, int height, int components, const std::vector<unsigned char>& samples,
                 bool progressive = false, int quality = 100);

// `jpegFile` with its last scan repeated `times` more times.
std::string withRepeatedLastScan(const std::string& jpegFile, int times);

// `jpegFile` with the width and height of its frame header replaced.
std::string withJpegSize(std::string jpegFile, std::uint16_t width, std::uint16_t height);

}  // namespace crafted
