#include "plugins/movable_memory.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace tessary {

namespace {

// Blocks of at least one byte, so that a zero-sized block still has an
// address distinct from null.
void* allocateZeroed(std::size_t size) {
    return std::calloc(size == 0 ? 1 : size, 1);
}

// Modules ask for sizes in 32 bits; anything larger is refused before the
// allocator sees it.
bool usableSize(std::int64_t size) {
    return size >= 0 && size <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

MovableBlockPool::~MovableBlockPool() {
    releaseAll();
}

MovableBlock* MovableBlockPool::find(const void* block) const {
    if (block == nullptr || m_live.count(block) == 0) return nullptr;
    return static_cast<MovableBlock*>(const_cast<void*>(block));
}

MovableBlock* MovableBlockPool::allocate(std::int64_t size) {
    if (!usableSize(size)) return nullptr;
    auto* block = new (std::nothrow) MovableBlock;
    if (block == nullptr) return nullptr;
    block->master = allocateZeroed(static_cast<std::size_t>(size));
    if (block->master == nullptr) {
        delete block;
        return nullptr;
    }
    block->size = static_cast<std::size_t>(size);
    std::lock_guard<std::mutex> guard(m_mutex);
    try {
        m_live.insert(block);
    } catch (...) {
        std::free(block->master);
        delete block;
        return nullptr;
    }
    return block;
}

bool MovableBlockPool::contains(const void* block) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return find(block) != nullptr;
}

void MovableBlockPool::release(const void* block) {
    std::lock_guard<std::mutex> guard(m_mutex);
    MovableBlock* found = find(block);
    if (found == nullptr) return;
    m_live.erase(block);
    std::free(found->master);
    delete found;
}

bool MovableBlockPool::resize(const void* block, std::int64_t size) {
    std::lock_guard<std::mutex> guard(m_mutex);
    MovableBlock* found = find(block);
    if (found == nullptr || !usableSize(size)) return false;
    const auto newSize = static_cast<std::size_t>(size);
    // A new block is filled and only then the old one freed, so a failure
    // leaves the module's data where it was.
    void* replacement = allocateZeroed(newSize);
    if (replacement == nullptr) return false;
    std::memcpy(replacement, found->master, newSize < found->size ? newSize : found->size);
    std::free(found->master);
    found->master = replacement;
    found->size = newSize;
    return true;
}

void* MovableBlockPool::lock(const void* block) {
    std::lock_guard<std::mutex> guard(m_mutex);
    MovableBlock* found = find(block);
    if (found == nullptr) return nullptr;
    ++found->locks;
    return found->master;
}

void MovableBlockPool::unlock(const void* block) {
    std::lock_guard<std::mutex> guard(m_mutex);
    MovableBlock* found = find(block);
    if (found != nullptr && found->locks > 0) --found->locks;
}

std::int64_t MovableBlockPool::sizeOf(const void* block) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    const MovableBlock* found = find(block);
    return found == nullptr ? 0 : static_cast<std::int64_t>(found->size);
}

std::size_t MovableBlockPool::liveCount() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_live.size();
}

void MovableBlockPool::releaseAll() {
    std::lock_guard<std::mutex> guard(m_mutex);
    for (const void* block : m_live) {
        auto* found = static_cast<MovableBlock*>(const_cast<void*>(block));
        std::free(found->master);
        delete found;
    }
    m_live.clear();
}

MovableBlockPool& plugInHandlePool() {
    static MovableBlockPool pool;
    return pool;
}

MovableBlockPool& plugInBufferPool() {
    static MovableBlockPool pool;
    return pool;
}

TsPiHandle newPlugInHandle(std::int64_t size) {
    return reinterpret_cast<TsPiHandle>(plugInHandlePool().allocate(size));
}

void disposePlugInHandle(TsPiHandle handle) {
    plugInHandlePool().release(handle);
}

bool isLivePlugInHandle(TsPiHandle handle) {
    return plugInHandlePool().contains(handle);
}

std::int64_t plugInHandleSize(TsPiHandle handle) {
    return plugInHandlePool().sizeOf(handle);
}

void* plugInHandleData(TsPiHandle handle) {
    if (!plugInHandlePool().contains(handle)) return nullptr;
    return reinterpret_cast<MovableBlock*>(handle)->master;
}

}  // namespace tessary
