#pragma once
// Everything the desktop program keeps between two commands, in one object that the
// application owns for its whole run; the windows get it by reference.

#include <QPointer>

#include "common/SeedSource.h"
#include "common/Signal.h"
#include "display/widgets/SignalViewer.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

struct ApplicationState {
    // seeds: where the synthesiser's engines get their seeds (the platform's source by default).
    explicit ApplicationState(SeedSource seeds = platformSeedSource());
    // Closes a viewer that is still open: it ends with the application.
    ~ApplicationState();
    ApplicationState(const ApplicationState&) = delete;
    ApplicationState& operator=(const ApplicationState&) = delete;

    // The open viewer draws from CurrentSignal and MappedSymbols without a copy of its own:
    // whoever changes either closes the viewer first.
    SampleBuffer CurrentSignal;  // final signal of the last run; empty after a refusal or a cancel
    SampleBuffer MappedSymbols;  // mapper output of the last file of the last good run
    double ViewerSampleRate = 10000.0;    // sampling rate of CurrentSignal [Hz]
    bool ShowSampledData = false;         // constellation shows CurrentSignal, not MappedSymbols
    bool OpenAnalyzerAfterRun = false;    // a good run opens its last recording in the analyzer
    QPointer<SignalViewer> ViewerWindow;  // the open viewer; null once destroyed
    SpectrumStorage ViewerSpectrum;       // the open viewer's, kept for the next one
    SignalSynthesizer Synthesizer;
};

}  // namespace quorvel
