#include "synthesis/MapperStage.h"

#include <algorithm>
#include <cmath>

#include "modulation/SamplesPerSymbol.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/RunCheck.h"

namespace quorvel {
namespace {

// About this many mapped values per piece: large enough that a piece's table set-up (QAM, APSK)
// costs nothing, small enough to stay in the cache.
constexpr std::size_t kPieceValues = 16384;

std::size_t valuesPerSymbol(const SignalParameters& p) {
    if (mapsOnePointPerSymbol(p.modulationType)) {
        return 1;
    }
    if (ownsLength(p)) {
        return static_cast<std::size_t>(std::max(1.0, std::ceil(samplesPerFile(p) / std::max(1.0, static_cast<double>(chainSymbolCount(p))))));
    }
    return std::max<std::size_t>(1, wholeSamplesPerSymbol(p.samplingRate / p.symbolRate));
}

}  // namespace

MapperStage::MapperStage(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* tap)
    : symbols_(p, engine),
      symbolsPerPiece_(std::max<std::size_t>(1, kPieceValues / valuesPerSymbol(p))), mapper_(makeBlockMapper(p)),
      tap_(tap) {}

void MapperStage::mapNextSymbols() {
    indices_.resize(symbolsPerPiece_);
    indices_.resize(symbols_.read(indices_));
    mapped_.clear();
    nextMapped_ = 0;
    mapper_->append(indices_, mapped_);
    if (tap_ != nullptr) {
        tap_->insert(tap_->end(), mapped_.begin(), mapped_.end());
    }
}

std::size_t MapperStage::read(std::span<ComplexSample> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        if (nextMapped_ == mapped_.size()) {
            // The piece that reads the last symbols maps everything left, GMSK's tail included.
            if (symbols_.remaining() == 0) {
                break;
            }
            mapNextSymbols();
            continue;
        }
        const std::size_t count = std::min(out.size() - done, mapped_.size() - nextMapped_);
        std::copy_n(mapped_.begin() + static_cast<std::ptrdiff_t>(nextMapped_), count, out.begin() + static_cast<std::ptrdiff_t>(done));
        nextMapped_ += count;
        done += count;
    }
    return done;
}

}  // namespace quorvel
