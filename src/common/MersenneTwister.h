#pragma once
// The 32-bit Mersenne Twister every random source of the program runs on.

#include <cstdint>
#include <random>

namespace quorvel {

// MT19937 with its published parameters and seeding: the same output sequence as std::mt19937,
// which the C++ standard fixes. std::mt19937 keeps its state in uint_fast32_t, 64 bits wide on
// x86-64 Linux, where refilling the state costs about five times as much as with 32-bit words.
using MersenneTwister = std::mersenne_twister_engine<std::uint32_t, 32, 624, 397, 31, 0x9908b0dfu, 11,
                                                     0xffffffffu, 7, 0x9d2c5680u, 15, 0xefc60000u, 18,
                                                     1812433253u>;

}  // namespace quorvel
