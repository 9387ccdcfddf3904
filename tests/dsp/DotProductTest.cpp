// The filters' dot product: every term counted (against a sum in long double) and the order of
// additions the files rely on kept bit for bit (against a plain scalar statement of that order),
// at lengths about the sixteen-term step.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/DotProduct.h"

namespace quorvel {
namespace {

double statedOrder(const std::vector<double>& a, const std::vector<double>& b) {
    double s[16] = {};
    std::size_t k = 0;
    for (; k + 16 <= a.size(); k += 16) {
        for (std::size_t j = 0; j < 16; ++j) {
            s[j] += a[k + j] * b[k + j];
        }
    }
    double lane[4];
    for (std::size_t j = 0; j < 4; ++j) {
        lane[j] = (s[j] + s[j + 4]) + (s[j + 8] + s[j + 12]);
    }
    double sum = (lane[0] + lane[1]) + (lane[2] + lane[3]);
    for (; k < a.size(); ++k) {
        sum += a[k] * b[k];
    }
    return sum;
}

TEST(DotProduct, CountsEveryTermInItsStatedOrder) {
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    for (const std::size_t count : {0, 1, 15, 16, 17, 31, 32, 33, 63, 4095}) {
        std::vector<double> a(count), b(count);
        long double exact = 0.0L;
        long double scale = 0.0L;
        for (std::size_t k = 0; k < count; ++k) {
            a[k] = normal(random);
            b[k] = normal(random) * 1e3;
            exact += static_cast<long double>(a[k]) * b[k];
            scale += std::fabs(static_cast<long double>(a[k]) * b[k]);
        }
        const double got = dotProduct(a.data(), b.data(), count);
        EXPECT_NEAR(got, static_cast<double>(exact), 1e-13 * static_cast<double>(scale) + 1e-300) << count;
        EXPECT_EQ(got, statedOrder(a, b)) << count;
    }
}

}  // namespace
}  // namespace quorvel
