#pragma once
// SHA-256 digests of inputs and outputs, for run.json (OpenSSL's libcrypto).
#include <string>

namespace kestrano {

// Lower-case hex digest of a byte string.
std::string sha256Hex(const std::string& bytes);
// Lower-case hex digest of a file's content; throws std::runtime_error naming
// the file when it cannot be read.
std::string sha256OfFile(const std::string& path);

}  // namespace kestrano
