#include "common/BufferAllocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

namespace quorvel {
namespace {

// Huge pages are 2 MiB on x86-64 and most arm64 systems; blocks are sized and aligned to them.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
// A run holds about three large buffers at once; keeping a few more than that for reuse covers
// every stage without hoarding memory.
constexpr std::size_t kMaxCachedBlocks = 6;

std::size_t roundToHugePages(std::size_t bytes) {
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

void* mapBlock(std::size_t bytes) {
    // Over-allocate by one huge page, then trim both ends so the block starts on a huge-page
    // boundary, where the kernel can back it with huge pages.
    const std::size_t mapped = bytes + kHugePageBytes;
    void* region = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(region);
    const auto aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    if (aligned > start) {
        munmap(region, aligned - start);
    }
    const std::size_t tail = start + mapped - (aligned + bytes);
    if (tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    }
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, bytes, MADV_HUGEPAGE);  // advice only: without huge pages it still works
    return block;
}

struct Block {
    void* address;
    std::size_t bytes;
};

class BlockPool {
public:
    void* take(std::size_t bytes) {
        {
            const std::lock_guard lock(mutex_);
            // Only a block of the same size: the size freeLargeBlock is given must be the one
            // that was mapped. The buffers of one run share their sizes, so this is what hits.
            const auto best = std::find_if(blocks_.begin(), blocks_.end(),
                                           [bytes](const Block& b) { return b.bytes == bytes; });
            if (best != blocks_.end()) {
                void* address = best->address;
                blocks_.erase(best);
                return address;
            }
        }
        return mapBlock(bytes);
    }

    void give(void* address, std::size_t bytes) noexcept {
        const std::lock_guard lock(mutex_);
        if (blocks_.size() < kMaxCachedBlocks) {
            try {
                blocks_.push_back({address, bytes});
                return;
            } catch (...) {
                // No room to remember it: return it to the system instead.
            }
        }
        munmap(address, bytes);
    }

    void release() noexcept {
        const std::lock_guard lock(mutex_);
        for (const auto& block : blocks_) {
            munmap(block.address, block.bytes);
        }
        blocks_.clear();
    }

    std::size_t cachedBytes() noexcept {
        const std::lock_guard lock(mutex_);
        std::size_t total = 0;
        for (const auto& block : blocks_) {
            total += block.bytes;
        }
        return total;
    }

private:
    std::mutex mutex_;
    std::vector<Block> blocks_;
};

BlockPool& pool() {
    // Never destroyed: buffers of static lifetime may still be freed during exit.
    static BlockPool* instance = new BlockPool;
    return *instance;
}

}  // namespace

void* allocateLargeBlock(std::size_t bytes) {
    return pool().take(roundToHugePages(bytes));
}

void freeLargeBlock(void* block, std::size_t bytes) noexcept {
    pool().give(block, roundToHugePages(bytes));
}

void releaseCachedBlocks() noexcept {
    pool().release();
}

std::size_t cachedBlockBytes() noexcept {
    return pool().cachedBytes();
}

}  // namespace quorvel
