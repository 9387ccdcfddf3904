#pragma once
// Gray-coded mapping: index k is sent at the position p whose Gray label p ^ (p >> 1) is k, so
// points that neighbour each other differ in one bit. The schemes' mappers place index p at
// position p, so Gray coding is a relabelling of the indices before the mapper.

#include <cstdint>
#include <vector>

namespace quorvel {

enum class GrayLayout {
    Unchanged,  // the natural labels already differ in one bit between neighbours (binary, OQPSK's rails)
    Line,       // positions in a row or around a circle: PSK, Pi/4-DQPSK's increments, FSK's tones
    Grid,       // columns from the low bits, rows from the high bits: the rectangular QAMs
};

struct GrayMap {
    GrayLayout layout = GrayLayout::Unchanged;
    std::int32_t columns = 0;  // Grid: a power of two
};

inline std::uint32_t grayLabel(std::uint32_t position) { return position ^ (position >> 1); }

// The position whose Gray label is `label`.
std::uint32_t grayPosition(std::uint32_t label);

// table[k]: the mapper index that index k is sent at; empty when the map changes nothing.
std::vector<std::int32_t> grayIndexTable(const GrayMap& map, std::int32_t alphabetSize);

}  // namespace quorvel
