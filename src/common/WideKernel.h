#pragma once
// QUORVEL_WIDE_KERNEL before a function compiles it for AVX-512 and AVX2 besides the baseline, and
// the widest the processor runs is picked when the program starts: the per-sample loops of the
// noise, the channel and the plots, where the baseline has only two doubles a vector. Floating
// point contraction is off in every build, so each clone performs the same IEEE operations in the
// same order and gives the same bits.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define QUORVEL_WIDE_KERNEL __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define QUORVEL_WIDE_KERNEL
#endif
