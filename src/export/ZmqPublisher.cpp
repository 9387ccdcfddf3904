#include "export/ZmqPublisher.h"

#include <zmq.h>

#include <cerrno>
#include <system_error>

#include "export/Cf32Writer.h"
#include "export/IntegerSamples.h"

namespace quorvel {
namespace {

// How long one wait lasts before the cancel flag is looked at again.
constexpr long kPollMilliseconds = 100;
// Messages queued for a subscriber before the stream waits for it: a few blocks, not the
// library's thousand, which at 512 KiB a block would hold half a gigabyte.
constexpr int kQueuedMessages = 4;
// How long the end of a finished run may wait for its last messages to leave.
constexpr int kFinishLingerMilliseconds = 10000;

std::string zmqReason() {
    return zmq_strerror(zmq_errno());
}

}  // namespace

ZmqPublisher::ZmqPublisher(const std::string& address, OutputFormat format, double fullScale,
                           const std::atomic<bool>* cancel)
    : address_(address), format_(format), fullScale_(fullScale), cancel_(cancel) {
    context_ = zmq_ctx_new();
    if (context_ == nullptr) {
        problem_ = zmqReason();
        return;
    }
    socket_ = zmq_socket(context_, ZMQ_XPUB);
    const int one = 1;
    const int queued = kQueuedMessages;
    if (socket_ == nullptr || zmq_setsockopt(socket_, ZMQ_XPUB_NODROP, &one, sizeof one) != 0 ||
        zmq_setsockopt(socket_, ZMQ_SNDHWM, &queued, sizeof queued) != 0 || zmq_bind(socket_, address.c_str()) != 0) {
        problem_ = zmqReason();
        close(0);
    }
}

ZmqPublisher::~ZmqPublisher() {
    close(0);
}

void ZmqPublisher::close(int lingerMilliseconds) {
    if (socket_ != nullptr) {
        zmq_setsockopt(socket_, ZMQ_LINGER, &lingerMilliseconds, sizeof lingerMilliseconds);
        zmq_close(socket_);
        socket_ = nullptr;
    }
    if (context_ != nullptr) {
        zmq_ctx_term(context_);
        context_ = nullptr;
    }
}

bool ZmqPublisher::awaitSubscriber() {
    while (!subscribed_) {
        zmq_pollitem_t item{socket_, 0, ZMQ_POLLIN, 0};
        if (zmq_poll(&item, 1, kPollMilliseconds) < 0 && zmq_errno() != EINTR) {
            error_ = zmq_errno();
            return false;
        }
        if (cancelled()) {
            return false;
        }
        // A subscription arrives as a message whose first byte is 1; an unsubscription's is 0.
        unsigned char message[256];
        const int size = zmq_recv(socket_, message, sizeof message, ZMQ_DONTWAIT);
        subscribed_ = size > 0 && message[0] == 1;
    }
    return true;
}

bool ZmqPublisher::send(const std::byte* bytes, std::size_t size) {
    for (;;) {
        if (zmq_send(socket_, bytes, size, ZMQ_DONTWAIT) >= 0) {
            return true;
        }
        if (zmq_errno() != EAGAIN && zmq_errno() != EINTR) {
            error_ = zmq_errno();
            return false;
        }
        // Every subscriber's queue is full: wait for room, or for the run to be cancelled.
        zmq_pollitem_t item{socket_, 0, ZMQ_POLLOUT, 0};
        zmq_poll(&item, 1, kPollMilliseconds);
        if (cancelled()) {
            return false;
        }
    }
}

void ZmqPublisher::write(std::span<const ComplexSample> block) {
    if (socket_ == nullptr || error_ != 0 || block.empty() || !awaitSubscriber()) {
        return;
    }
    if (capacity_ < block.size()) {
        bytes_ = std::make_unique_for_overwrite<std::byte[]>(block.size() * sigmfBytesPerSample(format_));
        capacity_ = block.size();
    }
    if (isIntegerFormat(format_)) {
        clipped_ += encodeIntegers(block, format_, fullScale_, bytes_.get());
    } else {
        encodeCf32(block, bytes_.get());
    }
    send(bytes_.get(), block.size() * sigmfBytesPerSample(format_));
    // Subscriptions that arrived meanwhile are read, so they do not pile up in the socket.
    unsigned char message[256];
    while (zmq_recv(socket_, message, sizeof message, ZMQ_DONTWAIT) >= 0) {
    }
}

std::optional<std::string> ZmqPublisher::finish(bool complete) {
    // A finished run's last messages still leave; a cancelled one's are dropped.
    close(complete ? kFinishLingerMilliseconds : 0);
    if (error_ != 0) {
        return std::generic_category().message(error_);
    }
    return std::nullopt;
}

}  // namespace quorvel
