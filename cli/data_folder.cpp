#include "cli/data_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kestrano {

namespace fs = std::filesystem;

StagedDataFolder::StagedDataFolder(const std::string& base)
{
    std::error_code error;
    fs::create_directories(base, error);
    if (error)
        throw DataFolderError("cannot create the data folder " + base + " (" + error.message() + ")");
    std::string pattern = (fs::path(base) / ".kestrano-tmp-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw DataFolderError("cannot create a folder in " + base + " (" + std::strerror(errno) + ")");
    path_ = pattern;
}

StagedDataFolder::~StagedDataFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void StagedDataFolder::publish(const std::string& target)
{
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(path_, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file())
            files.push_back(it->path());
    if (error)
        throw DataFolderError("cannot list " + path_ + " (" + error.message() + ")");
    if (files.empty())
        return;
    fs::create_directories(target, error);
    if (error)
        throw DataFolderError("cannot create the data folder " + target + " (" + error.message() + ")");
    for (const fs::path& file : files) {
        fs::rename(file, fs::path(target) / file.filename(), error);
        if (error)
            throw DataFolderError("cannot move " + file.filename().string() + " into " + target + " (" +
                                  error.message() + ")");
    }
}

}  // namespace kestrano
