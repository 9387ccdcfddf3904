// Writes the module's type stub to standard output: the template given, each line holding
// @SETTINGS@ replaced by one parameter line per setting keyword, indented alike.
// Usage: quorvel-python-stub quorvel.pyi.in

#include <fstream>
#include <iostream>
#include <string>

#include "python/SettingKeywords.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quorvel-python-stub TEMPLATE\n";
        return 2;
    }
    std::ifstream stubTemplate(argv[1]);
    if (!stubTemplate) {
        std::cerr << "quorvel-python-stub: cannot read " << argv[1] << '\n';
        return 1;
    }
    constexpr std::string_view kMarker = "@SETTINGS@";
    std::string line;
    while (std::getline(stubTemplate, line)) {
        const auto at = line.find(kMarker);
        if (at == std::string::npos) {
            std::cout << line << '\n';
            continue;
        }
        const std::string indent = line.substr(0, at);
        for (const quorvel::SettingKeyword& keyword : quorvel::settingKeywords()) {
            std::cout << indent << keyword.name << (keyword.flag ? ": bool = False,\n" : ": Setting = None,\n");
        }
    }
    std::cout << std::flush;
    return std::cout ? 0 : 1;
}
