#include "export/SampleFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace quorvel {

char* formatSample(char* first, char* last, double value) {
    // to_chars with a precision is defined to write what printf's "%.*g" writes in the "C"
    // locale, at a fraction of printf's cost. Only the sign of a not-a-number is dropped: "-nan"
    // tells a reader of the file nothing more than "nan".
    if (std::isnan(value)) {
        std::memcpy(first, "nan", 3);
        return first + 3;
    }
    return std::to_chars(first, last, value, std::chars_format::general, 6).ptr;
}

std::string formatSample(double value) {
    char text[kMaxSampleTextLength];
    char* end = formatSample(text, text + kMaxSampleTextLength, value);
    return std::string(text, end);
}

char* formatSampleLines(char* out, std::span<const ComplexSample> samples) {
    for (const ComplexSample& sample : samples) {
        out = formatSample(out, out + kMaxSampleTextLength, sample.i);
        *out++ = ',';
        out = formatSample(out, out + kMaxSampleTextLength, sample.q);
        *out++ = '\r';
        *out++ = '\n';
    }
    return out;
}

}  // namespace quorvel
