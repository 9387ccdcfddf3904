#include "synthesis/SymbolSources.h"

#include <algorithm>
#include <cstddef>

#include "modulation/SchemeCatalog.h"

namespace quorvel {

namespace {

template <typename Words>
std::int32_t uniformIndex(Words& words, std::uint32_t alphabetSize) {
    std::uint64_t product = std::uint64_t{words()} * alphabetSize;
    auto low = static_cast<std::uint32_t>(product);
    if (low < alphabetSize) {
        // Rejecting the few low products that would favour small indices keeps the draw uniform;
        // for power-of-two alphabets the threshold is 0 and nothing is ever rejected.
        const std::uint32_t threshold = (0u - alphabetSize) % alphabetSize;
        while (low < threshold) {
            product = std::uint64_t{words()} * alphabetSize;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::int32_t>(product >> 32);
}

std::int32_t counterIndex(CounterDraws& draws, std::uint32_t alphabetSize) {
    auto words = [&draws] { return draws.next(); };
    return uniformIndex(words, alphabetSize);
}

}  // namespace

std::int32_t drawUniformIndex(SymbolEngine& engine, std::uint32_t alphabetSize) {
    return uniformIndex(engine, alphabetSize);
}

void drawCounterSymbolBlock(std::uint32_t key, std::uint32_t alphabetSize, std::uint64_t block,
                            std::span<std::int32_t> out) {
    CounterDraws draws(key, CounterStream::Symbols, block);
    for (auto& symbol : out) {
        symbol = counterIndex(draws, alphabetSize);
    }
}

SymbolSequence drawRandomSymbols(std::int32_t alphabetSize, std::int32_t count, SymbolEngine& engine) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    for (auto& symbol : symbols) {
        symbol = drawUniformIndex(engine, m);
    }
    return symbols;
}

std::uint32_t Prn15Register::next() {
    // The register is deliberately not masked to 15 bits, because neither the feedback nor any
    // index ever reads above bit 14.
    const std::uint32_t fb = ((state >> 14) ^ (state >> 13) ^ (state >> 11) ^ (state >> 4)) & 1u;
    state = (state << 1) | fb;
    return state;
}

std::uint32_t Prn7Register::next() {
    const std::uint32_t fb = ((state >> 6) ^ (state >> 5)) & 1u;
    state = ((state << 1) | fb) & 0xFFu;
    return state;
}

SymbolSequence drawPrn15Symbols(std::int32_t alphabetSize, std::int32_t count) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    Prn15Register reg;
    for (auto& symbol : symbols) {
        symbol = static_cast<std::int32_t>(reg.next() % m);
    }
    return symbols;
}

SymbolSequence drawPrn7Symbols(std::int32_t alphabetSize, std::int32_t count) {
    SymbolSequence symbols(static_cast<std::size_t>(count));
    const auto m = static_cast<std::uint32_t>(alphabetSize);
    Prn7Register reg;
    for (auto& symbol : symbols) {
        symbol = static_cast<std::int32_t>(reg.next() % m);
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

SymbolStream::SymbolStream(DataSource source, std::int32_t alphabetSize, std::int64_t count,
                           SymbolEngine& engine)
    : source_(source), alphabetSize_(static_cast<std::uint32_t>(alphabetSize)), remaining_(count),
      engine_(engine) {}

SymbolStream::SymbolStream(const SignalParameters& p, SymbolEngine& engine)
    : SymbolStream(p.dataSource, alphabetSize(p), chainSymbolCount(p), engine) {
    if (p.transmitter.bits != BitSource::Indices) {
        bits_.emplace(p.transmitter, alphabetSize(p));
    }
    gray_ = grayIndexTable(p);
    if (drawsByCounter(p) && !bits_ && source_ == DataSource::CurrentRandom) {
        counterKey_ = engine();
    }
}

std::size_t SymbolStream::read(std::span<std::int32_t> out) {
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(remaining_, static_cast<std::int64_t>(out.size())));
    remaining_ -= static_cast<std::int64_t>(count);
    const auto indices = out.first(count);
    if (bits_) {
        for (auto& symbol : indices) {
            symbol = bits_->next();
        }
    } else {
        drawIndices(indices);
    }
    if (!gray_.empty()) {
        for (auto& symbol : indices) {
            symbol = gray_[static_cast<std::size_t>(symbol)];
        }
    }
    return count;
}

void SymbolStream::drawIndices(std::span<std::int32_t> indices) {
    const std::size_t count = indices.size();
    switch (source_) {
        case DataSource::CurrentRandom:
            if (counterKey_) {
                for (auto& symbol : indices) {
                    if (drawn_ % kSymbolsPerBlock == 0) {
                        counterBlock_.emplace(*counterKey_, CounterStream::Symbols, drawn_ / kSymbolsPerBlock);
                    }
                    symbol = counterIndex(*counterBlock_, alphabetSize_);
                    ++drawn_;
                }
                return;
            }
            for (auto& symbol : indices) {
                symbol = drawUniformIndex(engine_, alphabetSize_);
            }
            return;
        case DataSource::Prn15Lfsr:
            for (auto& symbol : indices) {
                symbol = static_cast<std::int32_t>(prn15_.next() % alphabetSize_);
            }
            return;
        case DataSource::Prn7Lfsr:
            for (auto& symbol : indices) {
                symbol = static_cast<std::int32_t>(prn7_.next() % alphabetSize_);
            }
            return;
    }
    std::fill_n(indices.begin(), count, 0);
}

void SymbolStream::drawRest() {
    // Only the twister's random indices carry anything over to the next file.
    if (source_ != DataSource::CurrentRandom || bits_ || counterKey_) {
        remaining_ = 0;
        return;
    }
    std::int32_t scratch[1024];
    while (remaining_ > 0) {
        read(scratch);
    }
}

}  // namespace quorvel

namespace quorvel {

SymbolSequence drawFileSymbols(const SignalParameters& p, SymbolEngine& engine) {
    SymbolSequence symbols(static_cast<std::size_t>(std::max(p.symbolCount, 0)));
    SymbolStream(p, engine).read(symbols);
    return symbols;
}

}  // namespace quorvel
