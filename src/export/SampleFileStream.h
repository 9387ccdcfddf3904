#pragma once
// Writes one sample file while its samples are still being finished: the producer marks how many
// leading samples are final, and formatting threads turn them into text and write it in order.
// Formatting costs more than generating, so it runs on every core the machine has.

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

class SampleFileStream {
public:
    // Samples are formatted and written in pieces of this many lines.
    static constexpr std::size_t kChunkSamples = 16384;

    // Background formatting threads worth starting beside the producer on this machine.
    static unsigned defaultWorkers();

    // Creates (or truncates) the file at path, writes the header and starts `workers` background
    // threads. samples must stay alive, unmoved in memory and unchanged in size until finish()
    // returns; the producer may still write samples that it has not marked ready.
    SampleFileStream(const std::string& path, std::span<const ComplexSample> samples, unsigned workers);
    ~SampleFileStream();

    SampleFileStream(const SampleFileStream&) = delete;
    SampleFileStream& operator=(const SampleFileStream&) = delete;

    // The first count samples are final and may be written.
    void markReady(std::size_t count);

    // Marks every sample ready, helps format them on the calling thread, waits for the rest and
    // closes the file. Nothing on success, otherwise the system's reason; a shortened file is left.
    std::optional<std::string> finish();

private:
    void formatChunks();
    bool nextChunkClaimable() const;
    void fail(int error);

    std::FILE* file_ = nullptr;
    std::span<const ComplexSample> samples_;
    std::size_t chunkCount_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t ready_ = 0;        // samples marked final
    std::size_t nextToClaim_ = 0;  // chunk the next free thread formats
    std::size_t nextToWrite_ = 0;  // chunk whose text goes to the file next
    int error_ = 0;                // first failure's errno; 0 while all is well
    bool finished_ = false;

    std::vector<std::thread> workers_;
};

}  // namespace quorvel
