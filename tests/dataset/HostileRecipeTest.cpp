// Recipes an attacker or a slip of the keyboard could write: each is refused in one short line
// that names the key, and none crashes, blocks or reads without end.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "common/JsonInput.h"
#include "dataset/DatasetRecipe.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

// A recipe that the reader accepts, with `insert` spliced in as its first key.
std::string recipeWith(const std::string& insert, const std::string& classes = R"([{"label": "A", "modulation": "psk"}])") {
    return "{" + insert + R"("samples_per_capture": 64, "captures_per_class_and_snr": 1,
        "snr": {"values": [0]}, "samples_per_symbol": 8, "classes": )" + classes + "}";
}

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(HostileRecipe, EachIsRefusedNamingItsKey) {
    ASSERT_TRUE(readDatasetRecipe(recipeWith(R"("seed": 1,)"))) << readDatasetRecipe(recipeWith(R"("seed": 1,)")).problem;
    const struct {
        std::string text;
        std::string message;  // what the refusal starts with
    } cases[] = {
        {recipeWith(R"("seed": 1, "mixing_frequency": )" + nested(100000) + ","), "the recipe is nested deeper than 64"},
        {recipeWith(R"("seed": 1e400,)"), "the recipe is not JSON at seed: "},
        {recipeWith(R"("seed": 1, "doppler": -1e400,)"), "the recipe is not JSON at doppler: "},
        {recipeWith(R"("seed": 1, "snr": {"values": [0, [1], {"a": 2}, 1e400]},)"),
         "the recipe is not JSON at snr.values[3]: "},
        {recipeWith(R"("seed": 1,)", R"([{"label": "A"}, {"label": "B", "modulation": "psk", "order": 1e999}])"),
         "the recipe is not JSON at classes[1].order: "},
        {recipeWith(R"("seed": 18446744073709551616,)"), "seed: an unsigned 64-bit integer (it is 1.8"},
        {recipeWith(R"("seed": 1e19,)"), "seed: an unsigned 64-bit integer"},
        {recipeWith(R"("seed": 1,)", R"([{"label": "A", "modulation": "psk", "order": 4294967298}])"),
         "classes[0].order: psk offers the orders"},
        {recipeWith(R"("seed": 1,)", R"([{"label": "A", "modulation": "psk", "order": -4294967292}])"),
         "classes[0].order: psk offers the orders"},
        {recipeWith(R"("seed": 1, "snr_unused": 0,)"), "snr_unused: unknown key"},
        {recipeWith(R"("seed": 1, "\u001b[31m": 0,)"), "\\x1b[31m: unknown key"},
        {R"({"seed": 1, "samples_per_capture": 64, "captures_per_class_and_snr": 1, "snr": {"values": [1e308]},
            "classes": [{"label": "A", "modulation": "psk"}]})", "snr.values[0]: a finite number of dB from -1e+06"},
        {R"({"seed": 1, "samples_per_capture": 64, "captures_per_class_and_snr": 1,
            "snr": {"start": -1e308, "stop": 0, "step": 1}, "classes": [{"label": "A", "modulation": "psk"}]})",
         "snr.start: a finite number of dB from -1e+06"},
        // Within the bound, but more noise than a sample can hold: the single-file rule's words.
        {R"({"seed": 1, "samples_per_capture": 64, "captures_per_class_and_snr": 1, "snr": {"values": [0, -900000]},
            "classes": [{"label": "A", "modulation": "psk"}]})", "classes[0]: An SNR of -900000 dB asks for more noise"},
        {recipeWith(R"("seed": 1, "dc_offset_i": 1e308,)"), "dc_offset_i: a finite number from -1e+06 to 1e+06"},
        {recipeWith(R"("seed": 1, "pa_smoothness": 1e-300, "pa_saturation": 1,)"),
         "pa_smoothness: a finite number of at least 0.1"},
        {recipeWith(R"("seed": 1, "pa_smoothness": 2, "pa_saturation": 1e-300,)"),
         "pa_saturation: a finite number of at least 1e-06"},
        {recipeWith(R"("seed": 1,)", R"([{"label": "A", "modulation": "apsk", "apsk_radii": "0 0"}])"),
         "classes[0]: APSK ring radii must reach at least"},
        {recipeWith(R"("seed": 1,)", R"([{"label": "A\u0000x", "modulation": "psk"}, {"label": "A\u0000y", "modulation": "psk"}])"),
         "classes[0].label: a name of 1 to 255 bytes without NUL (it is \"A\\x00x\")"},
    };
    for (const auto& c : cases) {
        const RecipeReading reading = readDatasetRecipe(c.text);
        EXPECT_FALSE(reading) << c.message;
        EXPECT_EQ(reading.problem.rfind(c.message, 0), 0u) << reading.problem;
        EXPECT_LT(reading.problem.size(), 400u) << c.message;
    }
}

// A refused value is shown cut short, and a terminal's escape sequence as text.
TEST(HostileRecipe, AnEchoedValueIsCutAndEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        // A text is shown with its escape as \xNN, and within JSON text as JSON's own escape.
        {recipeWith(R"("seed": 1,)", R"([{"label": "A", "modulation": "\u001b[2J)" + std::string(1 << 20, 'x') + R"("}])"),
         "(it is \"\\x1b[2Jxxx"},
        {recipeWith(R"("seed": ["\u001b[2J)" + std::string(1 << 20, 'y') + R"("],)"), "(it is [\"\\u001b[2Jyyy"},
    };
    for (const auto& [text, shown] : cases) {
        const RecipeReading reading = readDatasetRecipe(text);
        ASSERT_FALSE(reading);
        EXPECT_LT(reading.problem.size(), 400u);
        EXPECT_EQ(reading.problem.find('\x1b'), std::string::npos);
        EXPECT_NE(reading.problem.find(shown), std::string::npos) << reading.problem;
        EXPECT_NE(reading.problem.find("...", reading.problem.size() - 6), std::string::npos) << reading.problem;
    }
}

TEST(HostileRecipe, FilesThatAreNoRecipeSayWhyOnceWithThePath) {
    const TempDir dir;
    const std::string fifo = dir.file("fifo.json");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(dir.file("empty.json")).flush();
    std::filesystem::create_symlink(dir.file("loop.json"), dir.file("loop.json"));
    {
        std::ofstream large(dir.file("large.json"), std::ios::binary);
        large << std::string(kMaxRecipeBytes + 1, ' ');
    }
    std::ofstream(dir.file("bad.json")) << R"({"seed": "one"})";
    const std::pair<std::string, std::string> cases[] = {
        {dir.file("none.json"), ": No such file or directory"},
        {dir.file("empty.json"), " is empty"},
        {dir.str(), " is not a regular file"},
        {fifo, " is not a regular file"},
        {"/dev/zero", " is not a regular file"},
        {dir.file("loop.json"), ": Too many levels of symbolic links"},
        {dir.file("large.json"), ": too large to be a recipe"},
        {dir.file("bad.json"), ": seed: an unsigned 64-bit integer"},
    };
    for (const auto& [path, reason] : cases) {
        const RecipeReading reading = readDatasetRecipeFile(path);
        EXPECT_FALSE(reading) << path;
        EXPECT_EQ(reading.problem.rfind(path + reason, 0), 0u) << reading.problem;
        EXPECT_EQ(reading.problem.find(path, 1), std::string::npos) << "the path twice: " << reading.problem;
    }
}

TEST(JsonInput, NestingIsCountedOutsideStringsOnly) {
    const struct {
        std::string text;
        bool accepted;
    } cases[] = {
        {nested(64), true},
        {nested(65), false},
        {"[\"" + std::string(100, '[') + "\"]", true},           // brackets in a string are text
        {"[\"\\\"" + std::string(100, '{') + "\"]", true},        // so are they after an escaped quote
        {"{\"a\":" + nested(63) + "}", true},
        {"{\"a\":" + nested(64) + "}", false},
        {"[1e400]", false},
        {"[-1e400]", false},
        {"[1e-400]", true},  // rounds to 0, as any tiny number does
    };
    for (const auto& c : cases) {
        const JsonInput input = parseJsonInput(c.text);
        EXPECT_EQ(static_cast<bool>(input), c.accepted) << c.text.substr(0, 80) << ": " << input.problem;
    }
}

TEST(JsonInput, IntegersAreReadExactlyOrNotAtAll) {
    using nlohmann::json;
    const struct {
        const char* text;
        std::optional<std::int64_t> asInt32;
        std::optional<std::uint64_t> asUint64;
    } cases[] = {
        {"7", 7, 7u},
        {"-7", -7, std::nullopt},
        {"2147483647", 2147483647, 2147483647u},
        {"2147483648", std::nullopt, 2147483648u},
        {"-2147483649", std::nullopt, std::nullopt},
        {"4294967298", std::nullopt, 4294967298u},
        {"18446744073709551615", std::nullopt, 18446744073709551615u},
        {"18446744073709551616", std::nullopt, std::nullopt},  // read as a double, 2^64
        {"3.0", 3, 3u},
        {"3.5", std::nullopt, std::nullopt},
        {"9007199254740991.0", std::nullopt, 9007199254740991u},
        {"9007199254740992.0", std::nullopt, std::nullopt},  // 2^53: its neighbours round to it
        {"\"3\"", std::nullopt, std::nullopt},
        {"true", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const json value = json::parse(c.text);
        const auto asInt32 = exactInteger<std::int32_t>(value);
        EXPECT_EQ(asInt32.has_value(), c.asInt32.has_value()) << c.text;
        if (asInt32 && c.asInt32) {
            EXPECT_EQ(*asInt32, *c.asInt32) << c.text;
        }
        EXPECT_EQ(exactInteger<std::uint64_t>(value), c.asUint64) << c.text;
    }
}

}  // namespace
}  // namespace quorvel
