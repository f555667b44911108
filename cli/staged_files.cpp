#include "cli/staged_files.h"

#include <exception>
#include <new>
#include <filesystem>
#include <system_error>
#include <utility>

#include "cli/checked_file.h"
#include "cli/sha256.h"
#include "cli/temporary_folder.h"

namespace kestrano {

namespace fs = std::filesystem;

namespace {

// Library messages name the temporary path; the user knows the final one.
std::string renamed(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

StagedFiles::StagedFiles(std::string staging, std::string shown)
    : staging_(std::move(staging)), shown_(std::move(shown))
{
}

std::string StagedFiles::prepare(const std::string& relative)
{
    const fs::path path = fs::path(staging_) / relative;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error)
        throw WriteError((fs::path(shown_) / relative).parent_path().string() + ": cannot create (" +
                         error.message() + ")");
    return path.string();
}

void StagedFiles::addText(const std::string& relative, const std::string& bytes)
{
    writeNewFile(prepare(relative), bytes, (fs::path(shown_) / relative).string());
    outputs_.push_back({relative, sha256Hex(bytes)});
}

void StagedFiles::addImage(const std::string& relative, const GreyImage& image)
{
    addFile(relative, [&](const std::string& path) { writeGreyImage(path, image); });
}

void StagedFiles::addFile(const std::string& relative, const std::function<void(const std::string&)>& write)
{
    const std::string path = prepare(relative);
    try {
        write(path);
        outputs_.push_back({relative, sha256OfFile(path)});
    } catch (const WriteError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw WriteError((fs::path(shown_) / relative).string() + ": not enough memory to write it");
    } catch (const std::exception& error) {
        throw WriteError(renamed(error.what(), staging_, shown_));
    }
}

}  // namespace kestrano
