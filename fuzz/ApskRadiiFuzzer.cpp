// parseApskRadii over arbitrary bytes, and the ring mapper over what it returns. The parser reads
// numbers up to the first text that is not one, so: every value is finite, a text made only of
// plain decimal numbers gives exactly those numbers (strtod in the "C" locale is the reference),
// and appending more text after a blank never changes the numbers already read.

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "modulation/Apsk.h"
#include "modulation/SchemeCatalog.h"

namespace {

using quorvel::fuzzing::require;

bool isStreamSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (isStreamSpace(c)) {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// A token strtod reads whole, in range, without the hexadecimal, infinity or not-a-number forms
// that the stream extraction does not share.
bool isPlainDecimal(const std::string& token, double& value) {
    if (token.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size() && errno == 0 && std::isfinite(value);
}

void checkAgainstReference(const std::string& text, const std::vector<double>& radii) {
    std::vector<double> expected;
    for (const std::string& token : tokens(text)) {
        double value = 0.0;
        if (!isPlainDecimal(token, value)) {
            return;
        }
        expected.push_back(value);
    }
    require(radii == expected, "plain decimal text parses to exactly its numbers");
}

void checkMapper(const std::vector<double>& radii, int order, const std::vector<std::int32_t>& symbols) {
    const quorvel::ApskRings rings = quorvel::defaultApskRings(order);
    const std::vector<double> chosen = quorvel::chooseApskRadii(rings.ringRadii, radii);
    require(chosen == (radii.size() >= 2 ? radii : rings.ringRadii), "two or more radii replace the defaults");
    const quorvel::SampleBuffer points = quorvel::modulateApsk(symbols, rings.ringSizes, chosen);
    if (chosen.size() != rings.ringSizes.size()) {
        require(points.empty(), "mismatched ring table maps nothing");
        return;
    }
    require(points.size() == symbols.size(), "one point per symbol");
    for (const auto& point : points) {
        require(std::isfinite(point.i) && std::isfinite(point.q), "finite points from finite radii");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const int order = quorvel::fuzzing::pickOrAny(data, std::array<std::int32_t, 3>{16, 32, 64});
    std::vector<std::int32_t> symbols(data.ConsumeIntegralInRange<std::size_t>(0, 32));
    for (auto& symbol : symbols) {
        symbol = data.ConsumeBool() ? data.ConsumeIntegralInRange<std::int32_t>(0, 70)
                                    : data.ConsumeIntegral<std::int32_t>();
    }
    const std::string text = data.ConsumeRemainingBytesAsString();

    const std::vector<double> radii = quorvel::parseApskRadii(text);
    for (const double radius : radii) {
        require(std::isfinite(radius), "finite radii");
    }
    checkAgainstReference(text, radii);

    const std::vector<double> extended = quorvel::parseApskRadii(text + " 1.5 x 2");
    require(extended.size() >= radii.size() && std::equal(radii.begin(), radii.end(), extended.begin()),
            "text appended after a blank keeps the numbers read");

    checkMapper(radii, order, symbols);
    return 0;
}
