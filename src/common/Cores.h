#pragma once
// How many cores this process may run on: the ones its affinity mask allows (taskset, a
// container's CPU set), which the standard library's hardware_concurrency does not look at.

#include <sched.h>

#include <thread>

namespace quorvel {

inline unsigned usableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) {
            return static_cast<unsigned>(count);
        }
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

}  // namespace quorvel
