#pragma once
// What tests do to files a run wrote: spoil them in place, and name their bytes by a standard
// digest computed apart from the program's own writers (OpenSSL's one-shot call).

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/TempDir.h"

namespace quorvel::testing_support {

// The first `from` in the file at path replaced by `to`; a test fails where there is none.
inline void replaceText(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = readBytes(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The lower-case hex digest of bytes, e.g. digestHex(bytes, EVP_sha256()).
inline std::string digestHex(const std::string& bytes, const EVP_MD* kind) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, kind, nullptr);
    std::string hex;
    for (unsigned int k = 0; k < length; ++k) {
        char cell[3];
        std::snprintf(cell, sizeof cell, "%02x", digest[k]);
        hex += cell;
    }
    return hex;
}

}  // namespace quorvel::testing_support
