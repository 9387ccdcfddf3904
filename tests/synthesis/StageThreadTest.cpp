#include "synthesis/StageThread.h"

#include <gtest/gtest.h>

#include <new>

namespace quorvel {
namespace {

// Numbered samples; throws std::bad_alloc in place of sample `failAt`, as a stage short of memory.
class NumberedSource final : public SampleSource {
public:
    explicit NumberedSource(std::size_t failAt) : failAt_(failAt) {}

    std::size_t read(std::span<ComplexSample> out) override {
        for (ComplexSample& s : out) {
            if (next_ == failAt_) {
                throw std::bad_alloc();
            }
            s = {static_cast<double>(next_++), 0.0};
        }
        return out.size();
    }

private:
    std::size_t failAt_;
    std::size_t next_ = 0;
};

// The samples before a failure arrive in order; the failure itself reaches the reader, not the
// thread's top, where it would end the process.
TEST(StageThread, HandsOnTheSamplesThenTheFailure) {
    NumberedSource source(100000);
    StageThread thread(source);
    SampleBuffer block(4097);
    std::size_t seen = 0;
    try {
        while (const std::size_t count = thread.read(block)) {
            for (std::size_t k = 0; k < count; ++k) {
                ASSERT_EQ(block[k].i, static_cast<double>(seen + k));
            }
            seen += count;
        }
        FAIL() << "the stream ended without its failure";
    } catch (const std::bad_alloc&) {
    }
    EXPECT_LE(seen, 100000U);
    EXPECT_GE(seen, 100000U - 3 * 16384);
}

// A reader that stops early leaves a thread that stops too, while it waits to hand a block over.
TEST(StageThread, StopsWhenItsReaderStopsEarly) {
    NumberedSource source(1U << 30);
    StageThread thread(source);
    SampleBuffer block(10);
    ASSERT_EQ(thread.read(block), 10U);
    thread.stop();
}

}  // namespace
}  // namespace quorvel
