// readDatasetRecipe over arbitrary text: `quorvel-cli dataset` and the Python module read whatever
// recipe a user names, so no text may crash them, hang them or flood the terminal. Every input
// gives a recipe or one short printable line, never both, and an accepted recipe reads again the
// same from its own kept text.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "dataset/DatasetRecipe.h"

using quorvel::fuzzing::printable;
using quorvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const quorvel::RecipeReading reading = quorvel::readDatasetRecipe(text);
    if (!reading) {
        require(!reading.problem.empty(), "a refused recipe says why");
        require(printable(reading.problem), "the reason is one line without control characters");
        require(reading.problem.size() < 4096, "the reason is short whatever the input");
        return 0;
    }
    require(reading.problem.empty(), "a recipe comes without a problem");
    const quorvel::RecipeReading again = quorvel::readDatasetRecipe(reading.recipe->text);
    require(again && again.recipe->captureCount() == reading.recipe->captureCount(),
            "a recipe reads the same from its kept text");
    return 0;
}
