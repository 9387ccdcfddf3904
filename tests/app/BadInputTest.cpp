// Hostile texts in every number field of the control panel: each gives the field's own message or
// the value the conversion rules spell, and whatever passes the panel then either runs to files
// of finite numbers or is refused with a reason; nothing crashes or hangs.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/ControlPanelReader.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"
#include "support/NonFinite.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;

using testing_support::kInf;

enum class BadInputKind { Real, Snr, Integer };

struct Field {
    const char* name;
    std::u16string ControlPanelInput::*text;
    BadInputKind kind;
    const char* message;
    double (*parsed)(const SignalParameters&);
};

const Field kFields[] = {
    {"symbol rate", &ControlPanelInput::symbolRate, BadInputKind::Real, "Invalid Symbol Rate.",
     [](const SignalParameters& p) { return p.symbolRate; }},
    {"sampling rate", &ControlPanelInput::samplingRate, BadInputKind::Real, "Invalid Sampling Rate.",
     [](const SignalParameters& p) { return p.samplingRate; }},
    {"symbol count", &ControlPanelInput::symbolCount, BadInputKind::Integer, "Invalid Number of Symbols.",
     [](const SignalParameters& p) { return static_cast<double>(p.symbolCount); }},
    {"SNR", &ControlPanelInput::snrDb, BadInputKind::Snr, "Invalid SNR.", [](const SignalParameters& p) { return p.snrDb; }},
    {"mixing", &ControlPanelInput::mixingFrequency, BadInputKind::Real, "Invalid Mixing Freq.",
     [](const SignalParameters& p) { return p.mixingFrequency; }},
    {"timing error", &ControlPanelInput::timingError, BadInputKind::Real, "Invalid Timing Error.",
     [](const SignalParameters& p) { return p.timingError; }},
    {"frequency offset", &ControlPanelInput::frequencyOffset, BadInputKind::Real, "Invalid Freq Offset.",
     [](const SignalParameters& p) { return p.frequencyOffset; }},
    {"file count", &ControlPanelInput::fileCount, BadInputKind::Integer, "Invalid File Count.",
     [](const SignalParameters& p) { return static_cast<double>(p.fileCount); }},
};

// What a text gives in a real field, the SNR field and an integer field; nothing: the message.
struct BadText {
    const char* label;
    std::u16string text;
    std::optional<double> real;
    std::optional<double> snr;
    std::optional<double> integer;
};

const std::u16string kOneAnd400Zeros = u"1" + std::u16string(400, u'0');

const std::vector<BadText>& badTexts() {
    static const std::vector<BadText> texts = {
        {"empty", u"", {}, {}, {}},
        {"blanks", u"   ", {}, {}, {}},
        {"trailing letters", u"12abc", {}, {}, {}},
        {"trailing no-break space", u"12\u00a0", {}, {}, {}},
        {"overflow", u"1e999", {}, {}, {}},
        {"negative overflow", u"-1e999", {}, {}, {}},
        {"just beyond the largest double", u"1.8e308", {}, {}, {}},
        {"underflow", u"1e-400", {}, {}, {}},
        {"not a number", u"nan", {}, {}, {}},
        {"infinity", u"inf", {}, kInf, {}},
        {"negative infinity", u"-inf", {}, {}, {}},
        {"hexadecimal float", u"0x1p4", 16.0, 16.0, {}},
        {"hexadecimal", u"0x10", 16.0, 16.0, {}},
        {"negative hexadecimal fraction", u"-0x1.8p1", -3.0, -3.0, {}},
        // Only the first 255 characters are read: a 1 and 254 zeros, too large for 32 bits.
        {"1 and 400 zeros", kOneAnd400Zeros, 1e254, 1e254, {}},
        {"2^31", u"2147483648", 2147483648.0, 2147483648.0, {}},
        {"-2^31 - 1", u"-2147483649", -2147483649.0, -2147483649.0, {}},
        {"largest 32-bit", u"2147483647", 2147483647.0, 2147483647.0, 2147483647.0},
        {"signed with a leading blank", u" +7", 7.0, 7.0, 7.0},
        {"Arabic-Indic digit", u"\u0663", {}, {}, {}},
        {"digit then Arabic-Indic digit", u"1\u0663", {}, {}, {}},
        {"full-width digits", u"\uff11\uff12", {}, {}, {}},
        {"emoji", u"\U0001F600", {}, {}, {}},
    };
    return texts;
}

std::optional<double> expectedFor(const BadText& t, BadInputKind kind) {
    switch (kind) {
        case BadInputKind::Real: return t.real;
        case BadInputKind::Snr: return t.snr;
        case BadInputKind::Integer: return t.integer;
    }
    return std::nullopt;
}

TEST(BadInput, EveryFieldGivesItsMessageOrTheSpelledValue) {
    for (const Field& field : kFields) {
        for (const BadText& t : badTexts()) {
            ControlPanelInput input;
            input.*field.text = t.text;
            const auto reading = readControlPanel(input);
            const auto expected = expectedFor(t, field.kind);
            SCOPED_TRACE(std::string(field.name) + " <- " + t.label);
            if (!expected) {
                EXPECT_FALSE(reading.parameters.has_value());
                EXPECT_EQ(reading.message, field.message);
            } else {
                ASSERT_TRUE(reading.parameters.has_value()) << reading.message;
                EXPECT_EQ(field.parsed(*reading.parameters), *expected);
            }
        }
    }
}

// Small files unless the field under test says otherwise; requests too large for 64 MiB are
// refused before anything is allocated.
TEST(BadInput, WhatPassesThePanelRunsCleanlyOrIsRefusedWithAReason) {
    SignalSynthesizer synthesizer(seededSequence(5));
    synthesizer.setMemoryLimit(std::uint64_t{64} << 20);
    for (const Field& field : kFields) {
        for (const BadText& t : badTexts()) {
            const auto expected = expectedFor(t, field.kind);
            // Two thousand million files would run for hours: allowed, but not here.
            if (!expected || (field.text == &ControlPanelInput::fileCount && *expected > 10.0)) {
                continue;
            }
            TempDir dir;
            ControlPanelInput input;
            input.symbolCount = u"20";
            const std::string folder = dir.str();
            input.savePath = std::u16string(folder.begin(), folder.end());
            input.*field.text = t.text;
            const auto reading = readControlPanel(input);
            ASSERT_TRUE(reading.parameters.has_value());
            const auto result = synthesizer.generateSignal(*reading.parameters);
            SCOPED_TRACE(std::string(field.name) + " <- " + t.label);
            if (result.refused()) {
                EXPECT_TRUE(result.writtenFiles.empty());
                EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
                continue;
            }
            EXPECT_TRUE(result.fileFailures.empty());
            ASSERT_FALSE(result.writtenFiles.empty());
            for (const auto& s : result.signal) {
                ASSERT_TRUE(std::isfinite(s.i) && std::isfinite(s.q));
            }
            const std::string text = readBytes(result.writtenFiles.back());
            EXPECT_EQ(text.find("nan"), std::string::npos);
            EXPECT_EQ(text.find("inf"), std::string::npos);
        }
    }
}

// Radii the stream cannot read as two numbers fall back to the order's own radii (0.5 and 1.5
// for 16-APSK); a character whose low byte is a digit or a NUL turns into that byte.
TEST(BadInput, NonAsciiRadiiRunWithTheRadiiTheyNarrowTo) {
    struct RadiiCase {
        const char* label;
        std::u16string text;
        std::vector<double> radii;
    };
    const RadiiCase cases[] = {
        {"Arabic-Indic digits", u"\u0663 \u0664", {0.5, 1.5}},
        {"full-width digits", u"\uff11 \uff12", {0.5, 1.5}},
        {"emoji", u"\U0001F600", {0.5, 1.5}},
        {"U+4E00 narrows to a NUL between the numbers", u"0.7\u4e002.5", {0.5, 1.5}},
        {"U+0131 narrows to the digit 1", u"0.4 \u0131", {0.4, 1.0}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ControlPanelInput input;
        input.modulationIndex = 7;
        input.symbolCount = u"200";
        input.snrDb = u"inf";
        input.apskRadii = c.text;
        const std::string folder = dir.str();
        input.savePath = std::u16string(folder.begin(), folder.end());
        const auto reading = readControlPanel(input);
        ASSERT_TRUE(reading.parameters.has_value()) << c.label;
        const auto result = SignalSynthesizer(seededSequence(5)).generateSignal(*reading.parameters);
        ASSERT_FALSE(result.refused()) << c.label << ": " << result.refusal;
        for (const auto& point : result.mappedSymbols) {
            const double r = std::hypot(point.i, point.q);
            EXPECT_TRUE(std::abs(r - c.radii[0]) < 1e-12 || std::abs(r - c.radii[1]) < 1e-12) << c.label << ": " << r;
        }
    }
}

}  // namespace
}  // namespace quorvel
