#pragma once
// The lane type of every vector kernel: N doubles added, multiplied and compared lane by lane in
// one instruction where the target has registers that wide, in a few narrower ones elsewhere
// (GCC's and clang's vector extension, on which libstdc++'s std::experimental::simd is built).
// Each lane performs the IEEE operations of the scalar expression it stands for, in the same
// order, so the kernels give the scalar code's bits on every target and in every clone.

#include <cstddef>

namespace quorvel {

template <std::size_t N>
struct LaneVector {
    // A typedef: GCC drops the attribute from an alias template.
    typedef double type __attribute__((vector_size(N * sizeof(double))));  // NOLINT(modernize-use-using)
};

template <std::size_t N>
using DoubleLanes = typename LaneVector<N>::type;

}  // namespace quorvel
