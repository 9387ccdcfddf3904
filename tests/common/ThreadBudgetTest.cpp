#include "common/ThreadBudget.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>

namespace quorvel {
namespace {

// Sets QUORVEL_THREADS (or unsets it) for one scope, and puts back what was there.
class ThreadsVariable {
public:
    explicit ThreadsVariable(const char* value) {
        if (const char* old = getenv("QUORVEL_THREADS")) {
            old_ = old;
        }
        value != nullptr ? setenv("QUORVEL_THREADS", value, 1) : unsetenv("QUORVEL_THREADS");
    }
    ~ThreadsVariable() { old_ ? setenv("QUORVEL_THREADS", old_->c_str(), 1) : unsetenv("QUORVEL_THREADS"); }
    ThreadsVariable(const ThreadsVariable&) = delete;
    ThreadsVariable& operator=(const ThreadsVariable&) = delete;

private:
    std::optional<std::string> old_;
};

unsigned affinityCores() {
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 ? static_cast<unsigned>(CPU_COUNT(&set)) : 0;
}

TEST(ThreadBudget, TakesTheVariableOnlyWhenItIsAWholeNumberInRange) {
    const unsigned cores = affinityCores();
    ASSERT_GT(cores, 0u);
    const struct {
        const char* value;
        unsigned expected;  // 0: the cores
    } cases[] = {
        {nullptr, 0}, {"1", 1}, {"3", 3},  {"1024", 1024}, {"0", 0},  {"1025", 0},           {"-2", 0},
        {"+2", 0},    {" 2", 0}, {"2 ", 0}, {"2x", 0},      {"", 0},   {"99999999999999", 0}, {"0x4", 0},
    };
    for (const auto& c : cases) {
        const ThreadsVariable variable(c.value);
        EXPECT_EQ(threadBudget(), c.expected == 0 ? cores : c.expected) << (c.value ? c.value : "unset");
    }
    EXPECT_EQ(usableCores(), cores);
}

TEST(ThreadBudget, GrantsNoMoreHelpersThanTheBudgetLeavesFree) {
    const ThreadsVariable variable("4");
    ASSERT_EQ(helpersInUse(), 0u);
    {
        HelperThreads first(2);
        EXPECT_EQ(first.count(), 2u);
        HelperThreads second(5);
        EXPECT_EQ(second.count(), 1u);
        EXPECT_EQ(HelperThreads(1).count(), 0u);
        EXPECT_EQ(helpersInUse(), 3u);

        // A moved grant still holds its helpers; the one it left holds none.
        HelperThreads moved(std::move(first));
        EXPECT_EQ(moved.count(), 2u);
        EXPECT_EQ(first.count(), 0u);  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(helpersInUse(), 3u);
        moved = HelperThreads();
        EXPECT_EQ(helpersInUse(), 1u);
        EXPECT_EQ(HelperThreads(9).count(), 2u);
    }
    EXPECT_EQ(helpersInUse(), 0u);
    const ThreadsVariable one("1");
    EXPECT_EQ(HelperThreads(1).count(), 0u);
    EXPECT_EQ(HelperThreads(0).count(), 0u);
}

}  // namespace
}  // namespace quorvel
