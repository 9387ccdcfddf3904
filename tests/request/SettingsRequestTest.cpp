// Both front ends' texts read alike: the panel's UTF-16 and the command line's bytes.

#include "request/SettingsRequest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "request/Messages.h"

namespace quorvel {
namespace {

TEST(SettingsRequest, PanelAndCommandLineTextsReadAlike) {
    // Bytes above 0x7F are one code unit each, so they end a number in both forms.
    const char* texts[] = {"1000", " 2.5e3", "0x1p4", "inf", "-inf", "nan", "12abc", "", "1e999", "\xc2\xb5", "7 "};
    for (const char* bytes : texts) {
        const std::string narrow = bytes;
        const std::u16string wide(narrow.begin(), narrow.end());
        const FieldText fromCli(narrow);
        const FieldText fromPanel(wide);
        EXPECT_EQ(fromCli.integer(), fromPanel.integer()) << narrow;
        const auto a = fromCli.real();
        const auto b = fromPanel.real();
        ASSERT_EQ(a.has_value(), b.has_value()) << narrow;
        if (a && !std::isnan(*a)) {
            EXPECT_EQ(*a, *b) << narrow;
        }
    }
}

TEST(SettingsRequest, TheFirstMalformedSettingNamesItself) {
    const auto read = [](auto change) {
        SettingsRequest r{.order = 4, .symbolRate = "1000", .samplingRate = "10000", .symbolCount = "10",
                          .snr = "30", .mixingFrequency = "0", .timingError = "0", .frequencyOffset = "0",
                          .fileCount = "1"};
        std::string folder = ".";
        change(r, folder);
        return readSettings(r, folder).message;
    };
    EXPECT_EQ(read([](SettingsRequest&, std::string&) {}), "");
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.snr = "-inf"; }), message::InvalidSnr);
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.snr = "inf"; }), "");
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.order = 7; }), "Invalid PSK Order.");
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.scheme = ModulationType::Msk, r.order.reset(); }), "");
    EXPECT_EQ(read([](SettingsRequest&, std::string& folder) { folder.clear(); }), message::InvalidSavePath);
    // The panel's order: the sampling rate is read before the order, the file count after it.
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.order.reset(), r.samplingRate = "x"; }),
              message::InvalidSamplingRate);
    EXPECT_EQ(read([](SettingsRequest& r, std::string&) { r.order.reset(), r.fileCount = "x"; }),
              "Invalid PSK Order.");
    EXPECT_EQ(read([](SettingsRequest& r, std::string& folder) { r.format.reset(), folder.clear(); }),
              message::InvalidSavePath);
}

}  // namespace
}  // namespace quorvel
