#pragma once
// The dot product the FIR filters of the later families run on (the analog message filter).
// Its order of additions is fixed, because it is part of the bits those files hold: sixteen
// partial sums, sum j taking the products of terms n with n mod 16 == j in turn; these added as
// quads, ((s[0..3] + s[4..7]) + (s[8..11] + s[12..15])) lane by lane, the four lanes then as
// ((l0 + l1) + (l2 + l3)); then the last n mod 16 products one by one.
// Every target and clone performs exactly these IEEE operations, so every machine gives the same
// bits. The filters of the specified schemes keep their own orders, which their files hold.

#include <cstddef>

namespace quorvel {

double dotProduct(const double* a, const double* b, std::size_t count);

}  // namespace quorvel
