#pragma once
// A run writes its data files into a fresh hidden folder; they are moved to
// their final folder only after the run succeeded, so a failed run never
// leaves half-written files or a mix of two runs' files behind.
#include <stdexcept>
#include <string>

namespace kestrano {

class DataFolderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StagedDataFolder {
public:
    // Creates `base` when missing and a new folder ".kestrano-tmp-XXXXXX" in it.
    explicit StagedDataFolder(const std::string& base);
    // Removes the staging folder with whatever is left in it.
    ~StagedDataFolder();
    StagedDataFolder(const StagedDataFolder&) = delete;
    StagedDataFolder& operator=(const StagedDataFolder&) = delete;

    const std::string& path() const { return path_; }

    // Moves every file of the staging folder into `target`, which is created
    // when missing (and only when there is something to move).
    void publish(const std::string& target);

private:
    std::string path_;
};

}  // namespace kestrano
