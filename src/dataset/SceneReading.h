#pragma once
// A recipe's "scene" object read key by key: a refusal names the key's path and its rule.

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "common/SignalParameters.h"
#include "dataset/SceneSettings.h"

namespace quorvel {

// The most emitters one capture may hold.
inline constexpr std::int64_t kMaxSceneEmitters = 16;

struct SceneReading {
    std::optional<SceneSettings> settings;
    std::string path;  // of the key at fault
    std::string rule;

    explicit operator bool() const { return settings.has_value(); }
};

// The settings of a scene of captures `samplesPerCapture` long.
SceneReading readScene(const nlohmann::json& scene, std::uint32_t samplesPerCapture);

// Why a class cannot be an emitter, at one end of its ranges: its family states no band, its band
// does not follow its rate, or the band fills more of its own rate than the rate conversion keeps.
std::optional<std::string> sceneClassProblem(const SignalParameters& parameters);

}  // namespace quorvel
