#pragma once
// QUORVEL_VECTOR_CLONES before a function compiles it for AVX2 and AVX-512 besides the baseline,
// and the widest the processor runs is picked at load time: the per-point loops of the spectrum
// and the plots run over millions of points, and the baseline has only two doubles a vector.
// Each clone performs the same IEEE operations in the same order (contraction into fused
// multiply-adds is off), so every clone gives the same bits.

#if defined(__x86_64__) && defined(__GNUC__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define QUORVEL_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
#endif
#ifndef QUORVEL_VECTOR_CLONES
#define QUORVEL_VECTOR_CLONES
#endif
