#include "common/parallel_jobs.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace tessary::modules {

void runJobs(int threads, std::size_t count, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        try {
            for (std::size_t i = next++; i < count && !failed; i = next++) job(i);
        } catch (...) {
            failed = true;
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t wanted =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), count);
    for (std::size_t t = 1; t < wanted; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failed) throw std::bad_alloc();
}

}  // namespace tessary::modules
