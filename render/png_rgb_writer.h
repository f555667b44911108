#pragma once
// 8-bit RGB pictures as PNG files, deflated on several threads. The rows are
// cut into bands; each band is deflated on its own and ends on a byte
// boundary (a sync flush), so the pieces join into one zlib stream whose
// checksum is combined from theirs. A large overlay is written in a fraction
// of the time one deflate stream takes, and any PNG reader reads it.
#include <QImage>
#include <string>

namespace kestrano {

// Writes `picture` (converted to 8-bit RGB if needed) to `path`, unfiltered,
// at zlib level 1, with its dots per metre when it has them. `threads`: 0 for
// every core. Throws std::runtime_error naming the path when it cannot write.
void writeRgbPng(const std::string& path, const QImage& picture, int threads = 0);

}  // namespace kestrano
