#include "cli/publish.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cli/interrupts.h"
#include "cli/temporary_folder.h"

namespace kestrano {

namespace fs = std::filesystem;

namespace {

std::string reason(int error)
{
    return std::strerror(error);
}

// The first entry below `folder` that is not one of ours, or empty.
std::string foreignEntry(const fs::path& folder, const std::set<std::string>& ourNames)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string relative = it->path().lexically_relative(folder).generic_string();
        const fs::file_status status = it->symlink_status(error);
        const bool ours = fs::is_regular_file(status)  ? ourNames.count(relative) != 0
                          : fs::is_directory(status) ? ourNames.count(relative + "/") != 0
                                                     : false;
        if (error || !ours)
            return relative;
    }
    return error ? std::string(".") : std::string();
}

class FolderLocks {
public:
    explicit FolderLocks(const std::vector<Placement>& placements)
    {
        std::vector<std::pair<std::pair<dev_t, ino_t>, int>> opened;
        for (const Placement& placement : placements) {
            std::string parent = fs::path(placement.destination).parent_path().string();
            if (parent.empty())
                parent = ".";
            const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat status {};
            if (fd < 0 || ::fstat(fd, &status) != 0) {
                const int error = errno;
                if (fd >= 0)
                    ::close(fd);
                release(opened);
                throw WriteError("cannot open the folder " + parent + " (" + reason(error) + ")");
            }
            opened.push_back({{status.st_dev, status.st_ino}, fd});
        }
        // One order for every process, so that two runs never wait for each other in a circle.
        std::sort(opened.begin(), opened.end());
        for (std::size_t i = 0; i < opened.size(); ++i) {
            if (i > 0 && opened[i].first == opened[i - 1].first) {
                ::close(opened[i].second);
                continue;
            }
            while (::flock(opened[i].second, LOCK_EX) != 0 && errno == EINTR) {
            }
            fds_.push_back(opened[i].second);
        }
    }
    ~FolderLocks()
    {
        for (int fd : fds_)
            ::close(fd);
    }
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

private:
    static void release(const std::vector<std::pair<std::pair<dev_t, ino_t>, int>>& opened)
    {
        for (const auto& entry : opened)
            ::close(entry.second);
    }
    std::vector<int> fds_;
};

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

struct Move {
    const Placement* placement;
    bool exchanged;
};

void undo(const std::vector<Move>& moves)
{
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        const char* staged = it->placement->staged.c_str();
        const char* destination = it->placement->destination.c_str();
        if (it->exchanged)
            ::renameat2(AT_FDCWD, staged, AT_FDCWD, destination, RENAME_EXCHANGE);
        else
            ::renameat2(AT_FDCWD, destination, AT_FDCWD, staged, RENAME_NOREPLACE);
    }
}

}  // namespace

std::string replaceRefusal(const Placement& placement)
{
    const std::string& destination = placement.destination;
    struct stat status {};
    if (::lstat(destination.c_str(), &status) != 0)
        return errno == ENOENT ? std::string() : destination + ": cannot look at it (" + reason(errno) + ")";
    const std::string hint = placement.refuseHint.empty() ? "" : "; " + placement.refuseHint;
    switch (placement.existing) {
    case Placement::Existing::Refuse:
        return destination + " already exists" + hint;
    case Placement::Existing::ReplaceFile:
        if (!S_ISREG(status.st_mode))
            return destination + " exists and is not a regular file";
        return "";
    case Placement::Existing::ReplaceOurFolder:
        if (!S_ISDIR(status.st_mode))
            return destination + " exists and is not a folder";
        const std::string foreign = foreignEntry(destination, placement.ourNames);
        if (!foreign.empty())
            return destination + " holds " + foreign + ", which kestrano does not write; not replacing it" + hint;
        return "";
    }
    return "";
}

std::vector<std::string> publish(const std::vector<Placement>& placements)
{
    const auto hold = holdInterrupts();
    const FolderLocks locks(placements);
    for (const Placement& placement : placements) {
        const std::string refusal = replaceRefusal(placement);
        if (!refusal.empty())
            throw WriteError(refusal);
    }
    std::vector<Move> moves;
    std::vector<std::string> replaced;
    for (const Placement& placement : placements) {
        const char* staged = placement.staged.c_str();
        const char* destination = placement.destination.c_str();
        const bool present = exists(placement.destination);
        const int result = ::renameat2(AT_FDCWD, staged, AT_FDCWD, destination,
                                       present ? RENAME_EXCHANGE : RENAME_NOREPLACE);
        if (result != 0) {
            const int error = errno;
            undo(moves);
            throw WriteError("cannot move the results into " + placement.destination + " (" + reason(error) + ")");
        }
        moves.push_back({&placement, present});
        if (present)
            replaced.push_back(placement.destination);
    }
    return replaced;
}

}  // namespace kestrano
