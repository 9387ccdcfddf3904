#pragma once
// The bit sources: the ITU-T O.150 pseudo-random binary sequences and a payload file, read as
// symbols of log2(M) bits each, most significant bit first. Every file starts its bits afresh:
// a sequence from all ones, a payload from its first byte.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Transmitter.h"

namespace quorvel {

// The Fibonacci register of x^length + x^tap + 1: each step feeds stage `length` XOR stage `tap`
// back into stage 1 and puts that bit out, inverted when asked.
class PrbsRegister {
public:
    PrbsRegister(int length, int tap, bool inverted = false)
        : length_(length), tap_(tap), inversion_(inverted ? 1u : 0u), state_((std::uint32_t{1} << length) - 1) {}

    int next() {
        const std::uint32_t bit = ((state_ >> (length_ - 1)) ^ (state_ >> (tap_ - 1))) & 1u;
        state_ = ((state_ << 1) | bit) & ((std::uint32_t{1} << length_) - 1);
        return static_cast<int>(bit ^ inversion_);
    }

private:
    int length_;
    int tap_;
    std::uint32_t inversion_;
    std::uint32_t state_;
};

// A payload file that could not be read to the end it had when the file being made began: the
// files of the run finished before it stay as they are.
struct PayloadLost : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A payload file's bits, most significant bit of each byte first, from the start again at its end.
class PayloadBits {
public:
    // Throws std::runtime_error with the system's reason when the file cannot be read.
    explicit PayloadBits(const std::string& path);

    int next();

private:
    void refill();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::string path_;
    std::uint64_t size_ = 0;      // as it was opened: the bits repeat after this many bytes
    std::uint64_t offset_ = 0;    // of the next byte read from the file
    std::vector<unsigned char> buffer_;
    std::size_t byte_ = 0;
    int bit_ = 0;
};

// Symbol indices from a bit source.
class BitSymbols {
public:
    BitSymbols(const Transmitter& transmitter, std::int32_t alphabetSize);

    std::int32_t next();

private:
    int nextBit() { return prbs_ ? prbs_->next() : payload_->next(); }

    int bitsPerSymbol_;
    std::optional<PrbsRegister> prbs_;
    std::optional<PayloadBits> payload_;
};

// Why a payload file cannot feed symbols of this many bits; nothing when it can.
std::optional<std::string> payloadRefusal(const std::string& path, int bitsPerSymbol);

// log2 of a power-of-two alphabet.
int bitsPerSymbol(std::int32_t alphabetSize);

}  // namespace quorvel
