#pragma once
// Results are built in a hidden folder next to where they will live, then
// moved into place in one rename. Each such folder is locked (flock on the
// folder itself) for as long as its process holds it, so a later run can tell
// the leftovers of a dead process (the lock can be taken) from the folders of
// a live one, even after SIGKILL.
#include <stdexcept>
#include <string>

namespace kestrano {

// A file or folder that cannot be created, written or published; exit status 2.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr const char* kTemporaryPrefix = ".kestrano-tmp-";

class TemporaryFolder {
public:
    // Creates "<parent>/.kestrano-tmp-<pid>-XXXXXX" and locks it; `parent` must
    // exist. Registered for removal on an interrupt. Throws WriteError.
    explicit TemporaryFolder(const std::string& parent);
    // Removes whatever is at path() then: the unpublished results, or the
    // older folder a publication swapped out.
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    int lockFd_ = -1;
};

// Removes the temporaries in `folder` whose owner is gone: our folders whose
// lock can be taken, and replacement files of image writes whose lock can be
// taken. Those of live processes (this one included) stay. Errors are ignored:
// cleaning up is a courtesy, not part of the run.
void removeStaleTemporaries(const std::string& folder);

}  // namespace kestrano
