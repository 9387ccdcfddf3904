#include "dsp/DotProduct.h"

#include <cstring>

#include "common/Lanes.h"
#include "common/WideKernel.h"

namespace quorvel {
namespace {

using Quad = DoubleLanes<4>;

}  // namespace

QUORVEL_WIDE_KERNEL double dotProduct(const double* a, const double* b, std::size_t count) {
    // Four accumulators, so that each addition waits on the one four steps back, not the last.
    Quad q[4] = {};
    std::size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        for (std::size_t j = 0; j < 4; ++j) {
            // Loaded by copies: a function returning a quad would change its calling convention
            // with the clone's target.
            Quad x, y;
            std::memcpy(&x, a + k + 4 * j, sizeof x);
            std::memcpy(&y, b + k + 4 * j, sizeof y);
            q[j] += x * y;
        }
    }
    const Quad pairs = (q[0] + q[1]) + (q[2] + q[3]);
    double sum = (pairs[0] + pairs[1]) + (pairs[2] + pairs[3]);
    for (; k < count; ++k) {
        sum += a[k] * b[k];
    }
    return sum;
}

}  // namespace quorvel
