#pragma once
// SHA-256 and SHA-512 of bytes handed in pieces or of a whole file, as lower-case hex: what a
// metadata file names so that a reader can tell the bytes beside it are the ones it describes.

#include <cstddef>
#include <string>

namespace quorvel {

enum class DigestKind { Sha256, Sha512 };

class Digest {
public:
    explicit Digest(DigestKind kind);  // throws std::runtime_error when the library lacks it
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    void update(const void* bytes, std::size_t length);
    std::string hex();  // once, after the last update

private:
    void* context_;
};

// The digest of the regular file at path; throws std::runtime_error naming it (cut and escaped)
// when it is no regular file or cannot be read to its end.
std::string fileDigest(const std::string& path, DigestKind kind);

}  // namespace quorvel
