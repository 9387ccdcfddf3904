#include "cli/HelpFormat.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "cli/CommandLine.h"

namespace quorvel {
namespace {

constexpr std::size_t kNarrowest = 40;
constexpr std::size_t kDefaultColumns = 80;
constexpr std::size_t kMaxTypoEdits = 2;

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "  quorvel-cli ...", "  mkdir ...": an example's command, indented by two blanks.
bool isCommandLine(std::string_view line) {
    return line.size() > 2 && line.substr(0, 2) == "  " && line[2] != ' ';
}

// CLI11's help with each option's description wrapped beside its name column, and the usage
// given as lines.
class WrappingFormatter : public CLI::Formatter {
  public:
    WrappingFormatter(std::size_t width, std::string usage)
        : width_(width), usage_(std::move(usage)) {}

    std::string make_option(const CLI::Option* option, bool positional) const override {
        const std::string name = make_option_name(option, positional) + make_option_opts(option);
        const std::string description = make_option_desc(option);
        const std::size_t column = get_column_width();
        std::string head = "  " + name;
        const std::size_t room = width_ > column + 10 ? width_ - column : 10;
        std::string body = wrapText(description, room);
        for (std::size_t at = body.find('\n'); at != std::string::npos;
             at = body.find('\n', at + 1)) {
            body.insert(at + 1, column, ' ');
        }
        if (head.size() >= column) {
            return head + "\n" + std::string(column, ' ') + body + "\n";
        }
        return head + std::string(column - head.size(), ' ') + body + "\n";
    }

    std::string make_usage(const CLI::App* /*app*/, std::string /*name*/) const override {
        std::string out;
        std::istringstream lines(usage_);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            out += wrapText((first ? "Usage: " : "       ") + line, width_, 11) + "\n";
            first = false;
        }
        return out;
    }

    std::string make_description(const CLI::App* app) const override {
        return wrapText(app->get_description(), width_) + "\n";
    }

    // The examples' command lines stay whole, so that they can be pasted; their explanations wrap.
    std::string make_footer(const CLI::App* app) const override {
        const std::string footer = app->get_footer();
        if (footer.empty()) {
            return {};
        }
        std::string out = "\n";
        std::istringstream lines(footer);
        for (std::string line; std::getline(lines, line);) {
            out += (isCommandLine(line) ? line : wrapText(line, width_, 6)) + "\n";
        }
        return out;
    }

  private:
    std::size_t width_;
    std::string usage_;
};

std::vector<std::string> optionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
    return names;
}

}  // namespace

std::size_t terminalColumns() {
    if (const char* columns = std::getenv("COLUMNS")) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(columns, &end, 10);
        if (end != columns && *end == '\0' && value >= kNarrowest && value < 10000) {
            return value;
        }
    }
    struct winsize size {};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= kNarrowest) {
        return size.ws_col;
    }
    return kDefaultColumns;
}

std::string wrapText(std::string_view text, std::size_t width, std::size_t indent) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        bool firstPiece = true;
        while (true) {
            const std::size_t room =
                firstPiece ? width : (width > indent + 10 ? width - indent : 10);
            if (line.size() <= room) {
                out += std::string(line);
                break;
            }
            std::size_t cut = line.rfind(' ', room);
            if (cut == std::string_view::npos || cut == 0) {
                cut = line.find(' ', room);
                if (cut == std::string_view::npos) {
                    out += std::string(line);
                    break;
                }
            }
            out += std::string(line.substr(0, cut)) + "\n" + std::string(indent, ' ');
            line = line.substr(cut + 1);
            firstPiece = false;
        }
        if (end == text.size()) {
            break;
        }
        out += '\n';
        start = end + 1;
    }
    return out;
}

std::optional<std::string> closestName(std::string_view given,
                                       const std::vector<std::string>& names) {
    std::optional<std::string> best;
    std::size_t bestDistance = kMaxTypoEdits + 1;
    for (const std::string& name : names) {
        const std::size_t d = editDistance(given, name);
        if (d < bestDistance && 3 * d < given.size()) {
            best = name;
            bestDistance = d;
        }
    }
    return best;
}

void formatHelp(CLI::App& app, std::size_t width, std::string usage) {
    auto formatter = std::make_shared<WrappingFormatter>(width, std::move(usage));
    formatter->column_width(std::min<std::size_t>(34, width / 3));
    app.formatter(formatter);
}

std::optional<int> parseArguments(CLI::App& app, int argc, const char* const* argv,
                                  const CommandLineStreams& streams) {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::ParseError& e) {
        const int code =
            app.exit(e, streams.out, streams.err) == 0 ? ExitSuccess : ExitInvalidInput;
        const std::vector<std::string> names = optionNames(app);
        for (int k = 1; k < argc; ++k) {
            std::string_view given(argv[k]);
            if (given.substr(0, 2) != "--") {
                continue;
            }
            given = given.substr(0, given.find('='));
            if (std::find(names.begin(), names.end(), given) != names.end()) {
                continue;
            }
            if (const auto near = closestName(given, names)) {
                streams.err << "did you mean " << *near << "?\n";
            }
        }
        return code;
    }
}

}  // namespace quorvel
