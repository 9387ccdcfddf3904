#pragma once
// The first stages of a file as one block stage: the symbol source and the scheme's mapper,
// handing out the mapper's output (points at the symbol rate, or samples for the keyed schemes).

#include <cstddef>
#include <memory>

#include "common/SampleSource.h"
#include "common/SignalParameters.h"
#include "modulation/BlockMapper.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {

class MapperStage final : public SampleSource {
public:
    // Draws the file's symbols from engine as they are needed. tap, when given, receives a copy of
    // every mapped block (the viewer shows the last file's mapper output).
    MapperStage(const SignalParameters& parameters, SymbolEngine& engine, SampleBuffer* tap);

    std::size_t read(std::span<ComplexSample> out) override;

    // Draws whatever symbols the file has left unread, so that the engine is ready for the next file.
    void drawRest() { symbols_.drawRest(); }

private:
    void mapNextSymbols();

    const SignalParameters& p_;
    SymbolStream symbols_;
    std::size_t symbolsPerPiece_;
    std::unique_ptr<BlockMapper> mapper_;
    SymbolSequence indices_;
    SampleBuffer mapped_;
    std::size_t nextMapped_ = 0;
    SampleBuffer* tap_;
};

}  // namespace quorvel
