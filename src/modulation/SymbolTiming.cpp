#include "modulation/SymbolTiming.h"

#include <bit>
#include <cmath>

#include "common/NumberText.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {

double effectiveSymbolRate(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme != nullptr && scheme->symbolRateHz != nullptr) {
        return scheme->symbolRateHz(p);
    }
    // A family that sets its own symbol length (chirps) runs at the rate its file length gives.
    if (scheme != nullptr && scheme->samplesPerFile != nullptr) {
        const double samples = scheme->samplesPerFile(p);
        return samples > 0.0 ? p.samplingRate * (static_cast<double>(chainSymbolCount(p)) / samples) : p.symbolRate;
    }
    if (mapsOnePointPerSymbol(p.modulationType) || p.transmitter.exactTiming) {
        return p.symbolRate;
    }
    const double whole = std::trunc(p.samplingRate / p.symbolRate);
    return whole >= 1.0 ? p.samplingRate / whole : p.symbolRate;
}

bool symbolRateDiffers(const SignalParameters& p) {
    // A family whose own parameters set its timing (the chirps, OFDM's frame) never takes the
    // setting's rate: nothing to warn of on every run.
    if (const Scheme* scheme = findScheme(p.modulationType); scheme != nullptr && scheme->samplesPerFile != nullptr) {
        return false;
    }
    return effectiveSymbolRate(p) != p.symbolRate;
}

std::string symbolRateWarning(const SignalParameters& p) {
    const double whole = std::trunc(p.samplingRate / p.symbolRate);
    return "Warning: " + upperCaseName(p.modulationType) + " keys whole samples per symbol, so " +
           numberText(whole) + " samples per symbol give a symbol rate of " + numberText(effectiveSymbolRate(p)) +
           " Hz, not " + numberText(p.symbolRate) + " Hz (exact timing keeps the rate).";
}

double perSampleSnrDb(const SignalParameters& p) {
    // White noise of N0 per Hz puts N0 B in the occupied band and N0 fs in every sample.
    if (const Scheme* scheme = findScheme(p.modulationType); p.transmitter.analogSnrBand == AnalogSnrBand::Occupied &&
                                                             scheme != nullptr && scheme->takesMessage &&
                                                             !isNoiseless(p.snrDb)) {
        return p.snrDb + 10.0 * std::log10(scheme->occupiedBandwidthHz(p) / p.samplingRate);
    }
    if (p.transmitter.snrDefinition == SnrDefinition::PerSample || isNoiseless(p.snrDb)) {
        return p.snrDb;
    }
    const double samplesPerSymbol = p.samplingRate / effectiveSymbolRate(p);
    double snr = p.snrDb - 10.0 * std::log10(samplesPerSymbol);
    if (p.transmitter.snrDefinition == SnrDefinition::EbN0) {
        const auto bits = std::countr_zero(static_cast<std::uint32_t>(std::max(alphabetSize(p), 1)));
        snr += 10.0 * std::log10(static_cast<double>(std::max(bits, 1)));
    }
    return snr;
}

}  // namespace quorvel
