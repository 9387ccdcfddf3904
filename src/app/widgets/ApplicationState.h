#pragma once
// Everything the desktop program keeps between two commands, in one object that the
// application owns for its whole run; the windows get it by reference.

#include <QPointer>
#include <vector>

#include "common/SeedSource.h"
#include "common/Signal.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

class PlotCanvas;
class SignalViewer;

struct ApplicationState {
    // seeds: where the synthesiser's engines get their seeds (the platform's source by default).
    explicit ApplicationState(SeedSource seeds = platformSeedSource());
    // Closes a viewer that is still open: it ends with the application.
    ~ApplicationState();
    ApplicationState(const ApplicationState&) = delete;
    ApplicationState& operator=(const ApplicationState&) = delete;

    SampleBuffer CurrentSignal;  // final signal of the last run; empty after a refusal or a cancel
    SampleBuffer MappedSymbols;  // mapper output of the last file of the last good run
    std::vector<double> SpectrumFrequencies;  // [Hz], ascending, one per sample of CurrentSignal
    std::vector<double> SpectrumPowerDb;      // [dB], same length
    double ViewerSampleRate = 10000.0;        // sampling rate of CurrentSignal [Hz]
    bool ShowSampledData = false;  // constellation shows CurrentSignal, not MappedSymbols
    // The open viewer and the canvases of the viewer last opened; null once destroyed.
    QPointer<SignalViewer> ViewerWindow;
    QPointer<PlotCanvas> TimeCanvas;
    QPointer<PlotCanvas> SpectrumCanvas;
    QPointer<PlotCanvas> ConstellationCanvas;
    SignalSynthesizer Synthesizer;
};

}  // namespace quorvel
