#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessary {

// A fixed team of helper threads that work beside the thread that owns the
// pages (the owner, normally the user-interface thread). A pool of n threads
// keeps n - 1 helpers; the owner is the n-th.
//
// Rules for threads in the engine: the tile store, ImageData, PageData and
// Page are used by the owner only. Helpers compute on buffers the owner
// filled for them and hand the results back for the owner to write, or
// write into tiles the owner opened for their job (ImageData::openTile());
// they never call the store, the progress window or any port. OrderedJobs
// puts these rules into one loop that the workers share.
//
// One team runs at a time. A call made while the team is busy (from a job,
// or from a second owner) gets no helpers and runs on its caller alone, so
// nested or concurrent use is slower but never wrong.
class WorkerPool {
public:
    // All cores: std::thread::hardware_concurrency(), at least 1.
    static int hardwareThreads();
    // A count of 0 or less means all cores.
    static int resolveThreadCount(int requested);

    // `threads` as resolveThreadCount() reads it.
    explicit WorkerPool(int threads);
    // Stops and joins the helpers; no team may be running.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Helpers plus the owner, at least 1. The helpers are started for the
    // first team (a helper that cannot be started leaves that team and the
    // later ones smaller).
    int threadCount() const { return m_threads; }
    // Stops the helpers (owner thread only, no team running); the next team
    // starts the new count.
    void setThreadCount(int threads);

    // Runs `helper` on every helper thread while the caller runs `owner`,
    // and returns when all of them have returned. `owner` must make the
    // helpers return (they typically wait for work that it hands out, and
    // stop when it says so). Without helpers, or while another team runs,
    // only `owner` runs and false is returned.
    bool runTeam(const std::function<void()>& helper, const std::function<void()>& owner);

private:
    // Starts the helpers; by the caller that claimed the pool.
    void start();
    void stop();
    // Marks the pool busy for the caller; false when a team already runs.
    bool claim();
    // `seen` is the team generation when the helper was started: it joins
    // only teams started after it.
    void helperLoop(std::uint64_t seen);

    int m_threads = 1;
    std::vector<std::thread> m_helpers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    const std::function<void()>* m_task = nullptr;
    std::uint64_t m_generation = 0;
    int m_running = 0;
    bool m_busy = false;
    bool m_stopping = false;
};

// Runs `count` jobs through three steps: prepare (on the owner, in job
// order), compute (on any thread of the pool, the owner included) and finish
// (on the owner, in job order). Up to `slots` jobs are between prepare and
// finish at once; each job owns the slot `job % slots` meanwhile, so the
// caller keeps one set of buffers per slot and compute touches only its
// slot's buffers and data that nobody writes during the run.
//
// prepare and finish return false to stop the run (an error or a cancel the
// caller records). After a failed finish nothing more is finished; after a
// failed prepare the jobs before it are still finished, as they would be one
// job at a time. Either way no later job is prepared, and jobs still being
// computed are waited for before run() returns. The owner computes
// jobs itself while the oldest job is not ready, so a pool of one thread (or
// a null pool) runs prepare, compute, finish job by job, exactly in order.
//
// Returns the number of jobs finished (count when nothing stopped the run).
class OrderedJobs {
public:
    using Step = std::function<bool(std::int64_t job, int slot)>;
    using Compute = std::function<void(std::int64_t job, int slot)>;

    // Slots for a pool: enough for the owner to prepare and finish while
    // every thread computes; 1 without helpers.
    static int slotsFor(const WorkerPool* pool);

    static std::int64_t run(WorkerPool* pool, std::int64_t count, int slots, const Step& prepare,
                            const Compute& compute, const Step& finish);
};

}  // namespace tessary
