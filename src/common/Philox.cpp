#include "common/Philox.h"

#include "common/WideKernel.h"

namespace quorvel {
namespace {

constexpr std::uint32_t kMultiplier0 = 0xD2511F53u;
constexpr std::uint32_t kMultiplier1 = 0xCD9E8D57u;
constexpr std::uint32_t kWeyl0 = 0x9E3779B9u;  // the golden ratio's fraction
constexpr std::uint32_t kWeyl1 = 0xBB67AE85u;  // sqrt(3) - 1
constexpr int kRounds = 10;

PhiloxCounter philoxRound(const PhiloxCounter& c, const PhiloxKey& k) {
    const std::uint64_t product0 = std::uint64_t{kMultiplier0} * c[0];
    const std::uint64_t product1 = std::uint64_t{kMultiplier1} * c[2];
    const auto high = [](std::uint64_t v) { return static_cast<std::uint32_t>(v >> 32); };
    const auto low = [](std::uint64_t v) { return static_cast<std::uint32_t>(v); };
    return {high(product1) ^ c[1] ^ k[0], low(product1), high(product0) ^ c[3] ^ k[1], low(product0)};
}

}  // namespace

QUORVEL_WIDE_KERNEL void philox4x32(PhiloxColumns& c, std::size_t count, PhiloxKey key) {
    for (int r = 0; r < kRounds; ++r) {
        if (r > 0) {
            key = {key[0] + kWeyl0, key[1] + kWeyl1};
        }
        for (std::size_t n = 0; n < count; ++n) {
            const PhiloxCounter next = philoxRound({c.w0[n], c.w1[n], c.w2[n], c.w3[n]}, key);
            c.w0[n] = next[0];
            c.w1[n] = next[1];
            c.w2[n] = next[2];
            c.w3[n] = next[3];
        }
    }
}

PhiloxCounter philox4x32(PhiloxCounter counter, PhiloxKey key) {
    for (int r = 0; r < kRounds; ++r) {
        if (r > 0) {
            key = {key[0] + kWeyl0, key[1] + kWeyl1};
        }
        counter = philoxRound(counter, key);
    }
    return counter;
}

CounterDraws::CounterDraws(std::uint32_t seed, std::uint32_t stream, std::uint64_t blockIndex)
    : key_{seed, stream},
      counter_{static_cast<std::uint32_t>(blockIndex), static_cast<std::uint32_t>(blockIndex >> 32), 0, 0} {}

std::uint32_t CounterDraws::next() {
    if (used_ == 4) {
        words_ = philox4x32(counter_, key_);
        ++counter_[2];
        used_ = 0;
    }
    return words_[used_++];
}

double CounterDraws::uniform() {
    const std::uint32_t high = next();
    return philoxUniform(high, next());
}

}  // namespace quorvel
