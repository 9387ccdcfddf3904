// Every scheme round-trips between its names, its type number, the panel's lists and the metadata.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ControlPanelReader.h"
#include "app/ControlTable.h"
#include "app/OrderControls.h"
#include "export/SigmfRecordReader.h"
#include "request/RecordedSettings.h"
#include "support/CliRun.h"
#include "support/RecordingFiles.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::runCli;
using testing_support::TempDir;

// The settings a run records for a scheme and order asked for on the command line (folder aside).
SignalParameters recorded(const std::vector<std::string>& choice) {
    const TempDir dir;
    std::vector<std::string> args = choice;
    args.insert(args.end(), {"--seed", "1", "--symbols", "8", "--snr", "inf", "--quiet", "--save-path", dir.str()});
    const auto run = runCli(args);
    EXPECT_EQ(run.code, 0) << run.err;
    const auto reading = readRecordingRecordFile(dir.file("modulated_signal_1.sigmf-meta"));
    EXPECT_TRUE(reading) << reading.problem;
    SignalParameters p = reading ? reading.record->parameters : SignalParameters{};
    p.savePath.clear();  // each run has its own folder
    return p;
}

// The panel with the scheme at `position` and the order list of that scheme at `orderIndex`; a
// family without a list on the panel takes `order` from the waveform dialog.
SignalParameters panelReading(std::size_t position, int orderIndex, std::int32_t order) {
    ControlPanelInput input;
    input.waveformOrder = order;
    input.modulationIndex = static_cast<int>(position);
    input.symbolCount = u"8";
    input.snrDb = u"inf";
    for (int* index : {&input.pskIndex, &input.fskIndex, &input.qamIndex, &input.apskIndex}) {
        *index = orderIndex;
    }
    // Choosing an APSK order puts its radii into the field, as the panel and the waveform dialog do.
    const SchemeOrder* apsk = findOrder(radiiScheme(), order);
    const std::string radii = apsk != nullptr ? std::string(apsk->radiiText) : defaultApskRadiiText(orderIndex);
    input.apskRadii.assign(radii.begin(), radii.end());
    const auto reading = readControlPanel(input);
    EXPECT_TRUE(reading) << reading.message;
    SignalParameters p = reading ? *reading.parameters : SignalParameters{};
    p.savePath.clear();
    return p;
}

TEST(SchemeCatalog, EverySchemeAndOrderRoundTrips) {
    const auto schemes = schemeCatalog();
    const auto modulationList = listItems(ControlId::ModulationType);
    ASSERT_EQ(modulationList.size(), schemes.size());
    for (std::size_t position = 0; position < schemes.size(); ++position) {
        const Scheme& scheme = schemes[position];
        const std::string number = std::to_string(static_cast<int>(scheme.type));
        // The panel's list holds the catalog's rows in order, each item its type number.
        EXPECT_EQ(modulationList[position].value, static_cast<int>(scheme.type)) << scheme.name;
        EXPECT_EQ(schemeAtListIndex(static_cast<int>(position)), &scheme);
        EXPECT_EQ(findSchemeNamed(scheme.name), &scheme);
        EXPECT_EQ(modulationName(scheme.type), scheme.name);
        std::vector<std::int32_t> orders;
        for (const SchemeOrder& order : scheme.orders) {
            orders.push_back(order.value);
        }
        if (orders.empty()) {
            orders.push_back(0);
        }
        for (std::size_t k = 0; k < orders.size(); ++k) {
            std::vector<std::string> byName = {"--modulation", std::string(scheme.name)};
            std::vector<std::string> byNumber = {"--modulation", number};
            if (scheme.hasOrders()) {
                for (auto* args : {&byName, &byNumber}) {
                    args->insert(args->end(), {"--order", std::to_string(orders[k])});
                }
            }
            const SignalParameters fromName = recorded(byName);
            EXPECT_EQ(fromName.modulationType, scheme.type);
            EXPECT_EQ(chosenOrder(fromName), orders[k]) << scheme.name;
            EXPECT_EQ(alphabetSize(fromName) > 0, true) << scheme.name;
            EXPECT_EQ(recordedSettingsProblem(fromName), std::nullopt) << scheme.name;
            EXPECT_EQ(recorded(byNumber), fromName) << scheme.name;
            // The panel asks for the same run; only the folder differs.
            EXPECT_EQ(panelReading(position, static_cast<int>(k), orders[k]), fromName) << scheme.name << " " << orders[k];
        }
    }
}

TEST(SchemeCatalog, TheDefaultRunTakesTheDefaultSchemeAndOrder) {
    const SignalParameters defaults;
    const Scheme& first = schemeCatalog().front();
    EXPECT_EQ(defaults.modulationType, first.type);
    EXPECT_EQ(chosenOrder(defaults), first.orders[first.defaultOrder].value);
    EXPECT_EQ(readControlPanel(ControlPanelInput{}).parameters, defaults);
    EXPECT_EQ(recorded({}).pskOrder, defaults.pskOrder);
    EXPECT_EQ(recorded({}).symbolRate, defaults.symbolRate);
}

// The later families' order and parameters appear in their own files only, and read back as run.
TEST(SchemeCatalog, LaterFamiliesRecordTheirOrderAndParametersInTheirOwnFilesOnly) {
    struct Case {
        std::vector<std::string> choice;
        bool order;  // "quorvel:order" recorded
        bool tone;   // "quorvel:tone" recorded
    };
    const Case cases[] = {{{"--modulation", "psk", "--order", "32"}, false, false},
                          {{"--modulation", "qam", "--order", "512"}, false, false},
                          {{"--modulation", "gmsk"}, false, false},
                          {{"--modulation", "ask", "--order", "16"}, true, false},
                          {{"--modulation", "tone", "--tone", "-1234.5"}, false, true}};
    for (const Case& c : cases) {
        const TempDir dir;
        std::vector<std::string> args = c.choice;
        args.insert(args.end(), {"--seed", "1", "--symbols", "8", "--quiet", "--save-path", dir.str()});
        ASSERT_EQ(runCli(args).code, 0) << c.choice[1];
        const std::string meta = testing_support::readBytes(dir.file("modulated_signal_1.sigmf-meta"));
        EXPECT_EQ(meta.find("\"quorvel:order\"") != std::string::npos, c.order) << c.choice[1];
        EXPECT_EQ(meta.find("\"quorvel:tone\"") != std::string::npos, c.tone) << c.choice[1];
    }
    const SignalParameters tone = recorded({"--modulation", "tone", "--tone", "-1234.5"});
    EXPECT_EQ(tone.values, (WaveformValues{{"tone", -1234.5}}));
    EXPECT_EQ(recorded({"--modulation", "pam", "--order", "32"}).order, 32);
    // A tone recorded on another scheme is refused rather than silently dropped.
    SignalParameters psk = recorded({});
    psk.values["tone"] = 100.0;
    EXPECT_NE(recordedSettingsProblem(psk), std::nullopt);
}

}  // namespace
}  // namespace quorvel
