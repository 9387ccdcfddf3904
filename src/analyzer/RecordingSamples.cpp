#include "analyzer/RecordingSamples.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "analyzer/MappedFile.h"

namespace quorvel {
namespace {

static_assert(std::endian::native == std::endian::little, "the binary decoders read little-endian");

struct EncodingRow {
    SampleEncoding encoding;
    std::string_view name;
    std::size_t bytes;
};

constexpr std::array<EncodingRow, 5> kEncodings{{
    {SampleEncoding::Cf32Le, "cf32_le", 8},
    {SampleEncoding::Ci16Le, "ci16_le", 4},
    {SampleEncoding::Ci8, "ci8", 2},
    {SampleEncoding::Cu8, "cu8", 2},
    {SampleEncoding::Csv, "csv", 0},
}};

const EncodingRow& rowOf(SampleEncoding encoding) {
    return kEncodings[static_cast<std::size_t>(encoding)];
}

class BinaryReader : public SampleReader {
  public:
    BinaryReader(const std::string& path, SampleEncoding encoding)
        : file_(path), encoding_(encoding), bytes_(bytesPerSample(encoding)) {}

    std::uint64_t size() const override { return file_.bytes().size() / bytes_; }

    void read(std::uint64_t begin, std::size_t count, IqSample* out) const override {
        const std::byte* at = file_.bytes().data() + begin * bytes_;
        switch (encoding_) {
            case SampleEncoding::Cf32Le:
                std::memcpy(out, at, count * sizeof(IqSample));
                break;
            case SampleEncoding::Ci16Le:
                decode<std::int16_t>(at, count, out, 0.0f, 1.0f / 32768.0f);
                break;
            case SampleEncoding::Ci8:
                decode<std::int8_t>(at, count, out, 0.0f, 1.0f / 128.0f);
                break;
            default:
                decode<std::uint8_t>(at, count, out, 127.5f, 1.0f / 128.0f);
                break;
        }
    }

  private:
    template <typename Component>
    static void decode(const std::byte* at, std::size_t count, IqSample* out, float offset,
                       float scale) {
        for (std::size_t k = 0; k < count; ++k) {
            Component pair[2];
            std::memcpy(pair, at + 2 * k * sizeof(Component), sizeof pair);
            out[k] = {(static_cast<float>(pair[0]) - offset) * scale,
                      (static_cast<float>(pair[1]) - offset) * scale};
        }
    }

    MappedFile file_;
    SampleEncoding encoding_;
    std::size_t bytes_;
};

// The CSV text has no fixed width, so the reader keeps where every kStride-th line starts and
// parses forward from there: a few bytes of index per thousand samples.
class CsvReader : public SampleReader {
  public:
    static constexpr std::uint64_t kStride = 1024;

    explicit CsvReader(const std::string& path) : file_(path) {
        const std::string_view text = view();
        constexpr std::string_view kHeader = "Real,Imaginary";
        if (text.substr(0, kHeader.size()) != kHeader) {
            throw std::runtime_error(
                path + ": not a sample file of this program (no \"Real,Imaginary\" line)");
        }
        std::size_t at = text.find('\n');
        at = at == std::string_view::npos ? text.size() : at + 1;
        while (at < text.size()) {
            if (count_ % kStride == 0) {
                starts_.push_back(at);
            }
            ++count_;
            const void* end = std::memchr(text.data() + at, '\n', text.size() - at);
            at = end == nullptr
                     ? text.size()
                     : static_cast<std::size_t>(static_cast<const char*>(end) - text.data()) + 1;
        }
    }

    std::uint64_t size() const override { return count_; }

    void read(std::uint64_t begin, std::size_t count, IqSample* out) const override {
        const std::string_view text = view();
        std::size_t at = starts_[begin / kStride];
        for (std::uint64_t skip = begin % kStride; skip > 0; --skip) {
            at = text.find('\n', at) + 1;
        }
        for (std::size_t k = 0; k < count; ++k) {
            std::size_t end = text.find('\n', at);
            end = end == std::string_view::npos ? text.size() : end;
            out[k] = parseLine(text.substr(at, end - at));
            at = end + 1;
        }
    }

  private:
    std::string_view view() const {
        return {reinterpret_cast<const char*>(file_.bytes().data()), file_.bytes().size()};
    }

    // "I,Q" with an optional CR; what does not parse is not a number, not a reason to stop.
    static IqSample parseLine(std::string_view line) {
        constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
        const auto number = [](const char* first, const char* last, const char** end) {
            double value = 0.0;
            const auto [ptr, error] = std::from_chars(first, last, value);
            *end = ptr;
            return error == std::errc() ? static_cast<float>(value) : kNan;
        };
        const char* first = line.data();
        const char* last = line.data() + line.size();
        const char* end = first;
        const float i = number(first, last, &end);
        if (end == last || *end != ',') {
            return {kNan, kNan};
        }
        const float q = number(end + 1, last, &end);
        return {i, q};
    }

    MappedFile file_;
    std::vector<std::size_t> starts_;
    std::uint64_t count_ = 0;
};

}  // namespace

std::optional<SampleEncoding> encodingOfDatatype(std::string_view datatype) {
    for (const EncodingRow& row : kEncodings) {
        if (row.bytes > 0 && row.name == datatype) {
            return row.encoding;
        }
    }
    return std::nullopt;
}

std::string_view encodingName(SampleEncoding encoding) {
    return rowOf(encoding).name;
}

std::size_t bytesPerSample(SampleEncoding encoding) {
    return rowOf(encoding).bytes;
}

std::unique_ptr<SampleReader> mapSamples(const std::string& path, SampleEncoding encoding) {
    if (encoding == SampleEncoding::Csv) {
        return std::make_unique<CsvReader>(path);
    }
    return std::make_unique<BinaryReader>(path, encoding);
}

}  // namespace quorvel
