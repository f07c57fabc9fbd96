#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tessary {
namespace {

// What one run of OrderedJobs did, seen from the owner.
struct Trace {
    std::vector<std::int64_t> prepared, finished;
    std::set<std::thread::id> computers;
    std::int64_t returned = 0;
    bool computedBeforeFinish = true;
};

// Runs `count` jobs whose compute writes job + 1 into its slot; finish
// checks the slot holds its own job's result. Stops when finish reaches
// `stopAt` (or prepare reaches `stopPrepareAt`).
Trace runJobs(WorkerPool* pool, std::int64_t count, std::int64_t stopAt,
              std::int64_t stopPrepareAt = -1) {
    Trace trace;
    const int slots = OrderedJobs::slotsFor(pool);
    std::vector<std::int64_t> slot(static_cast<std::size_t>(slots), -1);
    std::mutex mutex;
    trace.returned = OrderedJobs::run(
        pool, count, slots,
        [&](std::int64_t job, int s) {
            if (job == stopPrepareAt) return false;
            trace.prepared.push_back(job);
            slot[static_cast<std::size_t>(s)] = -1;
            return true;
        },
        [&](std::int64_t job, int s) {
            // Enough work that every thread of the pool gets some.
            volatile std::uint64_t spin = 0;
            for (int i = 0; i < 200000; ++i) spin = spin + static_cast<std::uint64_t>(i);
            slot[static_cast<std::size_t>(s)] = job + 1;
            std::lock_guard lock(mutex);
            trace.computers.insert(std::this_thread::get_id());
        },
        [&](std::int64_t job, int s) {
            if (slot[static_cast<std::size_t>(s)] != job + 1) trace.computedBeforeFinish = false;
            if (job == stopAt) return false;
            trace.finished.push_back(job);
            return true;
        });
    return trace;
}

TEST(WorkerPoolTest, JobsFinishInOrderOnEveryPool) {
    WorkerPool one(1), two(2), four(4);
    for (WorkerPool* pool : {static_cast<WorkerPool*>(nullptr), &one, &two, &four}) {
        SCOPED_TRACE(pool ? pool->threadCount() : 0);
        const Trace trace = runJobs(pool, 64, -1);
        EXPECT_EQ(trace.returned, 64);
        ASSERT_EQ(trace.finished.size(), 64u);
        for (std::int64_t job = 0; job < 64; ++job) {
            EXPECT_EQ(trace.prepared[static_cast<std::size_t>(job)], job);
            EXPECT_EQ(trace.finished[static_cast<std::size_t>(job)], job);
        }
        EXPECT_TRUE(trace.computedBeforeFinish);
        if (pool && pool->threadCount() > 1) EXPECT_GT(trace.computers.size(), 1u);
        if (!pool || pool->threadCount() == 1) EXPECT_EQ(trace.computers.size(), 1u);
    }
}

TEST(WorkerPoolTest, AStoppedRunFinishesNothingMoreAndCanRunAgain) {
    WorkerPool pool(3);
    const Trace byFinish = runJobs(&pool, 100, 10);
    EXPECT_EQ(byFinish.returned, 10);
    EXPECT_EQ(byFinish.finished.size(), 10u);
    EXPECT_LE(byFinish.prepared.size(),
              10u + static_cast<std::size_t>(OrderedJobs::slotsFor(&pool)));

    const Trace byPrepare = runJobs(&pool, 100, -1, 7);
    EXPECT_EQ(byPrepare.returned, 7);
    EXPECT_EQ(byPrepare.finished.size(), 7u);

    pool.setThreadCount(2);
    EXPECT_EQ(runJobs(&pool, 20, -1).returned, 20);
}

TEST(WorkerPoolTest, ANestedRunGetsNoHelpersButCompletes) {
    WorkerPool pool(2);
    bool nestedHadHelpers = true;
    std::int64_t nested = 0;
    pool.runTeam([] {},
                 [&] {
                     nestedHadHelpers = pool.runTeam([] {}, [] {});
                     nested = runJobs(&pool, 12, -1).returned;
                 });
    EXPECT_FALSE(nestedHadHelpers);
    EXPECT_EQ(nested, 12);
    EXPECT_EQ(WorkerPool::resolveThreadCount(0), WorkerPool::hardwareThreads());
    EXPECT_EQ(WorkerPool(0).threadCount(), WorkerPool::hardwareThreads());
}

}  // namespace
}  // namespace tessary
