#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;

// The change bracket of one geometry or mask edit on a page.
//
// open() takes the undo snapshot (PageData::beginChange) and remembers the
// page's own fields (type, stored selection rectangle, resolutions), which
// live beside the pixels. commit() records the edit's undo kind and changed
// area in the new state, closes the change and marks the page modified.
// abort() - also run by the destructor while the change is open - puts the
// pixels and the remembered fields back, so a failed or cancelled edit
// leaves the page exactly as it found it, with no undo step added.
//
// The page must be shaped (have page data) and must outlive the bracket.
class GeometryChange {
public:
    // The undo kinds these edits record (their names are strings 3999 + kind).
    static constexpr std::uint32_t kUndoSelection = 5;
    static constexpr std::uint32_t kUndoFill = 7;
    static constexpr std::uint32_t kUndoResize = 9;
    static constexpr std::uint32_t kUndoResolution = 10;
    static constexpr std::uint32_t kUndoScale = 11;
    static constexpr std::uint32_t kUndoFlip = 13;
    static constexpr std::uint32_t kUndoRotate = 14;
    static constexpr std::uint32_t kUndoCrop = 18;

    explicit GeometryChange(Page& page);
    ~GeometryChange();
    GeometryChange(const GeometryChange&) = delete;
    GeometryChange& operator=(const GeometryChange&) = delete;

    // Opens the change: kErrNone, or kErrDisk when no snapshot could be had
    // (the page is then unchanged).
    ErrorCode open();
    bool isOpen() const { return m_open; }

    // Writes the state record (undo kind, parameter 0, `changed`, and the
    // page's fields as they are now), then closes the change. kErrDisk when
    // the record could not be stored: the change is then aborted instead.
    ErrorCode commit(std::uint32_t undoKind, const Rect& changed);

    // Closes the change and restores the state and the fields it started
    // from. Nothing when the change is not open.
    void abort();

    // Passes `code` through, aborting the change when it is not kErrNone.
    ErrorCode fail(ErrorCode code);

private:
    Page& m_page;
    bool m_open = false;
    std::int32_t m_type = 0;
    Rect m_selection;
    double m_horizontalResolution = 0.0;
    double m_verticalResolution = 0.0;
};

}  // namespace tessary
