#include "synthesis/SchemeTable.h"

#include "modulation/Apsk.h"
#include "modulation/Fsk.h"
#include "modulation/Gmsk.h"
#include "modulation/Msk.h"
#include "modulation/Oqpsk.h"
#include "modulation/Pi4Dqpsk.h"
#include "modulation/Psk.h"
#include "modulation/Qam.h"

namespace quorvel {

std::int32_t alphabetSize(const SignalParameters& p) {
    switch (p.modulationType) {
        case ModulationType::Psk:
            return p.pskOrder;
        case ModulationType::Oqpsk:
        case ModulationType::Pi4Dqpsk:
            return 4;
        case ModulationType::Fsk:
            return p.fskOrder;
        case ModulationType::Msk:
        case ModulationType::Gmsk:
            return 2;
        case ModulationType::Qam:
            return p.qamOrder;
        case ModulationType::Apsk:
            return (p.apskOrder == 16 || p.apskOrder == 32 || p.apskOrder == 64) ? p.apskOrder : 0;
    }
    return 0;
}

bool mapsOnePointPerSymbol(ModulationType type) {
    switch (type) {
        case ModulationType::Psk:
        case ModulationType::Oqpsk:
        case ModulationType::Pi4Dqpsk:
        case ModulationType::Qam:
        case ModulationType::Apsk:
            return true;
        case ModulationType::Fsk:
        case ModulationType::Msk:
        case ModulationType::Gmsk:
            return false;
    }
    return false;
}

std::vector<double> apskRadiiForRun(const SignalParameters& p) {
    return chooseApskRadii(defaultApskRings(p.apskOrder).ringRadii, parseApskRadii(p.apskRadiiText));
}

SampleBuffer mapSymbols(const SymbolSequence& symbols, const SignalParameters& p) {
    const double samplesPerSymbol = p.samplingRate / p.symbolRate;
    switch (p.modulationType) {
        case ModulationType::Psk:
            return modulatePsk(symbols, p.pskOrder);
        case ModulationType::Oqpsk:
            return modulateOqpsk(symbols);
        case ModulationType::Pi4Dqpsk:
            return modulatePi4Dqpsk(symbols, Pi * 0.25);
        case ModulationType::Fsk:
            return modulateFsk(symbols, p.fskOrder, p.symbolRate, p.samplingRate);
        case ModulationType::Msk:
            return modulateMsk(symbols, samplesPerSymbol);
        case ModulationType::Gmsk:
            return modulateGmsk(symbols, samplesPerSymbol);
        case ModulationType::Qam:
            return modulateQam(symbols, p.qamOrder);
        case ModulationType::Apsk:
            return modulateApsk(symbols, defaultApskRings(p.apskOrder).ringSizes, apskRadiiForRun(p));
    }
    return {};
}

}  // namespace quorvel
