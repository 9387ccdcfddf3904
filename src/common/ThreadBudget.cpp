#include "common/ThreadBudget.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace quorvel {
namespace {

std::atomic<unsigned> inUse{0};

}  // namespace

unsigned usableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return static_cast<unsigned>(count);
        }
    }
    // hardware_concurrency ignores the affinity mask: only a fallback.
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

unsigned threadBudget() {
    if (const char* text = std::getenv("QUORVEL_THREADS")) {
        const char* end = text + std::strlen(text);
        unsigned value = 0;
        const auto [stop, error] = std::from_chars(text, end, value);
        if (error == std::errc{} && stop == end && value >= 1 && value <= kMaxThreadBudget) {
            return value;
        }
    }
    return usableCores();
}

HelperThreads::HelperThreads(unsigned wanted) {
    if (wanted == 0) {
        return;
    }
    const unsigned helpers = threadBudget() - 1;
    unsigned used = inUse.load(std::memory_order_relaxed);
    unsigned take = 0;
    do {
        take = used < helpers ? std::min(wanted, helpers - used) : 0;
        if (take == 0) {
            return;
        }
    } while (!inUse.compare_exchange_weak(used, used + take, std::memory_order_relaxed));
    count_ = take;
}

HelperThreads::~HelperThreads() {
    if (count_ > 0) {
        inUse.fetch_sub(count_, std::memory_order_relaxed);
    }
}

HelperThreads::HelperThreads(HelperThreads&& other) noexcept : count_(std::exchange(other.count_, 0)) {}

HelperThreads& HelperThreads::operator=(HelperThreads&& other) noexcept {
    if (this != &other) {
        if (count_ > 0) {
            inUse.fetch_sub(count_, std::memory_order_relaxed);
        }
        count_ = std::exchange(other.count_, 0);
    }
    return *this;
}

unsigned helpersInUse() {
    return inUse.load(std::memory_order_relaxed);
}

}  // namespace quorvel
