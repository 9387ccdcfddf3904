#pragma once
// A scheme's mapper fed a piece of the symbol sequence at a time: the pieces' outputs appended
// together equal the mapping of the whole sequence.

#include <memory>

#include "common/Signal.h"

namespace quorvel {

class BlockMapper {
public:
    virtual ~BlockMapper() = default;
    virtual void append(const SymbolSequence& symbols, SampleBuffer& out) = 0;
};

// A mapper that carries its state from piece to piece (OQPSK, Pi/4-DQPSK, MSK, GMSK).
template <typename Mapper>
class StatefulBlockMapper final : public BlockMapper {
public:
    template <typename... Args>
    explicit StatefulBlockMapper(Args&&... args) : mapper_(std::forward<Args>(args)...) {}
    void append(const SymbolSequence& symbols, SampleBuffer& out) override { mapper_.append(symbols, out); }

private:
    Mapper mapper_;
};

// A memoryless mapper maps any piece as it would the whole sequence.
template <typename MapPiece>
class MemorylessBlockMapper final : public BlockMapper {
public:
    explicit MemorylessBlockMapper(MapPiece map) : map_(std::move(map)) {}
    void append(const SymbolSequence& symbols, SampleBuffer& out) override {
        if (out.empty()) {
            out = map_(symbols);
            return;
        }
        const SampleBuffer piece = map_(symbols);
        out.insert(out.end(), piece.begin(), piece.end());
    }

private:
    MapPiece map_;
};

template <typename Mapper, typename... Args>
std::unique_ptr<BlockMapper> statefulMapper(Args&&... args) {
    return std::make_unique<StatefulBlockMapper<Mapper>>(std::forward<Args>(args)...);
}

template <typename MapPiece>
std::unique_ptr<BlockMapper> memorylessMapper(MapPiece map) {
    return std::make_unique<MemorylessBlockMapper<MapPiece>>(std::move(map));
}

}  // namespace quorvel
