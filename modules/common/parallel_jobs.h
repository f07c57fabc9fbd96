#pragma once

#include <cstddef>
#include <functional>

namespace tessary::modules {

// Runs job(0) ... job(count - 1) on up to `threads` threads, the caller's
// among them, and returns when all are done. Jobs must not call the host.
// A thread that cannot be started leaves its share to the others. A job
// that throws stops the rest; std::bad_alloc then reaches the caller.
void runJobs(int threads, std::size_t count, const std::function<void(std::size_t)>& job);

}  // namespace tessary::modules
