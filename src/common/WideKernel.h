#pragma once
// Kernels worth a second build for processors with AVX2, chosen when the program starts. Floating
// point contraction is off in every build, so both builds round every operation alike.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define QUORVEL_WIDE_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define QUORVEL_WIDE_KERNEL
#endif
