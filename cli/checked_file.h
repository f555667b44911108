#pragma once
// Writing a result file so that a full disk or a size limit is an error, not a
// short file: every write, the sync and the close are checked.
#include <string>

namespace kestrano {

// Creates `path` (it must not exist) holding `bytes`. Errors name `shownName`,
// the place the file is meant to end up. Throws WriteError.
void writeNewFile(const std::string& path, const std::string& bytes, const std::string& shownName);

}  // namespace kestrano
