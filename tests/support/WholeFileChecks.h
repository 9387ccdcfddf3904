#pragma once
// What a folder must look like after any run, however it ended, read back independently of the
// writer: every sample file a metadata file lists is there, a regular file, and as long as the
// sample count beside it says; every final-named sample file is listed by some metadata. Files
// of another owner that a test planted, which no metadata can list, are named as exempt.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::testing_support {

// Bytes or lines a whole sample file of count samples has; false when the file is not whole.
inline bool holdsSamples(const std::filesystem::path& file, std::uint64_t count) {
    namespace fs = std::filesystem;
    if (!fs::is_regular_file(fs::symlink_status(file))) {
        return false;
    }
    if (file.extension() == ".sigmf-data") {
        return fs::file_size(file) == count * 8;
    }
    // CSV: the header line and one line per sample, each ended by CRLF.
    const std::string text = readBytes(file.string());
    return !text.empty() && text.ends_with("\r\n") &&
           static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) == count + 1;
}

// Every way folder breaks the rule above, as text; none when it holds.
inline std::vector<std::string> wholeFileProblems(const std::filesystem::path& folder,
                                                  const std::set<std::string>& exempt = {}) {
    namespace fs = std::filesystem;
    static const std::regex sampleName("modulated_signal_([0-9]+)\\.(csv|sigmf-data)");
    std::vector<std::string> problems;
    std::set<std::string> listed;
    for (const auto& name : fileNamesIn(folder)) {
        if (!name.ends_with(".sigmf-meta") || exempt.contains(name)) {
            continue;
        }
        const auto meta = nlohmann::json::parse(readBytes((folder / name).string()), nullptr, false);
        if (meta.is_discarded() || !meta.contains("annotations") || !meta.contains("global")) {
            problems.push_back(name + " is not whole metadata");
            continue;
        }
        const auto count = meta["annotations"][0]["core:sample_count"].get<std::uint64_t>();
        for (const auto& file : meta["global"]["quorvel:sample_files"]) {
            const std::string sample = file.get<std::string>();
            listed.insert(sample);
            if (!holdsSamples(folder / sample, count)) {
                problems.push_back(name + " lists " + sample + ", which does not hold its " +
                                   std::to_string(count) + " samples");
            }
        }
    }
    for (const auto& name : fileNamesIn(folder)) {
        if (std::regex_match(name, sampleName) && fs::is_regular_file(fs::symlink_status(folder / name)) &&
            !exempt.contains(name) && !listed.contains(name)) {
            problems.push_back(name + " is listed by no metadata");
        }
    }
    return problems;
}

// The hidden temporary files a run leaves only when it is killed.
inline std::size_t temporariesIn(const std::filesystem::path& folder) {
    const auto names = fileNamesIn(folder);
    return static_cast<std::size_t>(std::count_if(names.begin(), names.end(), [](const std::string& name) {
        return name.starts_with(".") && name.find(".quorvel-partial-") != std::string::npos;
    }));
}

}  // namespace quorvel::testing_support
