#pragma once
// The samples published on a ZeroMQ socket as GNU Radio's ZMQ PUB Sink publishes them: every
// block one message of raw items (float32 I, Q pairs, or the integer pairs of ci16, ci8, cu8)
// with no header, so that a ZMQ SUB Source of the matching item size receives them unchanged.
//
// The socket is an XPUB, which speaks to SUB sockets as a PUB does but hears their
// subscriptions: the first block waits for the first subscriber, who so receives the signal from
// its first sample, and a subscriber that reads slowly holds the stream back instead of losing
// messages, as a pipe would.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/SignalParameters.h"
#include "export/SampleSink.h"

namespace quorvel {

class ZmqPublisher final : public SampleSink {
public:
    // Binds address (such as tcp://127.0.0.1:5555); problem() says why, when it could not. A set
    // cancel flag ends any wait, for a subscriber or for room, at its next look (10 times a second).
    ZmqPublisher(const std::string& address, OutputFormat format, double fullScale, const std::atomic<bool>* cancel);
    ~ZmqPublisher() override;

    ZmqPublisher(const ZmqPublisher&) = delete;
    ZmqPublisher& operator=(const ZmqPublisher&) = delete;

    const std::optional<std::string>& problem() const { return problem_; }

    const std::string& name() const override { return address_; }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return error_; }
    std::optional<std::string> finish(bool complete) override;
    std::uint64_t clippedSamples() const override { return clipped_; }

private:
    bool awaitSubscriber();
    bool send(const std::byte* bytes, std::size_t size);
    bool cancelled() const { return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed); }
    void close(int lingerMilliseconds);

    std::string address_;
    OutputFormat format_;
    double fullScale_;
    const std::atomic<bool>* cancel_;
    void* context_ = nullptr;
    void* socket_ = nullptr;
    std::optional<std::string> problem_;
    bool subscribed_ = false;
    int error_ = 0;
    std::unique_ptr<std::byte[]> bytes_;
    std::size_t capacity_ = 0;  // samples bytes_ holds
    std::uint64_t clipped_ = 0;
};

}  // namespace quorvel
