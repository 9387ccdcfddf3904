#include "analyzer/AnalyzedRecording.h"

namespace quorvel {

AnalyzedRecording::AnalyzedRecording(const std::string& path)
    : recording_(openRecording(path)),
      pyramid_(*recording_.samples),
      builder_([this] { pyramid_.build(&stop_); }) {}

AnalyzedRecording::~AnalyzedRecording() {
    stop_.store(true);
    if (builder_.joinable()) {
        builder_.join();
    }
}

void AnalyzedRecording::waitForPyramid() {
    if (builder_.joinable()) {
        builder_.join();
    }
}

}  // namespace quorvel
