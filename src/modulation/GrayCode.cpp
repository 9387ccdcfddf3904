#include "modulation/GrayCode.h"

#include <bit>

namespace quorvel {

std::uint32_t grayPosition(std::uint32_t label) {
    std::uint32_t position = label;
    for (std::uint32_t shift = 1; shift < 32; shift <<= 1) {
        position ^= position >> shift;
    }
    return position;
}

std::vector<std::int32_t> grayIndexTable(const GrayMap& map, std::int32_t alphabetSize) {
    if (map.layout == GrayLayout::Unchanged || alphabetSize <= 0) {
        return {};
    }
    std::vector<std::int32_t> table(static_cast<std::size_t>(alphabetSize));
    const auto columns = static_cast<std::uint32_t>(map.columns);
    const int columnBits = map.layout == GrayLayout::Grid ? std::countr_zero(columns) : 32;
    for (std::uint32_t k = 0; k < table.size(); ++k) {
        if (map.layout == GrayLayout::Line) {
            table[k] = static_cast<std::int32_t>(grayPosition(k));
            continue;
        }
        const std::uint32_t column = grayPosition(k & (columns - 1));
        const std::uint32_t row = grayPosition(k >> columnBits);
        table[k] = static_cast<std::int32_t>(row * columns + column);
    }
    return table;
}

}  // namespace quorvel
