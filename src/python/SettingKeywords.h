#pragma once
// The settings of the Python module as keywords: every option of the command line that carries a
// setting of the run, named with _ for -, read by the command line's own option table, so that
// each option it gains is a keyword with the same default, rule and message.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionRun.h"

namespace quorvel {

struct SettingKeyword {
    std::string name;         // symbol_rate
    std::string option;       // --symbol-rate
    bool flag = false;        // given or not, without a value
    std::string valueName;    // HZ
    std::string help;
    std::string defaultText;  // empty when the option has none
};

// Every keyword, in the order of the command line's help.
const std::vector<SettingKeyword>& settingKeywords();

// The keyword of that name; nothing when there is none.
const SettingKeyword* findSettingKeyword(std::string_view name);

// message with every option of the command line that is a keyword named as that keyword
// ("--order: ..." becomes "order: ..."), as a Python caller knows them.
std::string keywordMessage(std::string_view message);

// "  symbol_rate=HZ  Symbol rate [Hz] (default 1000)", one line per keyword.
std::string settingKeywordHelp();

// One keyword as given: its text, or nothing for a flag that is set.
struct KeywordSetting {
    std::string name;
    std::optional<std::string> text;
};

// A keyword that names no setting.
struct UnknownKeyword {
    std::string name;
};

// A value the command line would refuse, with its message (exit 2 there).
struct MalformedSetting {
    std::string message;
};

// The run the keywords ask for, exactly as quorvel-cli would make it of the same options. Throws
// UnknownKeyword or MalformedSetting.
OptionRun runFromKeywords(const std::vector<KeywordSetting>& settings);

}  // namespace quorvel
