// A recipe that breaks a rule is refused before anything is made, naming the key by its path and
// the rule it breaks.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "dataset/DatasetRecipe.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

const Json kValid = Json::parse(R"({
  "seed": 1, "samples_per_capture": 64, "captures_per_class_and_snr": 2, "snr": {"values": [0, 10]},
  "classes": [{"label": "QPSK", "modulation": "psk"}, {"label": "FSK", "modulation": "fsk", "order": 2}]})");

struct RecipeRefusalRefusal {
    const char* pointer;  // where the edit goes
    Json value;           // null: the key is removed
    const char* message;  // what the refusal starts with
};

TEST(RecipeRefusal, EveryFaultNamesItsKeyAndRule) {
    ASSERT_TRUE(readDatasetRecipe(kValid.dump())) << readDatasetRecipe(kValid.dump()).problem;
    const RecipeRefusalRefusal cases[] = {
        {"/sed", 1, "sed: unknown key"},
        {"/seed", nullptr, "seed: missing"},
        {"/seed", -1, "seed: an unsigned 64-bit integer (it is -1)"},
        {"/samples_per_capture", 0, "samples_per_capture: an integer from 1 to"},
        {"/snr/values/1", "10", "snr.values[1]: a finite number of dB (it is \"10\")"},
        {"/snr/step", 2, "snr.values: cannot be given with start, stop and step"},
        {"/snr/definition", "es_n0", "snr.definition: \"per_sample\""},
        {"/snr_ref", 1, "snr_ref: \"measured\" (the capture's own mean power) or \"nominal\""},
        {"/timing_error", Json{{"min", -0.5}, {"max", 1.5}}, "timing_error.max: a number of symbol periods from -1 to 1 (it is 1.5)"},
        {"/frequency_offset", Json{{"min", 5}, {"max", 1}}, "frequency_offset.max: at least min (5)"},
        {"/frequency_offset", Json{{"min", 5}, {"high", 6}}, "frequency_offset.high: unknown key"},
        {"/sampling_rate", Json{{"min", 1e4}, {"max", 2e4}}, "sampling_rate: a single value, never a range"},
        {"/classes/1/sampling_rate", 8000, "classes[1].sampling_rate: given once at the top"},
        {"/symbol_rate", 500, "symbol_rate: cannot be given with samples_per_symbol"},
        {"/data_source", "prn9", "data_source: one of random, prn15 or prn7 (it is \"prn9\")"},
        {"/classes/0/order", 3, "classes[0].order: psk offers the orders 2, 4, 8, 16, 32 or 64 (it is 3)"},
        {"/classes/0/modulation", "wavelet", "classes[0].modulation: one of psk, oqpsk"},
        {"/classes/0/tone", 100, "classes[0].tone: only with \"modulation\": \"tone\""},
        {"/classes/1/bt", 0.3, "classes[1].bt: only with \"modulation\": \"gfsk\""},
        {"/classes/0/chirp_gap", 2.5, "classes[0].chirp_gap: a whole number from 0 to"},
        {"/classes/1/label", "QPSK", "classes[1].label: a name no other class has"},
        {"/classes/1/apsk_radii", "1 2", "classes[1].apsk_radii: ring radii text"},
        {"/classes/1/samples_per_symbol", 1.5, "classes[1]: FSK of order 2 needs a symbol rate"},
        {"/classes/0/colour", 1, "classes[0].colour: unknown key"},
        {"/pulse_span", 2.5, "pulse_span: a whole number of symbols from 1 to 256 (it is 2.5)"},
        {"/classes/0/pulse", "sinc", "classes[0].pulse: one of linear, rrc, rc or gaussian"},
        {"/classes/1/pulse", "rrc", "classes[1]: Pulse shaping applies to PSK"},
        {"/gray", "yes", "gray: one of off or on"},
        {"/fading", "nakagami", "fading: one of off, rayleigh or rician (it is \"nakagami\")"},
        {"/doppler", Json{{"min", 0}, {"max", 6000}}, "doppler.max: a finite number of Hz from 0 to 5000 (it is 6000)"},
        {"/classes/0/k_factor", 2, "classes[0].k_factor: needs fading as well"},
        {"/phase_noise_level", -80, "phase_noise_level: needs phase_noise_offset as well"},
        {"/classes/1/phase_noise_offset", 0, "classes[1].phase_noise_offset: a finite number of Hz above 0 and at most 5000"},
        {"/multipath", "0:0", "multipath: use at most 32 taps D:G:P"},
        {"/multipath", 3, "multipath: Static taps"},
        {"/iq_imbalance_phase", Json{{"min", 0}, {"max", 50}}, "iq_imbalance_phase.max: a finite number of degrees from -45 to 45"},
        {"/pa_saturation", 0, "pa_saturation: a finite number of at least 1e-06 (it is 0)"},
        {"/multipath", Json{{"profile", "tdl-f"}, {"delay_spread", 1e-6}}, "multipath.profile: one of exponential, tdl-a"},
        {"/multipath", Json{{"profile", "tdl-a"}, {"delay_spread", 1e-6}, {"taps", 4}}, "multipath.taps: only with \"profile\": \"exponential\""},
        {"/multipath", Json{{"profile", "exponential"}, {"delay_spread", 1e-6}}, "multipath.taps: missing"},
        {"/multipath", Json{{"profile", "exponential"}, {"delay_spread", 1e-6}, {"taps", 33}}, "multipath.taps: a whole number of taps from 1 to 32"},
        {"/multipath", Json{{"profile", "tdl-c"}, {"delay_spread", Json{{"min", 0}, {"max", 1}}}}, "multipath.delay_spread.min: a finite number of seconds above 0"},
        {"/multipath", Json{{"profile", "tdl-e"}, {"delay_spread", 1}}, "classes[0]: use at most 32 taps"},
        {"/normalize", "unit", "normalize: \"none\", \"unit_power\""},
        {"/classes/0/normalize", "unit_power", "classes[0].normalize: unknown key"},
        {"/checksums", 1, "checksums: true or false (it is 1)"},
        {"/classes/0/checksums", true, "classes[0].checksums: unknown key"},
        {"/doppler_symbol_fraction", 0.1, "doppler_symbol_fraction: needs fading as well"},
        {"/doppler_symbol_fraction", 0.6, "doppler_symbol_fraction: a fraction of the symbol rate from 0 to 0.5 (it is 0.6)"},
    };
    for (const RecipeRefusalRefusal& c : cases) {
        Json recipe = kValid;
        recipe["samples_per_symbol"] = 8;
        if (c.value.is_null()) {
            recipe.erase(Json::json_pointer(c.pointer).back());
        } else {
            recipe[Json::json_pointer(c.pointer)] = c.value;
        }
        const RecipeReading reading = readDatasetRecipe(recipe.dump());
        EXPECT_FALSE(reading) << c.pointer;
        EXPECT_EQ(reading.problem.rfind(c.message, 0), 0u) << reading.problem;
    }
    EXPECT_EQ(readDatasetRecipe("{\"seed\": ").problem.rfind("the recipe is not JSON", 0), 0u);
}

}  // namespace
}  // namespace quorvel
