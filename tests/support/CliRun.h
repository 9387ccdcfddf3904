#pragma once
// Runs the command line in-process with the given arguments and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace quorvel::testing_support {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

inline CliRun runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "quorvel-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int code = runCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    return {code, out.str(), err.str()};
}

}  // namespace quorvel::testing_support
