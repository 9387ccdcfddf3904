#include "python/ShardCaptures.h"

#include "dataset/CaptureRecord.h"
#include "dataset/CapturePlan.h"

namespace quorvel {

ShardChoice chooseShard(const std::string& recipeText, const std::string& recipeName,
                        const std::optional<std::string>& shardText) {
    ShardChoice choice;
    if (shardText) {
        const auto shard = parseShard(*shardText);
        if (!shard) {
            choice.problem = "shard: " + malformedShardProblem(*shardText);
            return choice;
        }
        choice.shard = *shard;
    }
    RecipeReading reading = readDatasetRecipe(recipeText);
    if (!reading) {
        choice.problem = recipeName.empty() ? reading.problem : recipeName + ": " + reading.problem;
        return choice;
    }
    if (reading.recipe->scene) {
        // A capture here is one class at one SNR; a scene's labels are its boxes.
        choice.problem = "a recipe with a \"scene\": quorvel.scene(recipe, capture) makes a capture with its boxes";
        return choice;
    }
    if (const auto problem = shardCountProblem(choice.shard, reading.recipe->captureCount())) {
        choice.problem = "shard: " + *problem;
        return choice;
    }
    choice.recipe = std::move(reading.recipe);
    return choice;
}

ShardCaptures::ShardCaptures(DatasetRecipe recipe, Shard shard)
    : recipe_(std::move(recipe)), range_(shardCaptures(shard, recipe_.captureCount())), next_(range_.first) {}

bool ShardCaptures::next(std::byte* out, SampleType type, MadeCapture& made) {
    const std::lock_guard lock(mutex_);
    if (next_ == range_.end) {
        return false;
    }
    const CapturePlan plan = planCapture(recipe_, next_++);
    makeCapture(plan, recipe_.samplesPerCapture, capture_, recipe_.normalization);
    // complex64 rounds each double to the nearest float as X's writer does: its row bit for bit.
    encodeSamples(capture_.samples, type, out);
    made.index = plan.index;
    made.classIndex = plan.classIndex;
    made.snrDb = plan.parameters.snrDb;
    recordedFields(recipe_, plan, capture_, made.fields);
    return true;
}

}  // namespace quorvel
