#include "common/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "common/PrintableText.h"

namespace quorvel {
namespace {

// Enough of a path to recognise it, never a screenful.
constexpr std::size_t kShownPathBytes = 1024;

InputFile refusal(const std::string& path, const std::string& reason) {
    return {std::nullopt, printableText(path, kShownPathBytes) + reason};
}

InputFile systemRefusal(const std::string& path, int error) {
    return refusal(path, ": " + std::generic_category().message(error));
}

}  // namespace

namespace {

// An open regular file, closed when it goes.
struct OpenInput {
    int descriptor = -1;
    std::uint64_t size = 0;
    std::string problem;

    OpenInput() = default;
    OpenInput(const OpenInput&) = delete;
    OpenInput& operator=(const OpenInput&) = delete;
    ~OpenInput() {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
};

void openInput(const std::string& path, OpenInput& input) {
    if (path.find('\0') != std::string::npos) {
        input.problem = systemRefusal(path, EINVAL).problem;
        return;
    }
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    input.descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (input.descriptor < 0) {
        input.problem = systemRefusal(path, errno).problem;
        return;
    }
    struct stat status {};
    if (::fstat(input.descriptor, &status) != 0) {
        input.problem = systemRefusal(path, errno).problem;
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        input.problem = refusal(path, " is not a regular file").problem;
        return;
    }
    input.size = static_cast<std::uint64_t>(std::max<off_t>(status.st_size, 0));
}

// Reads up to bytes from offset into text; the errno of a failure, or 0.
int readAt(int descriptor, std::uint64_t offset, std::size_t bytes, std::string& text) {
    text.assign(bytes, '\0');
    std::size_t filled = 0;
    while (filled < bytes) {
        const ssize_t n = ::pread(descriptor, text.data() + filled, bytes - filled,
                                  static_cast<off_t>(offset + filled));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    text.resize(filled);
    return 0;
}

}  // namespace

InputFile readInputFile(const std::string& path, std::size_t maxBytes, const std::string& what) {
    OpenInput input;
    openInput(path, input);
    if (!input.problem.empty()) {
        return {std::nullopt, std::move(input.problem)};
    }
    // The size fstat gave may change while the file is read: the cap is kept on what is read.
    const std::size_t cap = maxBytes + 1;
    std::string text(std::min<std::uint64_t>(cap, input.size + 1), '\0');
    std::size_t filled = 0;
    while (filled < cap) {
        if (filled == text.size()) {
            text.resize(std::min(cap, text.size() * 2));
        }
        const ssize_t n = ::read(input.descriptor, text.data() + filled, text.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return systemRefusal(path, errno);
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    if (filled > maxBytes) {
        return refusal(path, ": too large to be " + what);
    }
    text.resize(filled);
    return {std::move(text), {}};
}

InputFileEnds readInputFileEnds(const std::string& path, std::size_t headBytes, std::size_t tailBytes) {
    InputFileEnds ends;
    OpenInput input;
    openInput(path, input);
    if (!input.problem.empty()) {
        ends.problem = std::move(input.problem);
        return ends;
    }
    ends.size = input.size;
    std::string head;
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(tailBytes, input.size));
    int error = readAt(input.descriptor, 0, static_cast<std::size_t>(std::min<std::uint64_t>(headBytes, input.size)), head);
    if (error == 0) {
        error = readAt(input.descriptor, input.size - tail, tail, ends.tail);
    }
    if (error != 0) {
        ends.problem = systemRefusal(path, error).problem;
        return ends;
    }
    ends.head = std::move(head);
    return ends;
}

}  // namespace quorvel
