#pragma once
// The values a number read from outside may hold besides finite ones, named once for every test.

#include <limits>

namespace quorvel::testing_support {

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace quorvel::testing_support
