#pragma once
// A finished capture on its way to a file, as every dataset writer takes it and as the merge
// reads it back from a shard's file: the samples as float32 I, Q pairs, the class, the SNR and the
// settings recorded for it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dataset/CaptureMaking.h"
#include "dataset/CapturePlan.h"

namespace quorvel {

struct CaptureRecord {
    std::uint64_t index = 0;              // in the whole dataset
    std::size_t classIndex = 0;
    double snrDb = 0.0;
    std::span<const float> iq{};          // I0, Q0, I1, Q1, ...: 2 x samples per capture values
    std::span<const double> settings{};   // one per recordedFieldNames(recipe), in that order
    // A scene capture's boxes, sceneBoxColumns(recipe).size() values a row; empty otherwise.
    std::span<const double> boxes{};
    // Its spectrogram, column after column, when the file keeps them; empty otherwise.
    std::span<const float> spectrogram{};
};

// The settings every capture of the recipe records: each drawable recipe key's value (in table
// order; an impairment's only where the recipe gives it), then "snr_db", "signal_power" (mean
// I^2 + Q^2 before the noise) and "symbol_count". A recipe that draws multipath profiles adds
// "delay_spread" [s] and, for k below the most taps a class's profile has, "tap_k_delay"
// [samples], "tap_k_gain_db" (mean power gain) and "tap_k_phase" [degrees] (NaN past a capture's
// own taps), then "tap_k_fades" (1 for a fading tap, 0 for a line-of-sight one); a normalising
// one "normalize_scale", the factor its samples carry.
std::vector<std::string> recordedFieldNames(const DatasetRecipe& recipe);

// The version of the drawn taps' fields, written beside them (HDF5 attribute and SigMF global
// "drawn_channel_version"); 0, and nothing written, when the recipe draws no profile.
std::uint64_t drawnChannelVersion(const DatasetRecipe& recipe);

// The values of recordedFieldNames(recipe) for a capture.
void recordedFields(const DatasetRecipe& recipe, const CapturePlan& plan, const CaptureSamples& capture,
                    std::vector<double>& out);

// Where a shard's captures go, in index order.
class CaptureWriter {
public:
    virtual ~CaptureWriter() = default;

    // The next capture. Throws std::runtime_error when the file cannot take it.
    virtual void write(const CaptureRecord& capture) = 0;

    // With complete, the file is finished and appears under its name; otherwise it is removed.
    // Nothing on success, otherwise why the file could not be finished.
    virtual std::optional<std::string> finish(bool complete) = 0;
};

}  // namespace quorvel
