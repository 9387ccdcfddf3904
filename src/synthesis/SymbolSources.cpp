#include "synthesis/SymbolSources.h"

#include <cstddef>

namespace quorvel {

std::int32_t drawUniformIndex(SymbolEngine& engine, std::uint32_t alphabetSize) {
    std::uint64_t product = std::uint64_t{engine()} * alphabetSize;
    auto low = static_cast<std::uint32_t>(product);
    if (low < alphabetSize) {
        // Rejecting the few low products that would favour small indices keeps the draw uniform;
        // for power-of-two alphabets the threshold is 0 and nothing is ever rejected.
        const std::uint32_t threshold = (0u - alphabetSize) % alphabetSize;
        while (low < threshold) {
            product = std::uint64_t{engine()} * alphabetSize;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::int32_t>(product >> 32);
}

SymbolSequence drawRandomSymbols(std::int32_t alphabetSize, std::int32_t count, SymbolEngine& engine) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    for (auto& symbol : symbols) {
        symbol = drawUniformIndex(engine, m);
    }
    return symbols;
}

SymbolSequence drawPrn15Symbols(std::int32_t alphabetSize, std::int32_t count) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    std::uint32_t s = 0xAAAA;
    for (auto& symbol : symbols) {
        // Taps 14, 13, 11 and 4; the register is deliberately not masked to 15 bits, because
        // neither the feedback nor any index ever reads above bit 14.
        const std::uint32_t fb = ((s >> 14) ^ (s >> 13) ^ (s >> 11) ^ (s >> 4)) & 1u;
        s = (s << 1) | fb;
        symbol = static_cast<std::int32_t>(s % m);
    }
    return symbols;
}

SymbolSequence drawPrn7Symbols(std::int32_t alphabetSize, std::int32_t count) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    std::uint32_t s = 0x55;
    for (auto& symbol : symbols) {
        const std::uint32_t fb = ((s >> 6) ^ (s >> 5)) & 1u;
        s = ((s << 1) | fb) & 0xFFu;
        symbol = static_cast<std::int32_t>(s % m);
    }
    return symbols;
}

SymbolSequence drawSymbols(DataSource source, std::int32_t alphabetSize, std::int32_t count,
                           SymbolEngine& engine) {
    switch (source) {
        case DataSource::CurrentRandom:
            return drawRandomSymbols(alphabetSize, count, engine);
        case DataSource::Prn15Lfsr:
            return drawPrn15Symbols(alphabetSize, count);
        case DataSource::Prn7Lfsr:
            return drawPrn7Symbols(alphabetSize, count);
    }
    return SymbolSequence(static_cast<std::size_t>(count), 0);
}

}  // namespace quorvel
