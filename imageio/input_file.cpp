#include "imageio/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imageio/image_file.h"

namespace kestrano {

namespace {

// Why anything but a regular file is refused, or nullptr for a regular file.
const char* notRegular(mode_t mode)
{
    if (S_ISREG(mode))
        return nullptr;
    if (S_ISDIR(mode))
        return "is a folder, not an image file";
    if (S_ISFIFO(mode))
        return "is a FIFO (named pipe), not a regular file";
    if (S_ISSOCK(mode))
        return "is a socket, not a regular file";
    return "is a device, not a regular file";
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path)
{
    // stat first so that a device is never opened at all; O_NONBLOCK so that a
    // FIFO swapped in after the check cannot block open().
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw ImageFileError(path + ": cannot open (" + std::strerror(errno) + ")");
    if (const char* reason = notRegular(status.st_mode))
        throw ImageFileError(path + ": " + reason);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw ImageFileError(path + ": cannot open (" + std::strerror(errno) + ")");
    if (::fstat(fd, &status) != 0 || notRegular(status.st_mode) != nullptr) {
        const char* reason = notRegular(status.st_mode);
        ::close(fd);
        throw ImageFileError(path + ": " + (reason ? reason : "cannot open (fstat failed)"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(fd, "rb");
    if (!file_) {
        const int reason = errno;
        ::close(fd);
        throw ImageFileError(path + ": cannot open (" + std::strerror(reason) + ")");
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    if (size_ == 0) {
        std::fclose(file_);
        throw ImageFileError(path + ": empty file (0 bytes)");
    }
}

InputFile::~InputFile()
{
    std::fclose(file_);
}

int InputFile::descriptor() const
{
    return ::fileno(file_);
}

std::uint64_t InputFile::bytesLeft() const
{
    const long at = std::ftell(file_);
    if (at < 0 || static_cast<std::uint64_t>(at) >= size_)
        return 0;
    return size_ - static_cast<std::uint64_t>(at);
}

}  // namespace kestrano
