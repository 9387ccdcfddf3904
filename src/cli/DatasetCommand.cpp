#include "cli/DatasetCommand.h"
#include "cli/HelpFormat.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/ProgressDisplay.h"
#include "dataset/DatasetMerge.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/DatasetRun.h"
#include "dataset/ShardFiles.h"
#include "common/PrintableText.h"
#include "dsp/Spectrogram.h"

namespace quorvel {
namespace {

struct DatasetOptions {
    std::string recipe;
    std::string out;
    std::optional<std::string> shard;
    std::string format = "hdf5";
    bool quiet = false;
    bool progress = false;
    bool spectrograms = false;
    std::size_t spectrogramFft = SpectrogramShape{}.fft;
    std::size_t spectrogramOverlap = SpectrogramShape{}.overlap;
    std::optional<std::string> labels;
};

// The spectrogram and label choices, or why they are refused (nothing when they hold).
std::optional<std::string> imageOptionsProblem(const DatasetOptions& o, const DatasetRecipe& recipe,
                                               DatasetRunOptions& options) {
    const SpectrogramShape shape{o.spectrogramFft, o.spectrogramOverlap};
    if (const char* problem = spectrogramShapeProblem(shape)) {
        return std::string("--spectrogram-fft, --spectrogram-overlap: ") + problem;
    }
    if ((o.spectrograms || o.labels) && shape.frames(recipe.samplesPerCapture) == 0) {
        return "--spectrogram-fft: longer than a capture (" + std::to_string(recipe.samplesPerCapture) + " samples)";
    }
    if (o.spectrograms) {
        if (options.format != DatasetFormat::Hdf5) {
            return "--spectrograms: only with --format hdf5";
        }
        options.spectrograms = shape;
    }
    if (o.labels) {
        if (*o.labels != "yolo") {
            return "--labels: yolo is the one label format (got \"" + printableText(*o.labels, 64) + "\")";
        }
        if (!recipe.scene) {
            return "--labels: only for a recipe with a \"scene\"";
        }
        options.yoloLabels = true;
    }
    return std::nullopt;
}

int interruptedCode(const CommandLineStreams& streams) {
    const int signal = streams.cancelSignal != nullptr ? streams.cancelSignal->load() : 0;
    return signal == SIGHUP ? ExitHangup : signal == SIGTERM ? ExitTerminated : ExitInterrupted;
}

int makeDataset(const DatasetOptions& o, const CommandLineStreams& streams) {
    std::ostream& err = streams.err;
    DatasetRunOptions options;
    if (o.shard) {
        const auto shard = parseShard(*o.shard);
        if (!shard) {
            err << "--shard: " << malformedShardProblem(*o.shard) << '\n';
            return ExitInvalidInput;
        }
        options.shard = *shard;
    }
    if (o.format != "hdf5" && o.format != "sigmf") {
        err << "--format: hdf5 or sigmf (got \"" << o.format << "\").\n";
        return ExitInvalidInput;
    }
    options.format = o.format == "hdf5" ? DatasetFormat::Hdf5 : DatasetFormat::Sigmf;
    const RecipeReading reading = readDatasetRecipeFile(o.recipe);
    if (!reading) {
        err << reading.problem << '\n';
        return ExitInvalidInput;
    }
    const DatasetRecipe& recipe = *reading.recipe;
    if (const auto problem = imageOptionsProblem(o, recipe, options)) {
        err << *problem << '\n';
        return ExitInvalidInput;
    }
    if (const auto problem = shardCountProblem(options.shard, recipe.captureCount())) {
        err << "--shard: " << *problem << '\n';
        return ExitInvalidInput;
    }
    std::error_code error;
    std::filesystem::create_directories(o.out, error);
    if (error) {
        err << "Could not create " << o.out << ": " << error.message() << '\n';
        return ExitFileFailure;
    }
    options.cancel = streams.cancel;
    ProgressDisplay display(err, streams.errIsTerminal);
    if (!o.quiet && (o.progress || streams.errIsTerminal)) {
        options.progress = [&display](std::uint64_t done, std::uint64_t total) { display.updateCaptures(done, total); };
    }
    const DatasetRunResult result = runDataset(recipe, o.out, options);
    display.finish();
    if (result.cancelled) {
        err << "Interrupted: no file was finished\n";
        return interruptedCode(streams);
    }
    if (!result.failure.empty()) {
        err << "Could not write the dataset: " << result.failure << '\n';
        return ExitFileFailure;
    }
    if (!o.quiet) {
        const CaptureRange range = shardCaptures(options.shard, recipe.captureCount());
        streams.out << "Wrote captures " << range.first << " to " << range.end - 1 << " of " << recipe.captureCount();
        if (recipe.scene) {
            streams.out << " (scenes of " << recipe.scene->fewestEmitters << " to " << recipe.scene->mostEmitters
                        << " emitters of " << recipe.classes.size() << " classes, ";
        } else {
            streams.out << " (" << recipe.classes.size() << " classes, " << recipe.snrsDb.size() << " SNRs, ";
        }
        streams.out << recipe.samplesPerCapture << " samples each):\n";
        for (const std::string& path : result.writtenFiles) {
            streams.out << "  " << path << '\n';
        }
    }
    return ExitSuccess;
}

int merge(const std::string& folder, bool quiet, const CommandLineStreams& streams) {
    const MergeResult result = mergeDataset(folder);
    if (!result.problem.empty()) {
        streams.err << "cannot merge: " << result.problem << '\n';
        return ExitInvalidInput;
    }
    if (!result.failure.empty()) {
        streams.err << "Could not write the merged dataset: " << result.failure << '\n';
        return ExitFileFailure;
    }
    if (!quiet) {
        streams.out << "Merged the shards of " << folder << ":\n";
        for (const std::string& path : result.writtenFiles) {
            streams.out << "  " << path << '\n';
        }
    }
    return ExitSuccess;
}

int parsed(CLI::App& app, int argc, const char* const* argv, const CommandLineStreams& streams) {
    if (const auto code = parseArguments(app, argc, argv, streams)) {
        return *code;
    }
    return -1;
}

}  // namespace

int runDatasetCommand(int argc, const char* const* argv, const CommandLineStreams& streams) {
    if (argc >= 2 && std::string(argv[1]) == "merge") {
        CLI::App app{"Joins the shards' files in FOLDER into the files one unsharded run writes: dataset.h5 (byte "
                     "for byte) and, for SigMF shards, dataset.sigmf-collection."};
        app.name("quorvel-cli dataset merge");
        formatHelp(app, terminalColumns(), "quorvel-cli dataset merge DIR [--quiet]");
        std::string folder;
        bool quiet = false;
        app.add_option("FOLDER", folder, "The folder the shards were written to")->required();
        app.add_flag("--quiet", quiet, "Print nothing on success");
        const int code = parsed(app, argc - 1, argv + 1, streams);
        return code >= 0 ? code : merge(folder, quiet, streams);
    }
    CLI::App app{"Writes a labelled dataset of short captures from a recipe file (JSON): RadioML 2018.01A's HDF5 "
                 "layout (X, Y, Z) or a SigMF collection. Each shard's files are the same bytes wherever it runs."};
    app.name("quorvel-cli dataset");
    formatHelp(app, terminalColumns(),
               "quorvel-cli dataset RECIPE.json --out DIR [--shard I/N] [--format hdf5|sigmf] "
               "[--spectrograms] [--spectrogram-fft N] [--spectrogram-overlap N] [--labels yolo] [--quiet] [--progress]\n"
               "quorvel-cli dataset merge DIR [--quiet]");
    DatasetOptions o;
    app.add_option("RECIPE", o.recipe, "The recipe file (JSON)")->required();
    app.add_option("--out", o.out, "Folder the files go to (made if missing)")->required()->type_name("DIR");
    app.add_option("--shard", o.shard, "Make only shard I of N (0 <= I < N): a contiguous part of the captures")
        ->type_name("I/N");
    app.add_option("--format", o.format, "hdf5 (DIR/dataset.h5) or sigmf (a recording and a collection)")
        ->type_name("NAME")
        ->capture_default_str();
    app.add_flag("--spectrograms", o.spectrograms,
                 "Keep each capture's spectrogram in dataset.h5 (float32 dB, \"spectrograms\" [N][frames][fft])");
    app.add_option("--spectrogram-fft", o.spectrogramFft, "Samples per spectrogram frame, and its rows")
        ->type_name("N")
        ->capture_default_str();
    app.add_option("--spectrogram-overlap", o.spectrogramOverlap, "Samples shared by neighbouring frames")
        ->type_name("N")
        ->capture_default_str();
    app.add_option("--labels", o.labels, "yolo: a scene's boxes as DIR/labels/<capture>.txt for its spectrogram")
        ->type_name("FORMAT");
    app.add_flag("--quiet", o.quiet, "Print nothing on success, and no progress");
    app.add_flag("--progress", o.progress, "Show progress on standard error even when it is not a terminal");
    app.footer("Then: quorvel-cli dataset merge DIR, once every shard is written.");
    const int code = parsed(app, argc, argv, streams);
    return code >= 0 ? code : makeDataset(o, streams);
}

}  // namespace quorvel
