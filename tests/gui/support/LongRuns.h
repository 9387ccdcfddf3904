#pragma once
// Runs long enough for the desktop tests to act while they go on, and the check of what a run
// that was stopped leaves behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "support/TempDir.h"

namespace quorvel::testing_support {

// Many files of a few hundred thousand samples: the whole run would take seconds, well past the
// progress dialog's delay, and every test stops it after a few files.
inline constexpr std::int32_t kLongRunFiles = 100;
inline constexpr std::size_t kLongRunSamplesPerFile = 300000;  // at the default 10 per symbol
inline const std::u16string kLongRunFilesText = u"100";
inline const std::u16string kLongRunSymbolsText = u"30000";

// The progress dialog on screen now, or null.
inline QProgressDialog* visibleProgressDialog() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(window); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Checks that a stopped CSV run left only whole files in folder: the sample and metadata file of
// every number from 1 to some k, the last sample file with all its lines, nothing else. Returns k.
inline std::int32_t expectOnlyWholeFiles(const std::filesystem::path& folder,
                                         std::size_t samplesPerFile) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        found.insert(entry.path().filename().string());
    }
    std::int32_t kept = 0;
    while (found.count("modulated_signal_" + std::to_string(kept + 1) + ".csv") != 0) {
        ++kept;
    }
    std::set<std::string> whole;
    for (std::int32_t k = 1; k <= kept; ++k) {
        whole.insert("modulated_signal_" + std::to_string(k) + ".csv");
        whole.insert("modulated_signal_" + std::to_string(k) + ".sigmf-meta");
    }
    EXPECT_EQ(found, whole);
    if (kept > 0) {
        const std::string last =
            readBytes((folder / ("modulated_signal_" + std::to_string(kept) + ".csv")).string());
        EXPECT_EQ(static_cast<std::size_t>(std::count(last.begin(), last.end(), '\n')),
                  samplesPerFile + 1)
            << "the header and one line per sample";
    }
    return kept;
}

}  // namespace quorvel::testing_support
