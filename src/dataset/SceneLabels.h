#pragma once
// A scene capture's labels as rows of one table, one row per box (an emitter, or each dwell of a
// hopping one): where it is in time and frequency, its class and SNR, and every setting drawn for it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dataset/DatasetRecipe.h"
#include "dataset/ScenePlan.h"
#include "dsp/Spectrogram.h"

namespace quorvel {

// The meaning of a scene's draws and boxes, written beside them ("scene_version"); a change to
// either is a new version.
inline constexpr std::uint64_t kSceneVersion = 1;

struct BoxColumn {
    std::string name;
    bool integer = false;  // written as int64; every value is whole and exact in a double
};

// The table's columns: capture, emitter, dwell, class, sample_start, sample_count (samples of the
// capture), freq_lower_edge, freq_upper_edge [Hz from the capture's centre, where the capture shows
// the box: sceneBoxSeen], snr_db, bandwidth_hz,
// own_rate_hz, symbol_rate_hz, burst, hopping, then each recipe key the recipe draws, as the
// emitter's waveform took it.
std::vector<BoxColumn> sceneBoxColumns(const DatasetRecipe& recipe);

// The rows of a capture's boxes appended to out, sceneBoxColumns(recipe).size() values a row.
void appendSceneBoxRows(const DatasetRecipe& recipe, const ScenePlan& plan, std::vector<double>& out);

// The boxes of one capture's rows (appendSceneBoxRows) as YOLO text for its spectrogram of `shape`
// over `samples` samples at samplingRateHz: a line "class x y w h" per box, each number a fraction
// of the image: x along the columns (sample / hop over the frame count), y along the rows
// (frequency / fs + 1/2, row 0 the lowest frequency), clipped to the image.
std::string yoloLabelText(std::span<const double> rows, std::size_t width, const SpectrogramShape& shape,
                          std::uint32_t samples, double samplingRateHz);

// The scene fields recorded once per capture: "emitters", "signal_power" (the emitters' sum's,
// before the receiver) and, with a receiver, "receiver_KEY" for each receiver key the recipe gives.
std::vector<std::string> sceneFieldNames(const DatasetRecipe& recipe);

// Their values for a capture of plan whose emitters' sum has mean power signalPower.
std::vector<double> sceneFieldValues(const DatasetRecipe& recipe, const ScenePlan& plan,
                                     double signalPower);

}  // namespace quorvel
