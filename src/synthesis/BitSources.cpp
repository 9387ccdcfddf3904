#include "synthesis/BitSources.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

#include "common/TransmitterChoices.h"

namespace quorvel {
namespace {

constexpr std::size_t kReadBytes = 65536;

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

}  // namespace

int bitsPerSymbol(std::int32_t alphabetSize) {
    return std::countr_zero(static_cast<std::uint32_t>(alphabetSize));
}

PayloadBits::PayloadBits(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb"), &std::fclose), path_(path) {
    struct stat status {};
    if (!file_ || ::fstat(::fileno(file_.get()), &status) != 0) {
        throw std::runtime_error("Cannot read the bits file " + path + ": " + systemReason(errno) + ".");
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
}

void PayloadBits::refill() {
    // The bytes repeat at the size the file had when it was opened: a file that grows meanwhile
    // gives the same bits, and one that shrinks ends the file being made rather than silently
    // repeating fewer.
    if (offset_ == size_) {
        std::rewind(file_.get());
        offset_ = 0;
    }
    buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadBytes, size_ - offset_)));
    const std::size_t got = buffer_.empty() ? 0 : std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    if (got == 0) {
        throw PayloadLost(size_ == 0 ? "The bits file " + path_ + " was emptied during the run."
                                     : "The bits file " + path_ + " was cut short during the run: byte " +
                                           std::to_string(offset_) + " of its " + std::to_string(size_) +
                                           " could not be read.");
    }
    buffer_.resize(got);
    offset_ += got;
    byte_ = 0;
}

int PayloadBits::next() {
    if (byte_ == buffer_.size()) {
        refill();
    }
    const int value = (buffer_[byte_] >> (7 - bit_)) & 1;
    if (++bit_ == 8) {
        bit_ = 0;
        ++byte_;
    }
    return value;
}

BitSymbols::BitSymbols(const Transmitter& transmitter, std::int32_t alphabetSize)
    : bitsPerSymbol_(bitsPerSymbol(alphabetSize)) {
    const BitSourceChoice& choice = bitSourceChoice(transmitter.bits);
    if (choice.length > 0) {
        prbs_.emplace(choice.length, choice.tap, choice.inverted);
    } else {
        payload_.emplace(transmitter.bitsFile);
    }
}

std::int32_t BitSymbols::next() {
    std::int32_t index = 0;
    for (int k = 0; k < bitsPerSymbol_; ++k) {
        index = (index << 1) | nextBit();
    }
    return index;
}

std::optional<std::string> payloadRefusal(const std::string& path, int bitsPerSymbol) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return "Cannot read the bits file " + path + ": " + systemReason(errno) + ".";
    }
    if (!S_ISREG(status.st_mode)) {
        return "The bits file " + path + " is not a regular file.";
    }
    if (static_cast<double>(status.st_size) * 8.0 < bitsPerSymbol) {
        return "The bits file " + path + " holds " + std::to_string(status.st_size * 8) + " bits, fewer than one symbol's " +
               std::to_string(bitsPerSymbol) + ".";
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "Cannot read the bits file " + path + ": " + systemReason(errno) + ".";
    }
    std::fclose(file);
    return std::nullopt;
}

}  // namespace quorvel
