#include "common/MersenneTwister.h"

#include "common/WideKernel.h"

namespace quorvel {
namespace {

constexpr std::size_t kShift = 397;

[[gnu::always_inline]] inline std::uint32_t twisted(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7fffffffu);
    return far ^ (y >> 1) ^ ((y & 1u) != 0 ? 0x9908b0dfu : 0u);
}

}  // namespace

QUORVEL_WIDE_KERNEL void MersenneTwister::twistAndTemper(std::uint32_t* state, std::uint32_t* outputs) {
    // Split where the far word wraps around.
    for (std::size_t i = 0; i < kStateWords - kShift; ++i) {
        state[i] = twisted(state[i], state[i + 1], state[i + kShift]);
    }
    for (std::size_t i = kStateWords - kShift; i < kStateWords - 1; ++i) {
        state[i] = twisted(state[i], state[i + 1], state[i + kShift - kStateWords]);
    }
    state[kStateWords - 1] = twisted(state[kStateWords - 1], state[0], state[kShift - 1]);
    for (std::size_t i = 0; i < kStateWords; ++i) {
        std::uint32_t y = state[i];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9d2c5680u;
        y ^= (y << 15) & 0xefc60000u;
        y ^= y >> 18;
        outputs[i] = y;
    }
}

}  // namespace quorvel
