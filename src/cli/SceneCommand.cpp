#include "cli/SceneCommand.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <ostream>
#include <string>

#include "cli/HelpFormat.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/SceneRecording.h"

namespace quorvel {

int runSceneCommand(int argc, const char* const* argv, const CommandLineStreams& streams) {
    CLI::App app{"Writes one capture of a scene recipe (JSON with \"scene\") as a SigMF recording, "
                 "scene_I.sigmf-data and scene_I.sigmf-meta, one annotation per box."};
    app.name("quorvel-cli --scene");
    formatHelp(app, terminalColumns(), "quorvel-cli --scene RECIPE.json [--capture I] [--save-path FOLDER] [--quiet]");
    std::string recipePath;
    std::uint64_t index = 0;
    std::string folder = ".";
    bool quiet = false;
    app.add_option("--scene", recipePath, "The scene recipe (JSON)")->required()->type_name("RECIPE");
    app.add_option("--capture", index, "Which of the recipe's captures")->type_name("I")->capture_default_str();
    app.add_option("--save-path", folder, "Folder the files go to")->type_name("FOLDER")->capture_default_str();
    app.add_flag("--quiet", quiet, "Print nothing on success");
    if (const auto code = parseArguments(app, argc, argv, streams)) {
        return *code;
    }
    const RecipeReading reading = readDatasetRecipeFile(recipePath);
    if (!reading) {
        streams.err << reading.problem << '\n';
        return ExitInvalidInput;
    }
    if (!reading.recipe->scene) {
        streams.err << "--scene: the recipe has no \"scene\" object\n";
        return ExitInvalidInput;
    }
    if (index >= reading.recipe->captureCount()) {
        streams.err << "--capture: a capture below the recipe's " << reading.recipe->captureCount() << " (it is " << index
                    << ")\n";
        return ExitInvalidInput;
    }
    std::vector<std::string> written;
    if (auto error = writeSceneRecording(*reading.recipe, index, folder, written)) {
        streams.err << "Could not write the scene: " << *error << '\n';
        return ExitFileFailure;
    }
    if (!quiet) {
        streams.out << "Wrote scene capture " << index << ":\n";
        for (const std::string& path : written) {
            streams.out << "  " << path << '\n';
        }
    }
    return ExitSuccess;
}

}  // namespace quorvel
