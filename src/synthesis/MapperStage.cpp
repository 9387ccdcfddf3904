#include "synthesis/MapperStage.h"

#include <algorithm>

#include "modulation/Apsk.h"
#include "modulation/Fsk.h"
#include "modulation/Psk.h"
#include "modulation/Qam.h"
#include "modulation/SamplesPerSymbol.h"
#include "synthesis/SchemeTable.h"

namespace quorvel {
namespace {

// About this many mapped values per piece: large enough that a piece's table set-up (QAM, APSK)
// costs nothing, small enough to stay in the cache.
constexpr std::size_t kPieceValues = 16384;

std::size_t valuesPerSymbol(const SignalParameters& p) {
    if (mapsOnePointPerSymbol(p.modulationType)) {
        return 1;
    }
    return std::max<std::size_t>(1, wholeSamplesPerSymbol(p.samplingRate / p.symbolRate));
}

}  // namespace

MapperStage::MapperStage(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* tap)
    : p_(p), symbols_(p.dataSource, alphabetSize(p), p.symbolCount, engine),
      symbolsPerPiece_(std::max<std::size_t>(1, kPieceValues / valuesPerSymbol(p))), tap_(tap) {
    const double samplesPerSymbol = p.samplingRate / p.symbolRate;
    switch (p.modulationType) {
        case ModulationType::Oqpsk: mapper_.emplace<OqpskMapper>(); break;
        case ModulationType::Pi4Dqpsk: mapper_.emplace<Pi4DqpskMapper>(Pi * 0.25); break;
        case ModulationType::Msk: mapper_.emplace<MskMapper>(samplesPerSymbol); break;
        case ModulationType::Gmsk:
            mapper_.emplace<GmskMapper>(static_cast<std::size_t>(p.symbolCount), samplesPerSymbol);
            break;
        case ModulationType::Apsk:
            apskRingSizes_ = defaultApskRings(p.apskOrder).ringSizes;
            apskRadii_ = apskRadiiForRun(p);
            break;
        default: break;
    }
}

void MapperStage::mapNextSymbols() {
    indices_.resize(symbolsPerPiece_);
    indices_.resize(symbols_.read(indices_));
    mapped_.clear();
    nextMapped_ = 0;
    // The memoryless mappers map any piece as they would the whole sequence; the others carry
    // their state from piece to piece.
    switch (p_.modulationType) {
        case ModulationType::Psk: mapped_ = modulatePsk(indices_, p_.pskOrder); break;
        case ModulationType::Fsk: mapped_ = modulateFsk(indices_, p_.fskOrder, p_.symbolRate, p_.samplingRate); break;
        case ModulationType::Qam: mapped_ = modulateQam(indices_, p_.qamOrder); break;
        case ModulationType::Apsk: mapped_ = modulateApsk(indices_, apskRingSizes_, apskRadii_); break;
        case ModulationType::Oqpsk: std::get<OqpskMapper>(mapper_).append(indices_, mapped_); break;
        case ModulationType::Pi4Dqpsk: std::get<Pi4DqpskMapper>(mapper_).append(indices_, mapped_); break;
        case ModulationType::Msk: std::get<MskMapper>(mapper_).append(indices_, mapped_); break;
        case ModulationType::Gmsk: std::get<GmskMapper>(mapper_).append(indices_, mapped_); break;
    }
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
