#include "cli/checked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/temporary_folder.h"

namespace kestrano {

void writeNewFile(const std::string& path, const std::string& bytes, const std::string& shownName)
{
    const auto fail = [&](int error) {
        return WriteError(shownName + ": cannot write (" + std::strerror(error) + ")");
    };
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            throw fail(error);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw fail(error);
    }
    if (::close(fd) != 0)
        throw fail(errno);
}

}  // namespace kestrano
