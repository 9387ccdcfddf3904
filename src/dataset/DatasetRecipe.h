#pragma once
// A dataset as its recipe file describes it: the classes, the SNRs, how many captures of how
// many samples, and every other setting as a value or a range to draw from, with one seed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "channel/DelayProfiles.h"
#include "common/SignalParameters.h"
#include "dataset/SceneSettings.h"

namespace quorvel {

// A multipath profile drawn per capture: its delay spread uniform in [lowest, highest] seconds,
// each tap's phase uniform in [-180, 180) degrees.
struct DrawnMultipath {
    DelayProfile profile = DelayProfile::Exponential;
    double lowestSpread = 0.0;
    double highestSpread = 0.0;
    std::size_t exponentialTaps = 0;
};

// One recipe key as given for a class: a value (low == high, not drawn) or a range [low, high).
struct KeySetting {
    std::size_t row = 0;  // into recipeKeys()
    double low = 0.0;
    double high = 0.0;
    bool drawn = false;
    std::vector<MultipathTap> taps{};  // of a Taps row
    std::optional<DrawnMultipath> drawnMultipath{};  // of a Taps row given as a profile
    std::string path{};                // where the recipe gives it, for refusals
};

struct DatasetClass {
    std::string label;
    SignalParameters scheme;            // the scheme, its order and ring radii; the rest at defaults
    std::vector<KeySetting> settings;   // every key the recipe or the class gives, in table order
};

// How a capture's level is set: as the chain makes it; every capture scaled to mean power 1 as
// it is written; or every constellation scaled to mean energy 1 before the pulse (the noise
// follows the signal, so the SNR keeps its meaning). Either way a capture's power says nothing
// of its class.
enum class Normalization { None, UnitPower, UnitConstellation };

struct DatasetRecipe {
    std::string text;                        // the recipe file's bytes, kept with the dataset
    std::uint64_t seed = 0;
    std::uint32_t samplesPerCapture = 0;
    std::uint64_t capturesPerClassAndSnr = 0;
    std::vector<double> snrsDb;              // against the capture's power, as snrDefinition and snrReference say
    SnrDefinition snrDefinition = SnrDefinition::PerSample;
    SnrReference snrReference = SnrReference::Measured;  // "snr_ref": nominal sets it against the waveform's power
    AnalogSnrBand analogSnrBand = AnalogSnrBand::Sampling;  // "snr": {"analog": ...}
    Normalization normalization = Normalization::None;
    // "checksums": every HDF5 chunk carries Fletcher-32 and every SigMF recording names its
    // samples' SHA-512, so that a byte changed or a set left half-renamed is refused on reading.
    bool checksums = false;
    std::vector<DatasetClass> classes;
    // Wideband scenes of several emitters instead of one capture per class and SNR.
    std::optional<SceneSettings> scene{};

    std::uint64_t captureCount() const {
        if (scene) {
            return scene->captures;
        }
        return static_cast<std::uint64_t>(classes.size()) * snrsDb.size() * capturesPerClassAndSnr;
    }
};

// The largest recipe file read; a recipe is a few KB.
inline constexpr std::size_t kMaxRecipeBytes = std::size_t{16} << 20;

// The outcome of reading a recipe: the recipe, or one line naming the key at fault and its rule.
struct RecipeReading {
    std::optional<DatasetRecipe> recipe;
    std::string problem;

    explicit operator bool() const { return recipe.has_value(); }
};

// Reads recipe text. Every key is checked, and every class against the run check at the ends of
// its ranges, before anything is written.
RecipeReading readDatasetRecipe(const std::string& text);

// The same for the file at path (a regular file of at most kMaxRecipeBytes); every problem starts
// with the path, and a file that cannot be read gives the system's reason.
RecipeReading readDatasetRecipeFile(const std::string& path);

}  // namespace quorvel
