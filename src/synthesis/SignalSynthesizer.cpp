#include "synthesis/SignalSynthesizer.h"

#include <utility>

#include "channel/Resampling.h"
#include "export/CsvWriter.h"
#include "synthesis/ChannelChain.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SchemeTable.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {

SignalSynthesizer::SignalSynthesizer(SeedSource seeds) : seeds_(std::move(seeds)) {}

GenerationResult SignalSynthesizer::generateSignal(const SignalParameters& p) const {
    GenerationResult result;
    // Every refusal depends on the parameters alone, so it comes before any file is touched.
    if (auto reason = findRefusal(p, memoryLimitBytes_.value_or(availableMemoryBytes()))) {
        result.refusal = std::move(*reason);
        return result;
    }
    SymbolEngine engine(seeds_());
    const std::int32_t m = alphabetSize(p);
    for (std::int32_t k = 1; k <= p.fileCount; ++k) {
        const SymbolSequence symbols = drawSymbols(p.dataSource, m, p.symbolCount, engine);
        SampleBuffer mapped = mapSymbols(symbols, p);
        SampleBuffer working = mapsOnePointPerSymbol(p.modulationType)
                                   ? resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate)
                                   : mapped;
        working = applyChannel(std::move(working), p, seeds_);

        const std::string path = sampleFilePath(p.savePath, k);
        if (auto error = writeSampleFile(path, working)) {
            result.fileFailures.push_back({path, std::move(*error)});
        } else {
            result.writtenFiles.push_back(path);
        }
        if (k == p.fileCount) {
            result.signal = std::move(working);
            result.mappedSymbols = std::move(mapped);
        }
    }
    return result;
}

}  // namespace quorvel
