#pragma once
// A CSV sample file (or stream) written block by block. Formatting costs far more than making
// the samples, so the pieces of text are formatted by background threads, and by the producer
// whenever it would otherwise wait, and written in order by whichever thread finished the next one.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/ThreadBudget.h"
#include "export/ByteOutput.h"
#include "export/SampleSink.h"

namespace quorvel {

class CsvSink final : public SampleSink {
public:
    // Samples are formatted and written in pieces of this many lines.
    static constexpr std::size_t kPieceSamples = 16384;

    // Background formatting threads worth asking for beside the producer.
    static unsigned defaultWorkers();

    // Starts up to `workers` background threads, as many as the thread budget grants; the header
    // line goes out with the first samples.
    CsvSink(ByteOutput output, unsigned workers);
    ~CsvSink() override;

    CsvSink(const CsvSink&) = delete;
    CsvSink& operator=(const CsvSink&) = delete;

    const std::string& name() const override { return output_.name(); }
    void write(std::span<const ComplexSample> block) override;
    int error() const override;
    std::optional<std::string> finish(bool complete) override;

private:
    struct Piece {
        SampleBuffer samples;
        std::size_t sequence = 0;  // position in the file, counting from 0
        bool claimed = false;
    };

    // Formats and writes the oldest unclaimed piece with the calling thread's text buffer; false
    // when there was none to take.
    bool formatOne(std::unique_lock<std::mutex>& lock, char* text);
    bool anyClaimable() const;
    void writeHeader();
    void workerLoop();

    ByteOutput output_;
    std::unique_ptr<char[]> producerText_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Piece>> queue_;  // in file order; the front is written next
    std::vector<SampleBuffer> spare_;           // storage of written pieces, for the next ones
    std::size_t nextSequence_ = 0;
    std::size_t nextToWrite_ = 0;
    bool stopping_ = false;
    bool finished_ = false;
    bool headerWritten_ = false;
    int error_ = 0;

    HelperThreads helpers_;
    std::vector<std::thread> workers_;
};

}  // namespace quorvel
