#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_set>

#include "tessary_plugin.h"

namespace tessary {

// A movable memory block: modules reach it through a handle, a pointer to
// the block's master pointer, so the host may reallocate the block (set
// size) while the handle stays the same. Dereferencing a handle gives the
// block's current address, as modules written for the published interface
// expect; locking returns the same address.
struct MovableBlock {
    void* master = nullptr;  // the block (first member: a handle points here)
    std::size_t size = 0;    // bytes the module asked for
    std::int32_t locks = 0;  // lock count, kept for the module's bookkeeping
};

// The live blocks of one kind (handles or buffers). Every pointer a module
// hands back is looked up here before use, so a stale, freed or invented
// handle is ignored instead of being followed.
class MovableBlockPool {
public:
    MovableBlockPool() = default;
    ~MovableBlockPool();
    MovableBlockPool(const MovableBlockPool&) = delete;
    MovableBlockPool& operator=(const MovableBlockPool&) = delete;

    // A new zero-filled block of `size` bytes; null when size is negative,
    // above the 32-bit range modules work in, or memory ran out.
    MovableBlock* allocate(std::int64_t size);
    // True when `block` was allocated here and not released yet.
    bool contains(const void* block) const;
    // Frees a live block; anything else (null included) is ignored.
    void release(const void* block);
    // Reallocates a live block to `size` bytes, zero-filling what it gains.
    // False, with the old block intact, for an unknown block, a size
    // outside 0 ... 2^31 - 1 or a failed allocation.
    bool resize(const void* block, std::int64_t size);
    // The block's address (null for an unknown block); counts the lock.
    void* lock(const void* block);
    void unlock(const void* block);
    // The block's size; 0 for an unknown block.
    std::int64_t sizeOf(const void* block) const;

    std::size_t liveCount() const;
    // Frees every live block.
    void releaseAll();

private:
    MovableBlock* find(const void* block) const;

    mutable std::mutex m_mutex;
    std::unordered_set<const void*> m_live;
};

// The process-wide pools behind the handle suite and the buffer suite.
MovableBlockPool& plugInHandlePool();
MovableBlockPool& plugInBufferPool();

// Handle-suite operations on the handle pool, as the host itself uses them
// for a filter's saved parameters.
TsPiHandle newPlugInHandle(std::int64_t size);
void disposePlugInHandle(TsPiHandle handle);
bool isLivePlugInHandle(TsPiHandle handle);
std::int64_t plugInHandleSize(TsPiHandle handle);
// The block of a live handle, or null.
void* plugInHandleData(TsPiHandle handle);

}  // namespace tessary
