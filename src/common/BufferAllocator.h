#pragma once
// Memory for large sample buffers. On these machines the first write to every fresh 4 KiB page
// costs tens of microseconds, so a new 160 MB buffer costs about half a second before a single
// sample is computed. Large blocks are therefore backed by transparent huge pages, and freed ones
// are kept for the next buffer of a run instead of being returned to the system at once.

#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace quorvel {

// Blocks from this size on [bytes] come from the large-block pool; smaller ones from new.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;

// A block of at least bytes, aligned for any sample type; throws std::bad_alloc.
void* allocateLargeBlock(std::size_t bytes);

// Returns a block from allocateLargeBlock of the same size to the pool.
void freeLargeBlock(void* block, std::size_t bytes) noexcept;

// Gives every block kept for reuse back to the system (after a run, say).
void releaseCachedBlocks() noexcept;

// Bytes kept for reuse right now.
std::size_t cachedBlockBytes() noexcept;

// std::allocator for small buffers, the large-block pool for large ones. Stateless: every
// instance can free what any other allocated.
template <typename T>
struct BufferAllocator {
    using value_type = T;

    BufferAllocator() noexcept = default;
    template <typename U>
    BufferAllocator(const BufferAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlockBytes) {
            return std::allocator<T>{}.allocate(count);
        }
        return static_cast<T*>(allocateLargeBlock(bytes));
    }

    void deallocate(T* pointer, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlockBytes) {
            std::allocator<T>{}.deallocate(pointer, count);
        } else {
            freeLargeBlock(pointer, bytes);
        }
    }

    template <typename U>
    friend bool operator==(const BufferAllocator&, const BufferAllocator<U>&) noexcept {
        return true;
    }
};

}  // namespace quorvel
