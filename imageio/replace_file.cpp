#include "imageio/replace_file.h"

#include <fcntl.h>
#include <unistd.h>

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

ReplacementFile::ReplacementFile(const std::string& target) : target_(target)
{
    std::random_device seed;
    std::minstd_rand next(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryName(target, static_cast<unsigned>(next()));
        // 0666 so that the finished file gets the permissions the umask allows.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            tempPath_ = candidate;
            return;
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
}

void ReplacementFile::commit()
{
    const int fd = ::open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const std::string reason = systemReason();
        if (fd >= 0)
            ::close(fd);
        throw ImageFileError(target_ + ": cannot write (" + reason + ")");
    }
    ::close(fd);
    if (std::rename(tempPath_.c_str(), target_.c_str()) != 0)
        throw ImageFileError(target_ + ": cannot replace (" + systemReason() + ")");
    committed_ = true;
}

}  // namespace kestrano
