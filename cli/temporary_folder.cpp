#include "cli/temporary_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/interrupts.h"
#include "imageio/replace_file.h"

namespace kestrano {

namespace fs = std::filesystem;

namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Takes the lock of a leftover when nobody holds it, and removes the entry if
// it is still the one that was locked.
void removeIfUnlocked(const std::string& path, bool folder)
{
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened {}, current {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(path.c_str(), &current) == 0 && opened.st_ino == current.st_ino &&
        opened.st_dev == current.st_dev) {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    ::close(fd);
}

}  // namespace

TemporaryFolder::TemporaryFolder(const std::string& parent)
{
    const auto hold = holdInterrupts();
    const std::string pattern =
        (fs::path(parent) / (kTemporaryPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string candidate = pattern;
        if (!::mkdtemp(candidate.data()))
            throw WriteError("cannot create a folder in " + parent + " (" + std::strerror(errno) + ")");
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat status {};
        // A cleaner of another run may have taken the fresh folder for a
        // leftover before it was locked; then it is gone and we start again.
        if (fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &status) == 0 && status.st_nlink > 0) {
            path_ = candidate;
            lockFd_ = fd;
            registerTemporary(path_);
            return;
        }
        if (fd >= 0)
            ::close(fd);
    }
    throw WriteError("cannot create a locked folder in " + parent);
}

TemporaryFolder::~TemporaryFolder()
{
    const auto hold = holdInterrupts();
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    unregisterTemporary(path_);
    ::close(lockFd_);
}

void removeStaleTemporaries(const std::string& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (startsWith(name, kTemporaryPrefix))
            removeIfUnlocked(it->path().string(), true);
        else if (isReplacementFileName(name))
            removeIfUnlocked(it->path().string(), false);
    }
}

}  // namespace kestrano
