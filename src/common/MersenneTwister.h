#pragma once
// The 32-bit Mersenne Twister every random source of the program runs on.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel {

// MT19937 with its published parameters and seeding: the same output sequence as std::mt19937,
// which the C++ standard fixes. The standard engine twists and tempers one word per call, behind
// a branch, and on x86-64 Linux keeps its state in 64-bit words; here the whole state is twisted
// and all 624 outputs tempered at once, in loops the compiler turns into vector code, and a call
// only reads the next output. The noise stage draws about five outputs per sample.
class MersenneTwister {
public:
    using result_type = std::uint32_t;
    static constexpr std::size_t kStateWords = 624;

    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return 0xffffffffu; }

    explicit MersenneTwister(result_type seed = 5489u) {
        state_[0] = seed;
        for (std::size_t i = 1; i < kStateWords; ++i) {
            const std::uint32_t previous = state_[i - 1];
            state_[i] = 1812433253u * (previous ^ (previous >> 30)) + static_cast<std::uint32_t>(i);
        }
    }

    result_type operator()() {
        if (next_ == kStateWords) {
            refill();
        }
        return outputs_[next_++];
    }

    // The next words.size() outputs, in order: for loops that take many at a time, without the
    // check of a call each.
    void fill(std::span<std::uint32_t> words) {
        std::size_t done = 0;
        while (done < words.size()) {
            if (next_ == kStateWords) {
                refill();
            }
            const std::size_t count = std::min(words.size() - done, kStateWords - next_);
            std::copy_n(outputs_.data() + next_, count, words.data() + done);
            next_ += count;
            done += count;
        }
    }

    void discard(unsigned long long count) {
        for (; count > 0; --count) {
            (*this)();
        }
    }

    friend bool operator==(const MersenneTwister&, const MersenneTwister&) = default;

private:
    void refill() {
        twistAndTemper(state_.data(), outputs_.data());
        next_ = 0;
    }

    // The standard in-place recurrence over the whole state, then every word tempered; in its
    // own unit, built for AVX2 as well, where it takes eight words an instruction.
    static void twistAndTemper(std::uint32_t* state, std::uint32_t* outputs);

    std::array<std::uint32_t, kStateWords> state_{};
    std::array<std::uint32_t, kStateWords> outputs_{};
    std::size_t next_ = kStateWords;
};

}  // namespace quorvel
