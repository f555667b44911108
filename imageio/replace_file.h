#pragma once
// Writing a file so that readers only ever see the old file or the complete
// new one: the data go to a fresh file in the same folder, which is synced and
// renamed over the target once complete, and removed if anything fails.
// The temporary file stays locked (flock) while its writer lives, so a later
// cleaner can tell a dead writer's leftover from a file being written.
#include <string>

namespace kestrano {

class ReplacementFile {
public:
    // Creates the empty temporary file next to `target`; throws ImageFileError.
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    const std::string& path() const { return tempPath_; }

    // Syncs the finished temporary file and renames it over the target.
    void commit();

private:
    std::string target_;
    std::string tempPath_;
    int lockFd_ = -1;
    bool committed_ = false;
};

// True for names ReplacementFile gives its temporary files (".NAME.tmp-XXXXXXXX").
bool isReplacementFileName(const std::string& name);

}  // namespace kestrano
