// --from and the bits file a recording names: read from the recording's folder when the recording
// names it with its digest, refused when it is another file or lies outside that folder, and a
// bits file cut short during a run ends it keeping the files made before.

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "options/OptionRun.h"
#include "support/CliRun.h"
#include "support/FileEdits.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/BitSources.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using testing_support::digestHex;
using testing_support::readBytes;
using testing_support::runCli;
using testing_support::sameBytes;
using testing_support::TempDir;

void rewriteGlobal(const std::string& meta, const std::function<void(nlohmann::json&)>& change) {
    nlohmann::json json = nlohmann::json::parse(readBytes(meta));
    change(json["global"]);
    std::ofstream(meta, std::ios::binary | std::ios::trunc) << json.dump(2);
}

struct Recording {
    TempDir dir;
    std::string folder = dir.file("rec");
    std::string payload = folder + "/payload.bin";
    std::string meta = folder + "/modulated_signal_1.sigmf-meta";

    explicit Recording(bool digest) {
        fs::create_directory(folder);
        std::ofstream(payload, std::ios::binary) << "Quorvel payload";
        std::vector<std::string> args{"--save-path", folder, "--seed", "3", "--symbols", "64", "--format", "cf32",
                                      "--bits", payload, "--quiet"};
        if (digest) {
            args.push_back("--bits-sha256");
        }
        const auto made = runCli(args);
        EXPECT_EQ(made.code, ExitSuccess) << made.err;
    }
};

struct FromCase {
    const char* name;
    bool digest;                                      // the recording names the bits file's SHA-256
    std::function<void(const Recording&)> change;     // to the files before --from
    std::vector<std::string> extra;                   // options beside --from and --save-path
    int code;
    std::string message;                              // standard error starts with it
    std::string reason;                               // and says this after the path
};

TEST(PayloadFrom, EveryBitsFileIsCheckedAgainstItsRecording) {
    const std::string kOutside = " lies outside the recording's folder; --trust-payload-path reads it there\n";
    const auto outside = [](const Recording& r) {
        const std::string moved = r.dir.file("payload.bin");
        fs::rename(r.payload, moved);
        return moved;
    };
    const FromCase cases[] = {
        {"AsMade", true, [](const Recording&) {}, {}, ExitSuccess, "", ""},
        {"AsMadeWithoutDigest", false, [](const Recording&) {}, {}, ExitSuccess, "", ""},
        {"SameSizeOtherBytes", true,
         [](const Recording& r) { std::ofstream(r.payload, std::ios::binary) << "quorvel PAYLOAD"; }, {},
         ExitInvalidInput, "cannot regenerate: the bits file ", "payload.bin is not the recording's (another SHA-256)\n"},
        {"NamedOutsideWithoutDigest", false,
         [&](const Recording& r) {
             const std::string moved = outside(r);
             rewriteGlobal(r.meta, [&](nlohmann::json& g) { g["quorvel:bits_file"] = moved; });
         },
         {}, ExitInvalidInput, "cannot regenerate: the bits file ", kOutside},
        {"NamedOutsideTrusted", false,
         [&](const Recording& r) {
             const std::string moved = outside(r);
             rewriteGlobal(r.meta, [&](nlohmann::json& g) { g["quorvel:bits_file"] = moved; });
         },
         {"--trust-payload-path"}, ExitSuccess, "", ""},
        {"DotDotOut", true,
         [&](const Recording& r) {
             outside(r);
             rewriteGlobal(r.meta, [&](nlohmann::json& g) { g["quorvel:bits_file"] = "../payload.bin"; });
         },
         {}, ExitInvalidInput, "cannot regenerate: the bits file ", "/rec/../payload.bin" + kOutside},
        {"DotDotOutTrusted", true,
         [&](const Recording& r) {
             outside(r);
             rewriteGlobal(r.meta, [&](nlohmann::json& g) { g["quorvel:bits_file"] = "../payload.bin"; });
         },
         {"--trust-payload-path"}, ExitSuccess, "", ""},
        {"LinkOut", true,
         [&](const Recording& r) { fs::create_symlink(outside(r), r.payload); }, {}, ExitInvalidInput,
         "cannot regenerate: the bits file ", "/rec/payload.bin" + kOutside},
        {"UnknownVersion", true,
         [](const Recording& r) { rewriteGlobal(r.meta, [](nlohmann::json& g) { g["quorvel:bits_file_version"] = 3; }); },
         {}, ExitInvalidInput, "cannot regenerate: malformed metadata: \"quorvel:bits_file_version\" is not 2", ""},
        {"DigestNotHex", true,
         [](const Recording& r) {
             rewriteGlobal(r.meta, [](nlohmann::json& g) { g["quorvel:bits_file_sha256"] = std::string(64, 'G'); });
         },
         {}, ExitInvalidInput, "cannot regenerate: malformed metadata: \"quorvel:bits_file_sha256\" is not 64 lower-case hex digits", ""},
    };
    for (const FromCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Recording recording(c.digest);
        const std::string original = readBytes(recording.folder + "/modulated_signal_1.sigmf-data");
        c.change(recording);
        const std::string again = recording.dir.file("again");
        fs::create_directory(again);
        std::vector<std::string> args{"--from", recording.meta, "--save-path", again, "--quiet"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto run = runCli(args);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_TRUE(run.err.ends_with(c.reason)) << run.err;
        if (c.code == ExitSuccess) {
            EXPECT_TRUE(sameBytes(readBytes(again + "/modulated_signal_1.sigmf-data"), original));
        } else {
            EXPECT_TRUE(fs::is_empty(again));
        }
    }
}

TEST(PayloadFrom, ADigestRecordingNamesTheFileFromItsFolder) {
    const Recording recording(true);
    const nlohmann::json global = nlohmann::json::parse(readBytes(recording.meta))["global"];
    EXPECT_EQ(global["quorvel:bits_file"], "payload.bin");
    EXPECT_EQ(global["quorvel:bits_file_version"], 2);
    EXPECT_EQ(global["quorvel:bits_file_sha256"], digestHex("Quorvel payload", EVP_sha256()));
    // Made again elsewhere, the new recording names the same file from its own folder.
    const std::string again = recording.dir.file("again");
    fs::create_directory(again);
    ASSERT_EQ(runCli({"--from", recording.meta, "--save-path", again, "--quiet"}).code, ExitSuccess);
    const nlohmann::json made = nlohmann::json::parse(readBytes(again + "/modulated_signal_1.sigmf-meta"))["global"];
    EXPECT_EQ(made["quorvel:bits_file"], "../rec/payload.bin");
    EXPECT_EQ(made["quorvel:bits_file_sha256"], global["quorvel:bits_file_sha256"]);
}

TEST(PayloadFrom, OptionsOutOfPlaceAreRefused) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--trust-payload-path"}, "--trust-payload-path: only with --from"},
        {{"--bits-sha256"}, "--bits-sha256: only with --bits"},
        {{"--from", "x.sigmf-meta", "--bits-sha256"}, "--bits-sha256 cannot be given with --from"},
    };
    for (const auto& c : cases) {
        const auto run = runCli(c.args);
        EXPECT_EQ(run.code, ExitInvalidInput) << run.err;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    }
}

// The bits repeat with the period the file had when it was opened, whatever happens to it after.
TEST(PayloadFrom, ABitsFileCutShortEndsTheFileAndOneGrownIsReadAsItWas) {
    const TempDir dir;
    const std::string path = dir.file("bits.bin");
    const std::string bytes = "0123456789";
    std::ofstream(path, std::ios::binary) << bytes;
    {
        PayloadBits grown(path);
        std::ofstream(path, std::ios::binary | std::ios::app) << "grown";
        for (std::size_t bit = 0; bit < 8 * bytes.size() * 3; ++bit) {
            const int expected = (static_cast<unsigned char>(bytes[(bit / 8) % bytes.size()]) >> (7 - bit % 8)) & 1;
            ASSERT_EQ(grown.next(), expected) << bit;
        }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    PayloadBits cut(path);
    cut.next();
    fs::resize_file(path, 4);
    // The first reading took the whole file; the second after the rewind finds 4 of its 10 bytes.
    for (int bit = 1; bit < 8 * 14; ++bit) {
        cut.next();
    }
    try {
        cut.next();
        ADD_FAILURE() << "a file cut short was read on";
    } catch (const PayloadLost& lost) {
        EXPECT_EQ(std::string(lost.what()), "The bits file " + path + " was cut short during the run: byte 4 of its 10 could not be read.");
    }
}

TEST(PayloadFrom, ARunWhoseBitsFileIsEmptiedKeepsAndNamesTheFilesBefore) {
    const TempDir dir;
    const std::string payload = dir.file("bits.bin");
    std::ofstream(payload, std::ios::binary) << "Quorvel";
    Options o;
    o.transmitter.bits = payload;
    o.files = "3";
    o.symbols = "64";
    o.seed = 3;
    o.format = "cf32";
    o.savePath = dir.str();
    OptionRun run = prepareRun(o);
    // Once the second file's samples are all made: at its end, or a report between blocks just before.
    run.options.progress = [&](const RunProgress& progress) {
        if (progress.samplesDone == progress.samplesTotal / 3 * 2) {
            fs::resize_file(payload, 0);
        }
    };
    const GenerationResult result = run.synthesizer.generateSignal(run.parameters, run.options);
    ASSERT_EQ(result.writtenFiles.size(), 2u);
    EXPECT_TRUE(result.stoppedByPayload);
    const std::string report = fileFailureReport(result);
    EXPECT_EQ(report.rfind("Could not write " + dir.file("modulated_signal_3.sigmf-data") + ": The bits file " + payload +
                               " was emptied during the run.\n",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find("Stopped: no later file was tried; kept the 2 sample files finished before it (" +
                          dir.file("modulated_signal_1.sigmf-data") + " to " + dir.file("modulated_signal_2.sigmf-data") +
                          ") and their metadata.\n"),
              std::string::npos)
        << report;
    EXPECT_FALSE(fs::exists(dir.file("modulated_signal_3.sigmf-data")));
}

}  // namespace
}  // namespace quorvel
