// The formatting limit: writes a header and N lines of two pseudo-random doubles, formatted with
// std::to_chars into a large buffer and written with fwrite. Nothing else is computed, so no
// generator that writes the same text can be faster than this on one core.
//
// usage: quorvel-format-limit N PATH

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s N PATH\n", argv[0]);
        return 2;
    }
    const long long lines = std::atoll(argv[1]);
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    // A small table of noisy values, cycled: typical digits to format, no cost to produce them.
    std::mt19937_64 engine(1);
    std::normal_distribution<double> noise(0.0, 0.7);
    std::vector<double> values(4096);
    for (auto& v : values) {
        v = noise(engine);
    }
    std::size_t next = 0;
    // Small enough that its first-touch page faults cost nothing next to the formatting.
    std::vector<char> buffer(std::size_t{256} << 10);
    const char header[] = "Real,Imaginary\r\n";
    std::fwrite(header, 1, sizeof header - 1, file);
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    for (long long n = 0; n < lines; ++n) {
        if (end - out < 64) {
            std::fwrite(buffer.data(), 1, static_cast<std::size_t>(out - buffer.data()), file);
            out = buffer.data();
        }
        out = std::to_chars(out, end, values[next++ & 4095], std::chars_format::general, 6).ptr;
        *out++ = ',';
        out = std::to_chars(out, end, values[next++ & 4095], std::chars_format::general, 6).ptr;
        *out++ = '\r';
        *out++ = '\n';
    }
    std::fwrite(buffer.data(), 1, static_cast<std::size_t>(out - buffer.data()), file);
    return std::fclose(file) == 0 ? 0 : 1;
}
