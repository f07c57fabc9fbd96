#pragma once

#include <cstddef>
#include <cstdint>

#include "model/image_data.h"

namespace tessary {

class PageDataList;

// The pixels of one page: the current ImageData, which is displayed and
// edited, with the undo chain of older states and the redo chain of states
// undone since the last edit.
//
// Every operation that can run out of tiles or memory runs in a retry loop:
// when the ImageData operation fails for want of tiles or memory, the purge
// of the PageDataList (naming this PageData as the requester) discards older
// states of all pages, and the operation is tried again as long as the purge
// freed something. Any other failure (a swap file that cannot be read or
// written, a plane or table past 32 bits) returns at once and purges
// nothing. A failure returns false with the current state as it was and its
// reason in lastFailure() (callers report not enough disk space, 0x10002).
//
// An edit runs as a change bracket: beginChange() makes the current state the
// newest undo state and continues in a duplicate that shares all its tiles;
// the edit reads the state before the change (the "previous" state) and
// writes the current one; endChange() keeps at most kMaxUndo undo states,
// abortChange() puts the page back where beginChange() found it.
//
// The history depth (kMaxUndo unless set) is how many undo states endChange()
// keeps. At depth 0 a page keeps no history, as a run with nothing to undo
// wants: the state before the change still exists while the change is open,
// so the work reads it, and endChange() destroys it, releasing every tile
// the change replaced. Edits therefore give the same pixels at every depth.
// An edit may let go of the parts of the previous state it has finished
// reading (releasePrevious()), which trades the exact abort for memory.
//
// Chains: undo runs from undoNewest() through older() links to the oldest
// state; redo runs from redoNewest() (the state most recently undone) through
// older() links to the first state undone since the last edit. The PageData
// owns every state in them.
class PageData {
public:
    static constexpr int kMaxUndo = 4;
    using Failure = ImageData::Failure;

    // Registers with `list` when it is not null (a PageData that could not be
    // registered still works; its failures just cannot purge anything). The
    // store and the list must outlive this object, or the list must be
    // destroyed first (it then detaches its entries).
    PageData(VMTile& store, PageDataList* list);
    // Clears redo, clears undo, destroys the current state, unregisters.
    ~PageData();
    PageData(const PageData&) = delete;
    PageData& operator=(const PageData&) = delete;

    // Undo states kept by endChange(), 0 ... kMaxUndo. Lowering it drops
    // the oldest undo states beyond it at once (not while a change is open).
    void setHistoryDepth(int depth);
    int historyDepth() const { return m_historyDepth; }

    VMTile& store() const { return m_store; }
    PageDataList* list() const { return m_list; }
    // The list calls this when it goes away before this PageData.
    void detachFromList() { m_list = nullptr; }

    // Why the last operation that returned false failed.
    Failure lastFailure() const { return m_lastFailure; }

    // The current state exists.
    bool initialised() const { return m_current != nullptr; }
    const ImageData* current() const { return m_current; }
    // The state before the open change: the newest undo state, or the
    // current state when there is none.
    const ImageData* previous() const { return m_undoNewest ? m_undoNewest : m_current; }
    const ImageData* undoNewest() const { return m_undoNewest; }
    const ImageData* undoOldest() const { return m_undoOldest; }
    const ImageData* redoNewest() const { return m_redoNewest; }
    const ImageData* redoOldest() const { return m_redoOldest; }

    // --- The ImageData operations, on the current state -------------------
    // Builds a new current state of `planeCount` planes of width x height,
    // every plane p constant fills[p]; the old current state (if any) is
    // destroyed once the new one exists. The chains are not touched.
    bool create(int planeCount, std::int32_t width, std::int32_t height, const std::uint8_t* fills);
    // Makes the current state a duplicate of `source`'s current state
    // (sharing its tiles), with the same rules as create().
    bool createCopy(const PageData& source);
    // Brings the current state to `planeCount` planes (removing planes from
    // the end, or appending planes p filled with fills[p]), resizes it to
    // width x height padding plane p with fills[p], and writes `record`
    // (recordBytes bytes) as its state record. All or nothing: the work is
    // done on a duplicate that replaces the current state only when every
    // step succeeded.
    bool reshape(int planeCount, std::int32_t width, std::int32_t height, const std::uint8_t* fills,
                 const void* record, std::size_t recordBytes);

    bool insertPlane(int index, std::uint8_t fill);
    bool removePlane(int index);
    int planeCount() const { return m_current ? m_current->planeCount() : 0; }
    bool offsetPlane(int index, std::int32_t dx, std::int32_t dy, std::uint8_t fill);
    // Plane `index` takes plane `sourcePlane` of `source`. When `source` is
    // this PageData the plane is taken from previous(), so a plane can be
    // copied as it was before the open change; otherwise from the source's
    // current state.
    bool sharePlane(int index, const PageData& source, int sourcePlane);
    std::int32_t width() const { return m_current ? m_current->width() : 0; }
    std::int32_t height() const { return m_current ? m_current->height() : 0; }
    bool resize(std::int32_t width, std::int32_t height, const std::uint8_t* fills);
    bool extendPlane(int index, const Rect& area, std::uint8_t fill);

    // Reads never run out of tiles; false only when a tile could not be read
    // back from the swap files (its samples then read as zero).
    bool readRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                 std::uint8_t* dest) const;
    bool readRowFromPrevious(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                             std::uint8_t* dest) const;
    bool readRowWithinFromPrevious(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                                   std::uint8_t* dest, const Rect& clamp) const;
    bool readBlockWithinFromPrevious(int plane, const Rect& rect, std::uint8_t* dest,
                                     std::ptrdiff_t stride, const Rect& clamp) const;
    // ImageData::planBlockReadWithin() on the state before the change.
    bool planBlockReadWithinFromPrevious(int plane, const Rect& rect, const Rect& clamp,
                                         SharedTileLocks& locks, BlockReadPlan& plan) const;
    bool readRowOrFill(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest, std::uint8_t fill) const;
    bool writeRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                  const std::uint8_t* source);
    bool writeColumn(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                     const std::uint8_t* source);
    bool readPixel(std::int32_t x, std::int32_t y, std::uint32_t* dest) const;
    // The part of `rect` that mapTilesFromPrevious() can do for `plane`: the
    // plane's whole tiles inside `rect` that the previous and the current
    // state both hold on the same grid (ImageData::wholeTilesWithin()).
    Rect wholeTilesFromPrevious(int plane, const Rect& rect) const;
    // The tiles of `plane` inside `tiles` (from wholeTilesFromPrevious())
    // become the previous state's tiles under `map`, written into the
    // current state without copying them first (ImageData::mapTiles()), in
    // the retry loop. False, with the current state unchanged, when the
    // purge could free nothing more.
    bool mapTilesFromPrevious(int plane, const Rect& tiles, const ImageData::SampleMap& map);
    // ImageData::isWholeTile() and writeTile() of the current state, the
    // write in the retry loop.
    bool isWholeTile(int plane, const Rect& tile) const;
    bool writeTile(int plane, const Rect& tile, const std::uint8_t* source, std::ptrdiff_t stride,
                   int step = 1);
    // ImageData::openTile(), closeTile() and discardTile() of the current
    // state, the open in the retry loop; null when the purge could free
    // nothing more.
    std::uint8_t* openTile(int plane, const Rect& tile, ImageData::OpenTile& open);
    void closeTile(const ImageData::OpenTile& open);
    void discardTile(const ImageData::OpenTile& open);
    // True when `count` more tiles can be locked at once (openTile()) and
    // the store still keeps most of its memory slots for paging.
    bool canLockTiles(std::uint32_t count) const;
    bool boundsAbove(int plane, std::uint8_t threshold, Rect& out) const;
    // The current state's record (zeros when there is no current state).
    void readStateRecord(void* dest, std::size_t bytes) const;
    // The newest redo state's record (zeros when the redo chain is empty).
    void readRedoStateRecord(void* dest, std::size_t bytes) const;
    bool writeStateRecord(const void* source, std::size_t bytes);

    // --- Undo and redo ----------------------------------------------------
    // Clears the redo chain, then duplicates the current state (in the retry
    // loop), pushes the current state as the newest undo state and continues
    // in the duplicate. False when no duplicate could be had: the page is
    // unchanged except that the redo chain stays cleared.
    bool beginChange();
    // Closes the change and drops the oldest undo states beyond the history
    // depth.
    void endChange();
    // Closes the change and returns to the state it started from: the
    // current state is destroyed, the newest undo state becomes current, and
    // the redo chain is left empty. The undo chain is as it was before
    // beginChange() (unless the purge cut it meanwhile).
    void abortChange();
    bool changeOpen() const { return m_changeOpen; }
    // At history depth 0, while a change is open: the change has finished
    // reading `area` of plane `plane` of the previous state, whose tiles
    // lying wholly inside it are let go at once (ImageData::releaseTiles()),
    // so an edit that works through the page holds little more than one
    // copy of it, and tiles it has not written yet are written in place.
    // Once anything was released, abortChange() keeps the current state as
    // the change left it: only an owner that discards the page when an edit
    // fails (a batch run) may keep no history. Does nothing at any other
    // depth or without an open change.
    void releasePrevious(int plane, const Rect& area);
    // releasePrevious() of every row of `plane` above `y`, all columns.
    void releasePreviousAbove(int plane, std::int32_t y);
    // releasePrevious() of every column of `plane` left of `x`, all rows.
    void releasePreviousLeftOf(int plane, std::int32_t x);

    // Current -> newest redo, newest undo -> current. Nothing when the undo
    // chain is empty.
    void undo();
    // Current -> newest undo, newest redo -> current. Nothing when the redo
    // chain is empty.
    void redo();
    int undoCount() const { return m_undoCount; }
    int redoCount() const { return m_redoCount; }
    // Destroys every undo state, oldest first.
    void clearUndo();
    // Destroys the oldest undo states until one remains.
    void trimUndo();
    // Destroys the oldest undo state, if any.
    void dropOldestUndo();
    // Destroys every redo state.
    void clearRedo();
    // The undo kind recorded in the current state, and in the newest redo
    // state (0 when there is none).
    std::uint32_t undoKind() const;
    std::uint32_t redoKind() const;

private:
    // Runs `operation` on `state` (whose lastFailure() tells why it failed;
    // a null state ran out of memory) until it succeeds, fails for another
    // reason than a shortage, or the purge frees nothing more.
    template <class Operation>
    bool retry(ImageData* const& state, Operation&& operation);
    // Records arguments that can never succeed (kLimits) and returns false.
    bool refuse();
    // Replaces the current state by `state` (owned from now on).
    void replaceCurrent(ImageData* state);
    // A new empty state of the store, or null when memory ran out.
    ImageData* newState();
    // Makes the newest state of the `from` history list current and the
    // current state the newest of the `to` list (undo: from undo to redo).
    void stepHistory(ImageData*& fromNewest, ImageData*& fromOldest, int& fromCount,
                     ImageData*& toNewest, ImageData*& toOldest, int& toCount);

    VMTile& m_store;
    PageDataList* m_list = nullptr;

    ImageData* m_redoNewest = nullptr;
    ImageData* m_redoOldest = nullptr;
    int m_redoCount = 0;
    ImageData* m_current = nullptr;
    ImageData* m_undoNewest = nullptr;
    ImageData* m_undoOldest = nullptr;
    int m_undoCount = 0;
    int m_historyDepth = kMaxUndo;
    bool m_changeOpen = false;
    bool m_previousReleased = false;  // releasePrevious() let go of tiles in the open change
    Failure m_lastFailure = Failure::kNone;
};

}  // namespace tessary
