#include "python/SettingKeywords.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>

namespace quorvel {
namespace {

// The command line's own controls: where its report and samples go, and what it prints instead
// of running. The module hands back the signal itself and reports by exceptions.
constexpr std::array<std::string_view, 11> kCommandLineControls = {
    "help", "version", "stdout", "metadata", "quiet", "progress", "from", "endless", "zmq", "rate-limit",
    "trust-payload-path"};

bool isControl(const std::string& longName) {
    return std::find(kCommandLineControls.begin(), kCommandLineControls.end(), longName) !=
           kCommandLineControls.end();
}

std::vector<SettingKeyword> readOptionTable() {
    CLI::App app;
    Options o;
    addOptions(app, o);
    std::vector<SettingKeyword> keywords;
    for (const CLI::Option* option : app.get_options()) {
        const auto& longNames = option->get_lnames();
        if (longNames.empty() || isControl(longNames.front())) {
            continue;
        }
        SettingKeyword keyword{.name = longNames.front(),
                               .option = "--" + longNames.front(),
                               .flag = option->get_expected_min() == 0,
                               .valueName = option->get_type_name(),
                               .help = option->get_description(),
                               .defaultText = option->get_default_str()};
        std::replace(keyword.name.begin(), keyword.name.end(), '-', '_');
        // The command line always writes files, the module only when given a folder.
        if (keyword.name == "save_path") {
            keyword.defaultText = "none: no file is written";
        }
        keywords.push_back(std::move(keyword));
    }
    return keywords;
}

}  // namespace

const std::vector<SettingKeyword>& settingKeywords() {
    static const std::vector<SettingKeyword> keywords = readOptionTable();
    return keywords;
}

const SettingKeyword* findSettingKeyword(std::string_view name) {
    for (const SettingKeyword& keyword : settingKeywords()) {
        if (keyword.name == name) {
            return &keyword;
        }
    }
    return nullptr;
}

std::string keywordMessage(std::string_view message) {
    std::string out;
    std::size_t k = 0;
    while (k < message.size()) {
        const std::size_t dashes = message.find("--", k);
        if (dashes == std::string_view::npos) {
            out += message.substr(k);
            break;
        }
        out += message.substr(k, dashes - k);
        std::size_t end = dashes + 2;
        while (end < message.size() &&
               (std::islower(static_cast<unsigned char>(message[end])) ||
                std::isdigit(static_cast<unsigned char>(message[end])) || message[end] == '-')) {
            ++end;
        }
        std::string name(message.substr(dashes + 2, end - dashes - 2));
        std::replace(name.begin(), name.end(), '-', '_');
        out += findSettingKeyword(name) != nullptr
                   ? name
                   : std::string(message.substr(dashes, end - dashes));
        k = end;
    }
    return out;
}

std::string settingKeywordHelp() {
    std::size_t width = 0;
    const auto heading = [](const SettingKeyword& keyword) {
        return keyword.flag ? keyword.name + "=True" : keyword.name + "=" + keyword.valueName;
    };
    for (const SettingKeyword& keyword : settingKeywords()) {
        width = std::max(width, heading(keyword).size());
    }
    std::string text;
    for (const SettingKeyword& keyword : settingKeywords()) {
        const std::string head = heading(keyword);
        text += "  " + head + std::string(width + 2 - head.size(), ' ') + keyword.help;
        if (!keyword.defaultText.empty()) {
            text += " (default " + keyword.defaultText + ")";
        }
        text += '\n';
    }
    return text;
}

OptionRun runFromKeywords(const std::vector<KeywordSetting>& settings) {
    CLI::App app;
    Options o;
    addOptions(app, o);
    std::vector<std::string> arguments;
    for (const KeywordSetting& setting : settings) {
        const SettingKeyword* keyword = findSettingKeyword(setting.name);
        if (keyword == nullptr) {
            throw UnknownKeyword{setting.name};
        }
        // --name=value, so that a value starting with - is never read as an option.
        arguments.push_back(setting.text ? keyword->option + "=" + *setting.text : keyword->option);
    }
    // CLI11 takes the arguments last first.
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
        checkOptionUse(app, o);
        return prepareRun(o);
    } catch (const CLI::ParseError& e) {
        throw MalformedSetting{keywordMessage(e.what())};
    } catch (const OptionError& e) {
        throw MalformedSetting{keywordMessage(e.message)};
    }
}

}  // namespace quorvel
