#include "app/ControlPanelReader.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include "modulation/SchemeCatalog.h"
#include "request/Messages.h"

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {
namespace {

using testing_support::kInf;

SignalParameters readOrFail(const ControlPanelInput& input) {
    const auto reading = readControlPanel(input);
    EXPECT_TRUE(reading) << reading.message;
    EXPECT_EQ(reading.message, "");
    return reading.parameters.value_or(SignalParameters{});
}

std::string messageOf(const ControlPanelInput& input) {
    const auto reading = readControlPanel(input);
    EXPECT_FALSE(reading.parameters.has_value());
    return reading.message;
}

TEST(ControlPanelReader, DefaultsGiveQpskWithTheInitialValues) {
    const SignalParameters p = readOrFail(ControlPanelInput{});
    EXPECT_EQ(p.modulationType, ModulationType::Psk);
    EXPECT_EQ(p.pskOrder, 4);
    EXPECT_EQ(p.fskOrder, 0);
    EXPECT_EQ(p.qamOrder, 0);
    EXPECT_EQ(p.apskOrder, 0);
    EXPECT_EQ(p.apskRadiiText, "");
    EXPECT_EQ(p.symbolCount, 10000);
    EXPECT_EQ(p.fileCount, 1);
    EXPECT_EQ(p.savePath, ".");
    EXPECT_EQ(p.dataSource, DataSource::CurrentRandom);
    EXPECT_EQ(p.symbolRate, 1000.0);
    EXPECT_EQ(p.samplingRate, 10000.0);
    EXPECT_EQ(p.snrDb, 30.0);
    EXPECT_EQ(p.mixingFrequency, 0.0);
    EXPECT_EQ(p.timingError, 0.0);
    EXPECT_EQ(p.frequencyOffset, 0.0);
}

struct ControlPanelReaderSchemeCase {
    int modulationIndex;
    int pskIndex, fskIndex, qamIndex, apskIndex;
    ModulationType type;
    std::int32_t psk, fsk, qam, apsk;
    const char* radii;
};

// Only the chosen scheme's list is read; the radii field (showing "r1 r2") only for APSK.
const ControlPanelReaderSchemeCase kSchemeCases[] = {
    {0, 1, 0, 0, 0, ModulationType::Psk, 4, 0, 0, 0, ""},
    {0, 0, 2, 5, 2, ModulationType::Psk, 2, 0, 0, 0, ""},
    {0, 3, 0, 0, 0, ModulationType::Psk, 16, 0, 0, 0, ""},
    {1, 1, 1, 1, 1, ModulationType::Oqpsk, 0, 0, 0, 0, ""},
    {2, 1, 1, 1, 1, ModulationType::Pi4Dqpsk, 0, 0, 0, 0, ""},
    {3, 1, 0, 1, 1, ModulationType::Fsk, 0, 2, 0, 0, ""},
    {3, 1, 2, 1, 1, ModulationType::Fsk, 0, 8, 0, 0, ""},
    {4, 1, 1, 1, 1, ModulationType::Msk, 0, 0, 0, 0, ""},
    {5, 1, 1, 1, 1, ModulationType::Gmsk, 0, 0, 0, 0, ""},
    {6, 1, 1, 0, 1, ModulationType::Qam, 0, 0, 16, 0, ""},
    {6, 1, 1, 5, 1, ModulationType::Qam, 0, 0, 2048, 0, ""},
    {7, 1, 1, 1, 0, ModulationType::Apsk, 0, 0, 0, 16, "r1 r2"},
    {7, 1, 1, 1, 2, ModulationType::Apsk, 0, 0, 0, 64, "r1 r2"},
};

TEST(ControlPanelReader, OrdersAndRadiiFollowTheChosenScheme) {
    for (const auto& c : kSchemeCases) {
        ControlPanelInput input;
        input.modulationIndex = c.modulationIndex;
        input.pskIndex = c.pskIndex;
        input.fskIndex = c.fskIndex;
        input.qamIndex = c.qamIndex;
        input.apskIndex = c.apskIndex;
        input.apskRadii = u"r1 r2";
        const SignalParameters p = readOrFail(input);
        SCOPED_TRACE(c.modulationIndex);
        EXPECT_EQ(p.modulationType, c.type);
        EXPECT_EQ(p.pskOrder, c.psk);
        EXPECT_EQ(p.fskOrder, c.fsk);
        EXPECT_EQ(p.qamOrder, c.qam);
        EXPECT_EQ(p.apskOrder, c.apsk);
        EXPECT_EQ(p.apskRadiiText, c.radii);
    }
}

TEST(ControlPanelReader, ApskRadiiArePassedAsTypedWithoutAnyTest) {
    ControlPanelInput input;
    input.modulationIndex = 7;
    input.apskRadii = u"  not, numbers \u00e9\u4e2d";
    EXPECT_EQ(readOrFail(input).apskRadiiText, "  not, numbers \xe9\x2d");
    input.apskRadii = u"";
    EXPECT_EQ(readOrFail(input).apskRadiiText, "");
}

TEST(ControlPanelReader, DataSourceIsTheListPosition) {
    const DataSource expected[] = {DataSource::CurrentRandom, DataSource::Prn15Lfsr,
                                   DataSource::Prn7Lfsr};
    for (int index = 0; index < 3; ++index) {
        ControlPanelInput input;
        input.dataSourceIndex = index;
        EXPECT_EQ(readOrFail(input).dataSource, expected[index]);
    }
}

TEST(ControlPanelReader, OutputFormatIsTheListPosition) {
    const OutputFormat expected[] = {OutputFormat::Csv, OutputFormat::Cf32, OutputFormat::Both};
    for (int index = 0; index < 3; ++index) {
        ControlPanelInput input;
        input.outputFormatIndex = index;
        EXPECT_EQ(readOrFail(input).outputFormat, expected[index]);
    }
    EXPECT_EQ(readOrFail(ControlPanelInput{}).outputFormat, OutputFormat::Csv);
}

// Values the pipeline rejects are still well formed here.
TEST(ControlPanelReader, RangesAreLeftToThePipeline) {
    ControlPanelInput input;
    input.timingError = u"1.5";
    input.samplingRate = u"-10000";
    input.symbolCount = u"0";
    input.fileCount = u"-3";
    input.symbolRate = u" 1000";
    input.snrDb = u"-20";
    const SignalParameters p = readOrFail(input);
    EXPECT_EQ(p.timingError, 1.5);
    EXPECT_EQ(p.samplingRate, -10000.0);
    EXPECT_EQ(p.symbolCount, 0);
    EXPECT_EQ(p.fileCount, -3);
    EXPECT_EQ(p.symbolRate, 1000.0);
    EXPECT_EQ(p.snrDb, -20.0);
}

using Spoil = std::function<void(ControlPanelInput&)>;

struct FieldStep {
    const char* message;
    Spoil spoil;  // makes this field invalid
};

// The fields in reading order, each with a way to make it invalid.
const std::vector<FieldStep>& fieldSteps() {
    static const std::vector<FieldStep> steps = {
        {"Invalid Modulation Type.",
         [](ControlPanelInput& in) { in.modulationIndex = static_cast<int>(schemeCatalog().size()); }},
        {"Invalid Input Data Source.", [](ControlPanelInput& in) { in.dataSourceIndex = -1; }},
        {"Invalid Symbol Rate.", [](ControlPanelInput& in) { in.symbolRate = u"1000 "; }},
        {"Invalid Sampling Rate.", [](ControlPanelInput& in) { in.samplingRate = u"1e999"; }},
        {"Invalid PSK Order.", [](ControlPanelInput& in) { in.pskIndex = 4; }},
        {"Invalid Number of Symbols.", [](ControlPanelInput& in) { in.symbolCount = u"1e4"; }},
        {"Invalid SNR.", [](ControlPanelInput& in) { in.snrDb = u""; }},
        {"Invalid Mixing Freq.", [](ControlPanelInput& in) { in.mixingFrequency = u"x"; }},
        {"Invalid Timing Error.", [](ControlPanelInput& in) { in.timingError = u"0,5"; }},
        {"Invalid Freq Offset.", [](ControlPanelInput& in) { in.frequencyOffset = u"--1"; }},
        {"Invalid File Count.", [](ControlPanelInput& in) { in.fileCount = u"2147483648"; }},
        {"Invalid Output Format.", [](ControlPanelInput& in) { in.outputFormatIndex = 3; }},
    };
    return steps;
}

// With this field and every later one invalid, this field is the one reported: an empty SNR
// is named even when mixing, timing, offset and file count are all invalid too.
TEST(ControlPanelReader, TheFirstInvalidFieldInReadingOrderIsNamed) {
    const auto& steps = fieldSteps();
    for (std::size_t first = 0; first < steps.size(); ++first) {
        ControlPanelInput input;
        for (std::size_t later = first; later < steps.size(); ++later) {
            steps[later].spoil(input);
        }
        EXPECT_EQ(messageOf(input), steps[first].message);
    }
}

TEST(ControlPanelReader, ListSelectionsOutsideTheirListAreNamed) {
    const std::pair<std::function<void(ControlPanelInput&)>, const char*> cases[] = {
        {[](ControlPanelInput& in) { in.modulationIndex = -1; }, "Invalid Modulation Type."},
        {[](ControlPanelInput& in) { in.dataSourceIndex = 3; }, "Invalid Input Data Source."},
        {[](ControlPanelInput& in) { in.pskIndex = -1; }, "Invalid PSK Order."},
        {[](ControlPanelInput& in) { in.outputFormatIndex = -1; }, "Invalid Output Format."},
        {[](ControlPanelInput& in) {
             in.modulationIndex = 3;
             in.fskIndex = 3;
         },
         "Invalid FSK Order."},
        {[](ControlPanelInput& in) {
             in.modulationIndex = 6;
             in.qamIndex = 6;
         },
         "Invalid QAM Order."},
        {[](ControlPanelInput& in) {
             in.modulationIndex = 7;
             in.apskIndex = -1;
         },
         "Invalid APSK Order."},
    };
    for (const auto& [spoil, message] : cases) {
        ControlPanelInput input;
        spoil(input);
        EXPECT_EQ(messageOf(input), message);
    }
    // The lists of the schemes not chosen are not read at all.
    ControlPanelInput input;
    input.fskIndex = input.qamIndex = input.apskIndex = 99;
    EXPECT_EQ(readOrFail(input).pskOrder, 4);
}

struct RealField {
    std::u16string ControlPanelInput::*field;
    const char* message;
};

const RealField kRealFields[] = {
    {&ControlPanelInput::symbolRate, "Invalid Symbol Rate."},
    {&ControlPanelInput::samplingRate, "Invalid Sampling Rate."},
    {&ControlPanelInput::snrDb, "Invalid SNR."},
    {&ControlPanelInput::mixingFrequency, "Invalid Mixing Freq."},
    {&ControlPanelInput::timingError, "Invalid Timing Error."},
    {&ControlPanelInput::frequencyOffset, "Invalid Freq Offset."},
};

TEST(ControlPanelReader, NonFiniteValuesAreNamedExceptAnInfiniteSnr) {
    for (const auto& [field, message] : kRealFields) {
        for (const char16_t* text : {u"nan", u"-nan", u"inf", u"-inf", u"Infinity"}) {
            ControlPanelInput input;
            input.*field = text;
            const bool infiniteSnr =
                field == &ControlPanelInput::snrDb && text[0] != u'-' && text[0] != u'n';
            if (infiniteSnr) {
                EXPECT_EQ(readOrFail(input).snrDb, kInf);
            } else {
                EXPECT_EQ(messageOf(input), message);
            }
        }
    }
}

TEST(ControlPanelReader, OnlyTheFirst255CodeUnitsOfAFieldAreRead) {
    // Beyond the limit each field turns invalid; within it, it holds a valid value.
    const std::u16string junk(45, u'x');
    ControlPanelInput input;
    input.symbolRate = u"1" + std::u16string(254, u'0') + junk;
    input.symbolCount = std::u16string(250, u'0') + u"12345" + junk;
    input.snrDb = std::u16string(252, u' ') + u"-20" + junk;
    input.savePath = std::u16string(255, u'p') + junk;
    input.modulationIndex = 7;
    input.apskRadii = std::u16string(255, u'1') + junk;
    const SignalParameters p = readOrFail(input);
    EXPECT_EQ(p.symbolRate, 1e254);
    EXPECT_EQ(p.symbolCount, 12345);
    EXPECT_EQ(p.snrDb, -20.0);
    EXPECT_EQ(p.savePath, std::string(255, 'p'));
    EXPECT_EQ(p.apskRadiiText, std::string(255, '1'));
}

TEST(ControlPanelReader, SavePathKeepsEachUnitsLowByteAsLatin1InUtf8) {
    ControlPanelInput input;
    input.savePath = u"/tmp/\u00c4rger/\u4e2d\u6587";
    EXPECT_EQ(readOrFail(input).savePath, "/tmp/\xc3\x84rger/-\xc2\x87");
    // An empty field names no folder: the files would land in the root of the file system.
    input.savePath.clear();
    EXPECT_EQ(readControlPanel(input).message, message::InvalidSavePath);
}

// The waveform dialog's order: a later family's own, or an order off a scheme's panel list,
// which then stands in for the list's; an order the list holds leaves the list in charge.
TEST(ControlPanelReader, TheWaveformDialogsOrderAndParametersReachTheRun) {
    struct Case {
        int modulationIndex;
        std::optional<std::int32_t> dialogOrder;
        ModulationType type;
        std::int32_t order;  // what the run takes
    };
    const Case cases[] = {
        {9, std::nullopt, ModulationType::Ask, 4},  {9, 32, ModulationType::Ask, 32},
        {10, 64, ModulationType::Pam, 64},          {8, std::nullopt, ModulationType::Ook, 2},
        {0, 64, ModulationType::Psk, 64},           {0, 16, ModulationType::Psk, 4},
        {6, 512, ModulationType::Qam, 512},         {6, std::nullopt, ModulationType::Qam, 16},
    };
    for (const Case& c : cases) {
        ControlPanelInput input;
        input.modulationIndex = c.modulationIndex;
        input.waveformOrder = c.dialogOrder;
        const SignalParameters p = readOrFail(input);
        EXPECT_EQ(p.modulationType, c.type) << c.modulationIndex;
        EXPECT_EQ(chosenOrder(p), c.order) << c.modulationIndex;
    }
    ControlPanelInput tone;
    tone.modulationIndex = 11;
    EXPECT_EQ(readOrFail(tone).values, (WaveformValues{{"tone", 1000.0}}));
    tone.waveformValues["tone"] = u"-2.5e3";
    EXPECT_EQ(readOrFail(tone).values, (WaveformValues{{"tone", -2500.0}}));
    tone.waveformValues["tone"] = u"2 kHz";
    EXPECT_EQ(readControlPanel(tone).message, "Invalid Tone Frequency.");
    // An order the family does not offer is its list's message.
    ControlPanelInput ask;
    ask.modulationIndex = 9;
    ask.waveformOrder = 2;
    EXPECT_EQ(readControlPanel(ask).message, "Invalid ASK Order.");
}

}  // namespace
}  // namespace quorvel
