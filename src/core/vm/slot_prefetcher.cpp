#include "vm/slot_prefetcher.h"

#include <sys/mman.h>
#include <unistd.h>

#include <system_error>

namespace tessary {

namespace {

// Committed per call, so that stop() waits at most for one such piece.
constexpr std::size_t kPieceBytes = std::size_t{2} << 20;

}  // namespace

void SlotPrefetcher::start(std::uint8_t* begin, std::size_t bytes) {
    stop();
#ifdef MADV_POPULATE_WRITE
    if (bytes == 0) return;
    // madvise() takes page-aligned ranges.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(begin) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(begin) + bytes;
    m_stop.store(false, std::memory_order_relaxed);
    try {
        m_thread = std::thread([this, first, end] {
            for (std::uintptr_t at = first; at < end; at += kPieceBytes) {
                if (m_stop.load(std::memory_order_relaxed)) return;
                const std::size_t length = end - at < kPieceBytes ? end - at : kPieceBytes;
                // Fails on kernels without the advice, or when memory is
                // short: then the store's own writes commit the pages.
                if (::madvise(reinterpret_cast<void*>(at), length, MADV_POPULATE_WRITE) != 0)
                    return;
            }
        });
    } catch (const std::system_error&) {
        // No thread to be had: the pages are committed as they are written.
    }
#else
    (void)begin;
    (void)bytes;
#endif
}

void SlotPrefetcher::stop() {
    if (!m_thread.joinable()) return;
    m_stop.store(true, std::memory_order_relaxed);
    m_thread.join();
}

}  // namespace tessary
