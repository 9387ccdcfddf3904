#include "common/BufferAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "common/Signal.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

using testing_support::sameValues;

constexpr std::size_t kLargeSamples = 3 * kLargeBlockBytes / sizeof(ComplexSample);

TEST(BufferAllocator, LargeBuffersAreReusedWithinARunAndReleasedAfterwards) {
    releaseCachedBlocks();
    const ComplexSample* first = nullptr;
    {
        SampleBuffer a(kLargeSamples, ComplexSample{1.0, 2.0});
        first = a.data();
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % (std::size_t{2} << 20), 0u);
    }
    EXPECT_GT(cachedBlockBytes(), 0u);
    SampleBuffer b(kLargeSamples);
    EXPECT_EQ(b.data(), first);  // the same block again, no fresh pages
    EXPECT_EQ(cachedBlockBytes(), 0u);
    // Value-initialised as always, whatever the block held before.
    for (const auto& s : b) {
        ASSERT_EQ(s, ComplexSample{});
    }
    b = SampleBuffer();
    releaseCachedBlocks();
    EXPECT_EQ(cachedBlockBytes(), 0u);
}

TEST(BufferAllocator, BuffersOfOtherSizesGetTheirOwnBlocks) {
    releaseCachedBlocks();
    const ComplexSample* first = nullptr;
    {
        SampleBuffer a(kLargeSamples);
        first = a.data();
    }
    SampleBuffer larger(4 * kLargeSamples, ComplexSample{3.0, 4.0});
    EXPECT_NE(larger.data(), first);
    EXPECT_EQ(larger.back(), (ComplexSample{3.0, 4.0}));
    releaseCachedBlocks();
}

TEST(BufferAllocator, GrowingAndCopyingKeepTheContents) {
    SampleBuffer grown;
    for (int n = 0; n < 300000; ++n) {
        grown.push_back({static_cast<double>(n), -static_cast<double>(n)});
    }
    SampleBuffer copy = grown;
    ASSERT_EQ(copy.size(), 300000u);
    EXPECT_EQ(copy[123456], (ComplexSample{123456.0, -123456.0}));
    EXPECT_TRUE(sameValues(copy, grown));
}

TEST(BufferAllocator, ImpossibleSizesThrowInsteadOfOverflowing) {
    BufferAllocator<ComplexSample> allocator;
    EXPECT_THROW(static_cast<void>(allocator.allocate(std::numeric_limits<std::size_t>::max() / 8)),
                 std::bad_array_new_length);
}

}  // namespace
}  // namespace quorvel
