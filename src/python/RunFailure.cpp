#include "python/RunFailure.h"

#include "options/OptionRun.h"

namespace quorvel {

std::optional<RunFailure> runFailure(const GenerationResult& result) {
    if (result.folderBusy || result.folderMissing) {
        return RunFailure{RunFailure::Kind::Files, result.refusal};
    }
    if (result.refused()) {
        return RunFailure{RunFailure::Kind::Refused, result.refusal};
    }
    if (!result.fileFailures.empty()) {
        std::string report = fileFailureReport(result);
        while (!report.empty() && report.back() == '\n') {
            report.pop_back();
        }
        return RunFailure{RunFailure::Kind::Files, std::move(report)};
    }
    return std::nullopt;
}

}  // namespace quorvel
