#include "cli/sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kestrano {

namespace {

class Digest {
public:
    Digest() : context_(EVP_MD_CTX_new(), EVP_MD_CTX_free)
    {
        if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("SHA-256 is not available");
    }
    void add(const void* data, std::size_t size) { EVP_DigestUpdate(context_.get(), data, size); }
    std::string hex()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(context_.get(), digest, &size);
        static const char digits[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < size; ++i) {
            text += digits[digest[i] >> 4];
            text += digits[digest[i] & 15];
        }
        return text;
    }

private:
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context_;
};

}  // namespace

std::string sha256Hex(const std::string& bytes)
{
    Digest digest;
    digest.add(bytes.data(), bytes.size());
    return digest.hex();
}

std::string sha256OfFile(const std::string& path)
{
    // Non-blocking, so that a FIFO is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(path + ": cannot open (" + std::strerror(errno) + ")");
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw std::runtime_error(path + ": not a regular file");
    }
    Digest digest;
    std::vector<unsigned char> buffer(1 << 20);
    ssize_t count;
    while ((count = ::read(fd, buffer.data(), buffer.size())) != 0) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            throw std::runtime_error(path + ": cannot read (" + std::strerror(error) + ")");
        }
        digest.add(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(fd);
    return digest.hex();
}

}  // namespace kestrano
