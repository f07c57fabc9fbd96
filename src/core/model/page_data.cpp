#include "model/page_data.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "model/page_data_list.h"
#include "model/page_state_record.h"
#include "platform/assert.h"

namespace tessary {

PageData::PageData(VMTile& store, PageDataList* list) : m_store(store) {
    if (list && list->add(this)) m_list = list;
}

PageData::~PageData() {
    clearRedo();
    clearUndo();
    delete m_current;
    m_current = nullptr;
    if (m_list) m_list->remove(this);
}

template <class Operation>
bool PageData::retry(ImageData* const& state, Operation&& operation) {
    for (;;) {
        if (operation()) return true;
        // A state that could not even be made ran out of memory.
        m_lastFailure = state ? state->lastFailure() : Failure::kMemory;
        // Freeing older states gives tiles and memory, nothing else: a disk
        // that fails or a plane past 32 bits fails the same way again.
        if (m_lastFailure != Failure::kTilesShort && m_lastFailure != Failure::kMemory)
            return false;
        if (!m_list || !m_list->purge(this)) return false;
    }
}

bool PageData::refuse() {
    m_lastFailure = Failure::kLimits;
    return false;
}

ImageData* PageData::newState() {
    return new (std::nothrow) ImageData(m_store);
}

void PageData::replaceCurrent(ImageData* state) {
    delete m_current;
    m_current = state;
    m_current->setNewer(nullptr);
    m_current->setOlder(nullptr);
}

// ---------------------------------------------------------------------------
// Building the current state

bool PageData::create(int planeCount, std::int32_t width, std::int32_t height,
                      const std::uint8_t* fills) {
    // Arguments that can never succeed must not set off the purge.
    if (planeCount < 1 || planeCount > ImageData::kMaxPlanes || width < 0 || height < 0) {
        return refuse();
    }
    ImageData* state = nullptr;
    const bool made = retry(state, [&] {
        if (!state) state = newState();
        return state && state->create(planeCount, width, height, fills);
    });
    if (!made) {
        delete state;
        return false;
    }
    replaceCurrent(state);
    return true;
}

bool PageData::createCopy(const PageData& source) {
    TS_ASSERT(source.m_current != nullptr && &source.m_store == &m_store);
    ImageData* state = nullptr;
    const bool made = retry(state, [&] {
        if (!state) state = newState();
        return state && state->duplicate(*source.m_current);
    });
    if (!made) {
        delete state;
        return false;
    }
    replaceCurrent(state);
    return true;
}

bool PageData::reshape(int planeCount, std::int32_t width, std::int32_t height,
                       const std::uint8_t* fills, const void* record, std::size_t recordBytes) {
    if (planeCount < 1 || planeCount > ImageData::kMaxPlanes || width < 0 || height < 0) {
        return refuse();
    }
    ImageData* state = nullptr;
    bool ok = retry(state, [&] {
        if (!state) state = newState();
        if (!state) return false;
        return m_current ? state->duplicate(*m_current)
                         : state->create(planeCount, width, height, fills);
    });
    while (ok && state->planeCount() > planeCount) {
        ok = retry(state, [&] { return state->removePlane(state->planeCount() - 1); });
    }
    while (ok && state->planeCount() < planeCount) {
        const int index = state->planeCount();
        ok = retry(state, [&] { return state->insertPlane(index, fills[index]); });
    }
    if (ok && (state->width() != width || state->height() != height)) {
        ok = retry(state, [&] { return state->resize(width, height, fills); });
    }
    if (ok && record)
        ok = retry(state, [&] { return state->writeStateRecord(record, recordBytes); });
    if (!ok) {
        delete state;
        return false;
    }
    replaceCurrent(state);
    return true;
}

// ---------------------------------------------------------------------------
// Plane operations

bool PageData::insertPlane(int index, std::uint8_t fill) {
    TS_ASSERT(m_current != nullptr);
    if (m_current->planeCount() >= ImageData::kMaxPlanes) return refuse();
    return retry(m_current, [&] { return m_current->insertPlane(index, fill); });
}

bool PageData::removePlane(int index) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->removePlane(index); });
}

bool PageData::offsetPlane(int index, std::int32_t dx, std::int32_t dy, std::uint8_t fill) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->offsetPlane(index, dx, dy, fill); });
}

bool PageData::sharePlane(int index, const PageData& source, int sourcePlane) {
    TS_ASSERT(m_current != nullptr && source.m_current != nullptr);
    // The source state is looked up on every try: the purge never destroys
    // the current state or this page's newest undo state, but the lookup
    // keeps that reasoning out of this function.
    return retry(m_current, [&] {
        const ImageData* from = &source == this ? previous() : source.m_current;
        return m_current->sharePlane(index, *from, sourcePlane);
    });
}

bool PageData::resize(std::int32_t width, std::int32_t height, const std::uint8_t* fills) {
    TS_ASSERT(m_current != nullptr);
    if (width < 0 || height < 0) return refuse();
    return retry(m_current, [&] { return m_current->resize(width, height, fills); });
}

bool PageData::extendPlane(int index, const Rect& area, std::uint8_t fill) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->extendPlane(index, area, fill); });
}

// ---------------------------------------------------------------------------
// Pixels

bool PageData::readRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->readRow(plane, x, y, count, dest);
}

bool PageData::readRowFromPrevious(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                                   std::uint8_t* dest) const {
    TS_ASSERT(m_current != nullptr);
    return previous()->readRow(plane, x, y, count, dest);
}

bool PageData::readRowWithinFromPrevious(int plane, std::int32_t x, std::int32_t y,
                                         std::int32_t count, std::uint8_t* dest,
                                         const Rect& clamp) const {
    TS_ASSERT(m_current != nullptr);
    return previous()->readRowWithin(plane, x, y, count, dest, clamp);
}

bool PageData::readBlockWithinFromPrevious(int plane, const Rect& rect, std::uint8_t* dest,
                                           std::ptrdiff_t stride, const Rect& clamp) const {
    TS_ASSERT(m_current != nullptr);
    return previous()->readBlockWithin(plane, rect, dest, stride, clamp);
}

bool PageData::planBlockReadWithinFromPrevious(int plane, const Rect& rect, const Rect& clamp,
                                               SharedTileLocks& locks, BlockReadPlan& plan) const {
    TS_ASSERT(m_current != nullptr);
    return previous()->planBlockReadWithin(plane, rect, clamp, locks, plan);
}

bool PageData::readRowOrFill(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                             std::uint8_t* dest, std::uint8_t fill) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->readRowOrFill(plane, x, y, count, dest, fill);
}

bool PageData::writeRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                        const std::uint8_t* source) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->writeRow(plane, x, y, count, source); });
}

bool PageData::writeColumn(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                           const std::uint8_t* source) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->writeColumn(plane, x, y, count, source); });
}

bool PageData::readPixel(std::int32_t x, std::int32_t y, std::uint32_t* dest) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->readPixel(x, y, dest);
}

Rect PageData::wholeTilesFromPrevious(int plane, const Rect& rect) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->wholeTilesWithin(plane, rect, *previous());
}

bool PageData::mapTilesFromPrevious(int plane, const Rect& tiles, const ImageData::SampleMap& map) {
    TS_ASSERT(m_current != nullptr);
    // The previous state is looked up on every try, as in sharePlane().
    return retry(m_current, [&] { return m_current->mapTiles(plane, tiles, *previous(), map); });
}

bool PageData::isWholeTile(int plane, const Rect& tile) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->isWholeTile(plane, tile);
}

bool PageData::writeTile(int plane, const Rect& tile, const std::uint8_t* source,
                         std::ptrdiff_t stride, int step) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current,
                 [&] { return m_current->writeTile(plane, tile, source, stride, step); });
}

std::uint8_t* PageData::openTile(int plane, const Rect& tile, ImageData::OpenTile& open) {
    TS_ASSERT(m_current != nullptr);
    std::uint8_t* block = nullptr;
    retry(m_current, [&] { return (block = m_current->openTile(plane, tile, open)) != nullptr; });
    return block;
}

void PageData::closeTile(const ImageData::OpenTile& open) {
    TS_ASSERT(m_current != nullptr);
    m_current->closeTile(open);
}

void PageData::discardTile(const ImageData::OpenTile& open) {
    TS_ASSERT(m_current != nullptr);
    m_current->discardTile(open);
}

bool PageData::canLockTiles(std::uint32_t count) const {
    const std::uint64_t slots = m_store.memorySlots();
    return std::uint64_t{m_store.lockedSlots()} + count <= slots / 4;
}

bool PageData::boundsAbove(int plane, std::uint8_t threshold, Rect& out) const {
    TS_ASSERT(m_current != nullptr);
    return m_current->boundsAbove(plane, threshold, out);
}

void PageData::readStateRecord(void* dest, std::size_t bytes) const {
    if (m_current) {
        m_current->readStateRecord(dest, bytes);
    } else {
        std::memset(dest, 0, std::min(bytes, ImageData::kStateRecordBytes));
    }
}

void PageData::readRedoStateRecord(void* dest, std::size_t bytes) const {
    if (m_redoNewest) {
        m_redoNewest->readStateRecord(dest, bytes);
    } else {
        std::memset(dest, 0, std::min(bytes, ImageData::kStateRecordBytes));
    }
}

bool PageData::writeStateRecord(const void* source, std::size_t bytes) {
    TS_ASSERT(m_current != nullptr);
    return retry(m_current, [&] { return m_current->writeStateRecord(source, bytes); });
}

// ---------------------------------------------------------------------------
// Undo and redo

bool PageData::beginChange() {
    TS_ASSERT(m_current != nullptr);
    clearRedo();
    ImageData* copy = nullptr;
    const bool made = retry(copy, [&] {
        if (!copy) copy = newState();
        return copy && copy->duplicate(*m_current);
    });
    if (!made) {
        delete copy;
        return false;
    }
    // The current state becomes the newest undo state.
    m_current->setNewer(nullptr);
    m_current->setOlder(m_undoNewest);
    if (m_undoNewest) {
        m_undoNewest->setNewer(m_current);
    } else {
        m_undoOldest = m_current;
    }
    m_undoNewest = m_current;
    ++m_undoCount;
    m_current = copy;
    m_current->setNewer(nullptr);
    m_current->setOlder(nullptr);
    m_changeOpen = true;
    return true;
}

void PageData::setHistoryDepth(int depth) {
    TS_ASSERT(depth >= 0 && depth <= kMaxUndo && !m_changeOpen);
    m_historyDepth = std::clamp(depth, 0, kMaxUndo);
    while (m_undoCount > m_historyDepth) dropOldestUndo();
}

void PageData::releasePrevious(int plane, const Rect& area) {
    if (m_historyDepth != 0 || !m_changeOpen || m_undoNewest == nullptr) return;
    if (plane < 0 || plane >= m_undoNewest->planeCount()) return;
    m_undoNewest->releaseTiles(plane, area);
    m_previousReleased = true;
}

void PageData::releasePreviousAbove(int plane, std::int32_t y) {
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    releasePrevious(plane, Rect{kLow, kLow, kHigh, y});
}

void PageData::releasePreviousLeftOf(int plane, std::int32_t x) {
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    releasePrevious(plane, Rect{kLow, kLow, x, kHigh});
}

void PageData::endChange() {
    m_changeOpen = false;
    m_previousReleased = false;
    while (m_undoCount > m_historyDepth) dropOldestUndo();
}

void PageData::abortChange() {
    // No trimming here: the state dropped to make room would be one the page
    // had before the change began.
    m_changeOpen = false;
    if (m_previousReleased) {
        // The state before the change is no longer whole: keep the current
        // one, and let go of the remains of the previous one.
        m_previousReleased = false;
        while (m_undoCount > m_historyDepth) dropOldestUndo();
        return;
    }
    if (m_undoCount == 0) return;
    ImageData* abandoned = m_current;
    m_current = m_undoNewest;
    m_undoNewest = m_current->older();
    if (m_undoNewest) {
        m_undoNewest->setNewer(nullptr);
    } else {
        m_undoOldest = nullptr;
    }
    --m_undoCount;
    m_current->setNewer(nullptr);
    m_current->setOlder(nullptr);
    delete abandoned;
}

// The history is two lists seen from the current state: undo states
// (older) and redo states (newer), each linked newest first through
// older(). Undo and redo are the same step in opposite directions.
void PageData::stepHistory(ImageData*& fromNewest, ImageData*& fromOldest, int& fromCount,
                           ImageData*& toNewest, ImageData*& toOldest, int& toCount) {
    // Current -> newest of the `to` list.
    m_current->setNewer(nullptr);
    m_current->setOlder(toNewest);
    if (toNewest) {
        toNewest->setNewer(m_current);
    } else {
        toOldest = m_current;
    }
    toNewest = m_current;
    ++toCount;
    // Newest of the `from` list -> current.
    m_current = fromNewest;
    fromNewest = m_current->older();
    if (fromNewest) {
        fromNewest->setNewer(nullptr);
    } else {
        fromOldest = nullptr;
    }
    --fromCount;
    m_current->setNewer(nullptr);
    m_current->setOlder(nullptr);
}

void PageData::undo() {
    if (m_undoCount == 0) return;
    stepHistory(m_undoNewest, m_undoOldest, m_undoCount, m_redoNewest, m_redoOldest, m_redoCount);
}

void PageData::redo() {
    if (m_redoCount == 0) return;
    stepHistory(m_redoNewest, m_redoOldest, m_redoCount, m_undoNewest, m_undoOldest, m_undoCount);
}

void PageData::clearUndo() {
    while (m_undoOldest) dropOldestUndo();
}

void PageData::trimUndo() {
    while (m_undoCount > 1) dropOldestUndo();
}

void PageData::dropOldestUndo() {
    ImageData* oldest = m_undoOldest;
    if (!oldest) return;
    m_undoOldest = oldest->newer();
    if (m_undoOldest) {
        m_undoOldest->setOlder(nullptr);
    } else {
        m_undoNewest = nullptr;
    }
    --m_undoCount;
    delete oldest;
}

void PageData::clearRedo() {
    while (m_redoNewest) {
        ImageData* state = m_redoNewest;
        m_redoNewest = state->older();
        delete state;
    }
    m_redoOldest = nullptr;
    m_redoCount = 0;
}

std::uint32_t PageData::undoKind() const {
    return m_current ? PageStateRecord::readFrom(*m_current).kind : 0;
}

std::uint32_t PageData::redoKind() const {
    return m_redoNewest ? PageStateRecord::readFrom(*m_redoNewest).kind : 0;
}

}  // namespace tessary
