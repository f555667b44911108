#include "imageio/replace_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "imageio/image_file.h"

namespace kestrano {

namespace {

std::string systemReason()
{
    return std::strerror(errno);
}

// A hidden name in the target's folder; the suffix makes clashes unlikely and
// O_EXCL makes them harmless.
std::string temporaryName(const std::filesystem::path& target, unsigned suffix)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", suffix);
    // Shortened so that the temporary name stays within the file-name limit.
    const std::filesystem::path name = "." + target.filename().string().substr(0, 200) + ".tmp-" + digits;
    return (target.parent_path() / name).string();
}

}  // namespace

bool isReplacementFileName(const std::string& name)
{
    const std::size_t marker = name.rfind(".tmp-");
    if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker < 2 ||
        name.size() != marker + 5 + 8)
        return false;
    for (std::size_t i = marker + 5; i < name.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(target)
{
    std::random_device seed;
    std::minstd_rand next(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryName(target, static_cast<unsigned>(next()));
        // 0666 so that the finished file gets the permissions the umask allows.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // A cleaner may have taken the fresh file for a dead writer's before
            // it was locked; then it is gone and another name is tried.
            struct stat status {};
            if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &status) == 0 && status.st_nlink > 0) {
                tempPath_ = candidate;
                lockFd_ = fd;
                return;
            }
            ::close(fd);
            continue;
        }
        if (errno != EEXIST)
            throw ImageFileError(target + ": cannot create a file in its folder (" + systemReason() + ")");
    }
    throw ImageFileError(target + ": cannot create a temporary file in its folder");
}

ReplacementFile::~ReplacementFile()
{
    if (!committed_)
        ::unlink(tempPath_.c_str());
    ::close(lockFd_);
}

void ReplacementFile::commit()
{
    if (::fsync(lockFd_) != 0)
        throw ImageFileError(target_ + ": cannot write (" + systemReason() + ")");
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0)
        throw ImageFileError(target_ + ": cannot replace (" + systemReason() + ")");
    committed_ = true;
}

}  // namespace kestrano
