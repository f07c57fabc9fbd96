#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace tessary {

// Commits a range of the tile store's slot memory ahead of its first use, on
// a thread of its own, so that the first writes into a large image do not
// each wait for the kernel to provide zeroed pages.
//
// Only advice: the pages are committed with MADV_POPULATE_WRITE, which never
// changes what a page holds, so the store's thread may write the same pages
// meanwhile. Where the kernel lacks it, nothing happens.
class SlotPrefetcher {
public:
    SlotPrefetcher() = default;
    ~SlotPrefetcher() { stop(); }
    SlotPrefetcher(const SlotPrefetcher&) = delete;
    SlotPrefetcher& operator=(const SlotPrefetcher&) = delete;

    // Stops any earlier run, then commits [begin, begin + bytes) in the
    // background. The range must stay mapped until stop().
    void start(std::uint8_t* begin, std::size_t bytes);
    // Ends the background work and waits for it; harmless when idle.
    void stop();

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

}  // namespace tessary
