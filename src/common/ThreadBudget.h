#pragma once
// The threads the process computes on at once: QUORVEL_THREADS when it holds a whole number from
// 1, otherwise the cores the process may run on (its affinity mask: taskset, a container's CPU
// set). Every mechanism that starts helper threads (a file's stage threads and its finishing
// thread, the CSV formatters, the dataset's capture makers) draws them from this one budget and
// hands them back when they end, so that however they nest, no more threads compute at once than
// the budget allows. A mechanism granted fewer helpers does the rest of its work inline.

#include <cstddef>

namespace quorvel {

// The cores this process may run on, at least 1.
unsigned usableCores();

// QUORVEL_THREADS, or usableCores() when it is unset or not a whole number from 1 to
// kMaxThreadBudget.
unsigned threadBudget();

inline constexpr unsigned kMaxThreadBudget = 1024;

// Helper threads drawn from the budget, and handed back when the grant goes. The thread that
// asks is already counted: with a budget of one no helper is ever granted.
class HelperThreads {
public:
    HelperThreads() = default;
    // As many helpers as the budget has free, up to `wanted`; none when it has none free.
    explicit HelperThreads(unsigned wanted);
    ~HelperThreads();

    HelperThreads(HelperThreads&& other) noexcept;
    HelperThreads& operator=(HelperThreads&& other) noexcept;
    HelperThreads(const HelperThreads&) = delete;
    HelperThreads& operator=(const HelperThreads&) = delete;

    unsigned count() const { return count_; }

private:
    unsigned count_ = 0;
};

// Helpers granted and not yet handed back, over the whole process.
unsigned helpersInUse();

}  // namespace quorvel
