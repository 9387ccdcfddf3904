#include "app/OrderControls.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(OrderControls, DefaultApskRadiiPerIndex) {
    const std::pair<int, const char*> cases[] = {
        {0, "0.5 1.5"}, {1, "0.3 0.7 1.2"}, {2, "0.8 1.2 2.0 2.5"}, {3, ""}, {-1, ""}, {100, ""},
    };
    for (const auto& [index, text] : cases) {
        EXPECT_EQ(defaultApskRadiiText(index), text) << index;
    }
}

struct EnableCase {
    std::int32_t type;
    int apskIndex;
    bool psk, fsk, qam, apsk, radii;
    std::optional<std::string> radiiText;
};

const EnableCase kEnableCases[] = {
    // Types without APSK leave the radii text untouched (no new text).
    {1, 0, true, false, false, false, false, std::nullopt},
    {2, 0, false, false, false, false, false, std::nullopt},
    {3, 0, false, false, false, false, false, std::nullopt},
    {4, 0, false, true, false, false, false, std::nullopt},
    {5, 0, false, false, false, false, false, std::nullopt},
    {6, 0, false, false, false, false, false, std::nullopt},
    {7, 0, false, false, true, false, false, std::nullopt},
    {1, 2, true, false, false, false, false, std::nullopt},
    // APSK takes the default radii of the APSK list's selection.
    {8, 0, false, false, false, true, true, "0.5 1.5"},
    {8, 1, false, false, false, true, true, "0.3 0.7 1.2"},
    {8, 2, false, false, false, true, true, "0.8 1.2 2.0 2.5"},
    {8, -1, false, false, false, true, true, ""},
    // Values outside the list disable everything.
    {0, 0, false, false, false, false, false, std::nullopt},
    {9, 0, false, false, false, false, false, std::nullopt},
    {-1, 0, false, false, false, false, false, std::nullopt},
};

TEST(OrderControls, EnableRulePerModulationType) {
    for (const auto& c : kEnableCases) {
        const auto state = updateOrderControls(c.type, c.apskIndex);
        const OrderControlState expected{c.psk, c.fsk, c.qam, c.apsk, c.radii, c.radiiText};
        EXPECT_EQ(state, expected) << "type " << c.type << ", APSK index " << c.apskIndex;
    }
}

}  // namespace
}  // namespace quorvel
