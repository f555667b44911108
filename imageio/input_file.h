#pragma once
// An image file opened for reading, refused unless it is a regular file: a
// FIFO, a device or a folder could block, never end or mean nothing.
#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrano {

class InputFile {
public:
    // Throws ImageFileError naming `path`.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::FILE* stream() const { return file_; }
    int descriptor() const;
    std::uint64_t size() const { return size_; }  // length when opened
    const std::string& path() const { return path_; }

    // Bytes from the current position to the end, as far as the length known at open.
    std::uint64_t bytesLeft() const;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

}  // namespace kestrano
