#include "channel/IqImbalance.h"

#include <cmath>

namespace quorvel {

void applyIqImbalance(std::span<ComplexSample> samples, const IqImbalance& imbalance) {
    const double halfPhase = imbalance.phaseDegrees * (Pi / 180.0) / 2.0;
    const ComplexSample gainI = polar(std::pow(10.0, imbalance.amplitudeDb / 40.0), -halfPhase);
    const ComplexSample gainQ = polar(std::pow(10.0, -imbalance.amplitudeDb / 40.0), halfPhase);
    for (ComplexSample& s : samples) {
        // gI Re(x) + j gQ Im(x) written out: j gQ = (-Im gQ, Re gQ).
        s = {gainI.i * s.i - gainQ.q * s.q, gainI.q * s.i + gainQ.i * s.q};
    }
}

}  // namespace quorvel
