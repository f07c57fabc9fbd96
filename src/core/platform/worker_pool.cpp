#include "platform/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>

#include "platform/assert.h"

namespace tessary {

namespace {

// How long a thread of a team that has nothing to do checks for work before
// it sleeps. Jobs normally follow each other within microseconds, and
// putting a thread to sleep and waking it costs far more than that (on a
// virtual machine waking an idle processor can take a tenth of a
// millisecond).
constexpr auto kSpinTime = std::chrono::microseconds(200);

// Spins until `changed` returns true or kSpinTime has passed.
template <class Changed>
void spinFor(Changed changed) {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    do {
        for (int i = 0; i < 64; ++i) {
            if (changed()) return;
        }
    } while (std::chrono::steady_clock::now() < until);
}

}  // namespace

int WorkerPool::hardwareThreads() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int WorkerPool::resolveThreadCount(int requested) {
    return requested > 0 ? requested : hardwareThreads();
}

WorkerPool::WorkerPool(int threads) : m_threads(resolveThreadCount(threads)) {}

WorkerPool::~WorkerPool() {
    stop();
}

void WorkerPool::setThreadCount(int threads) {
    threads = resolveThreadCount(threads);
    if (threads == m_threads) return;
    stop();
    m_threads = threads;
}

void WorkerPool::start() {
    m_stopping = false;
    // A helper that cannot be started leaves a smaller team.
    for (int i = 1; i < m_threads; ++i) {
        try {
            m_helpers.emplace_back([this, seen = m_generation] { helperLoop(seen); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

void WorkerPool::stop() {
    {
        std::lock_guard lock(m_mutex);
        TS_ASSERT(!m_busy);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& helper : m_helpers) helper.join();
    m_helpers.clear();
}

void WorkerPool::helperLoop(std::uint64_t seen) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || m_generation != seen; });
        if (m_stopping) return;
        seen = m_generation;
        const std::function<void()>* task = m_task;
        lock.unlock();
        (*task)();
        lock.lock();
        if (--m_running == 0) m_done.notify_all();
    }
}

bool WorkerPool::claim() {
    std::lock_guard lock(m_mutex);
    if (m_busy) return false;
    m_busy = true;
    return true;
}

bool WorkerPool::runTeam(const std::function<void()>& helper, const std::function<void()>& owner) {
    if (!claim()) {
        owner();
        return false;
    }
    // The pool is this caller's now. Helpers are started for the first
    // team, so that a command that never spreads its work starts none.
    if (m_helpers.empty() && m_threads > 1) start();
    const bool team = !m_helpers.empty();
    {
        std::lock_guard lock(m_mutex);
        if (team) {
            m_task = &helper;
            m_running = static_cast<int>(m_helpers.size());
            ++m_generation;
        } else {
            m_busy = false;
        }
    }
    if (!team) {
        owner();
        return false;
    }
    m_wake.notify_all();
    owner();
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_running == 0; });
    m_task = nullptr;
    m_busy = false;
    return true;
}

int OrderedJobs::slotsFor(const WorkerPool* pool) {
    return pool && pool->threadCount() > 1 ? 2 * pool->threadCount() + 1 : 1;
}

std::int64_t OrderedJobs::run(WorkerPool* pool, std::int64_t count, int slots, const Step& prepare,
                              const Compute& compute, const Step& finish) {
    TS_ASSERT(slots >= 1);
    if (pool == nullptr || pool->threadCount() == 1) {
        for (std::int64_t job = 0; job < count; ++job) {
            const int slot = static_cast<int>(job % slots);
            if (!prepare(job, slot)) return job;
            compute(job, slot);
            if (!finish(job, slot)) return job;
        }
        return count;
    }

    // Shared between the owner and the helpers, under `mutex`: jobs prepared
    // and waiting for a thread, how many are being computed, which are
    // computed (by slot: the job whose result the slot holds, or -1), and
    // who sleeps. A wake-up is a system call that costs about as much as a
    // small job, so only sleepers are woken.
    std::mutex mutex;
    std::condition_variable workReady;
    std::condition_variable jobDone;
    std::deque<std::int64_t> waiting;
    std::vector<std::int64_t> computed(static_cast<std::size_t>(slots), -1);
    int computing = 0;
    int idleHelpers = 0;
    bool ownerWaits = false;
    bool closing = false;
    std::int64_t finished = 0;

    // Jobs handed out and jobs computed so far, which waiting threads watch
    // without the mutex while they spin.
    std::atomic<std::int64_t> pushed{0};
    std::atomic<std::int64_t> done{0};

    auto computeOne = [&](std::unique_lock<std::mutex>& lock) {
        const std::int64_t job = waiting.front();
        waiting.pop_front();
        ++computing;
        lock.unlock();
        const int slot = static_cast<int>(job % slots);
        compute(job, slot);
        lock.lock();
        --computing;
        computed[static_cast<std::size_t>(slot)] = job;
        done.fetch_add(1, std::memory_order_relaxed);
        if (ownerWaits) jobDone.notify_one();
    };

    const std::function<void()> helper = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!closing && waiting.empty()) {
                const std::int64_t seen = pushed.load(std::memory_order_relaxed);
                lock.unlock();
                spinFor([&] { return pushed.load(std::memory_order_relaxed) != seen; });
                lock.lock();
            }
            if (!closing && waiting.empty()) {
                ++idleHelpers;
                workReady.wait(lock, [&] { return closing || !waiting.empty(); });
                --idleHelpers;
            }
            if (waiting.empty()) return;
            computeOne(lock);
        }
    };
    // Sleeps until `ready` holds; the helpers wake the owner.
    auto ownerWait = [&](std::unique_lock<std::mutex>& lock, auto ready) {
        const std::int64_t seen = done.load(std::memory_order_relaxed);
        lock.unlock();
        spinFor([&] { return done.load(std::memory_order_relaxed) != seen; });
        lock.lock();
        ownerWaits = true;
        jobDone.wait(lock, ready);
        ownerWaits = false;
    };

    const std::function<void()> owner = [&] {
        std::int64_t next = 0;
        std::int64_t end = count;  // lowered to the job whose prepare failed
        while (finished < end) {
            for (; next < end && next - finished < slots; ++next) {
                if (!prepare(next, static_cast<int>(next % slots))) {
                    end = next;
                    break;
                }
                std::lock_guard lock(mutex);
                waiting.push_back(next);
                pushed.store(next + 1, std::memory_order_relaxed);
                if (idleHelpers > 0) workReady.notify_one();
            }
            if (finished == end) break;
            const int slot = static_cast<int>(finished % slots);
            std::unique_lock lock(mutex);
            if (computed[static_cast<std::size_t>(slot)] == finished) {
                lock.unlock();
                if (!finish(finished, slot)) break;
                ++finished;
            } else if (!waiting.empty()) {
                computeOne(lock);
            } else {
                ownerWait(lock,
                          [&] { return computed[static_cast<std::size_t>(slot)] == finished; });
            }
        }
        // Stop the helpers; a job still being computed owns its slot's
        // buffers until it is done.
        std::unique_lock lock(mutex);
        waiting.clear();
        closing = true;
        workReady.notify_all();
        ownerWait(lock, [&] { return computing == 0; });
    };

    pool->runTeam(helper, owner);
    return finished;
}

}  // namespace tessary
