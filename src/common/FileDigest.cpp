#include "common/FileDigest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "common/PrintableText.h"

namespace quorvel {
namespace {

EVP_MD_CTX* contextOf(void* context) {
    return static_cast<EVP_MD_CTX*>(context);
}

std::runtime_error unreadable(const std::string& path, int error) {
    return std::runtime_error(printableText(path, 1024) + ": " + std::generic_category().message(error));
}

}  // namespace

Digest::Digest(DigestKind kind) : context_(EVP_MD_CTX_new()) {
    const EVP_MD* method = kind == DigestKind::Sha256 ? EVP_sha256() : EVP_sha512();
    if (context_ == nullptr || EVP_DigestInit_ex(contextOf(context_), method, nullptr) != 1) {
        EVP_MD_CTX_free(contextOf(context_));
        throw std::runtime_error("the digest is not available");
    }
}

Digest::~Digest() {
    EVP_MD_CTX_free(contextOf(context_));
}

void Digest::update(const void* bytes, std::size_t length) {
    EVP_DigestUpdate(contextOf(context_), bytes, length);
}

std::string Digest::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(contextOf(context_), digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int k = 0; k < length; ++k) {
        text += kHex[digest[k] >> 4];
        text += kHex[digest[k] & 0xFu];
    }
    return text;
}

std::string fileDigest(const std::string& path, DigestKind kind) {
    if (path.find('\0') != std::string::npos) {
        throw unreadable(path, EINVAL);
    }
    // Without blocking: a FIFO under the name would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw unreadable(path, errno);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw std::runtime_error(printableText(path, 1024) + " is not a regular file");
    }
    Digest digest(kind);
    std::vector<char> block(std::size_t{1} << 20);
    for (;;) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw unreadable(path, error);
        }
        if (got == 0) {
            break;
        }
        digest.update(block.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return digest.hex();
}

}  // namespace quorvel
