#pragma once

#include <cstdint>
#include <memory>

#include "model/error_codes.h"
#include "model/image_data.h"
#include "model/page_data.h"

namespace tessary {

class BlendTable;
class PageData;
class PageDataList;

// The application-wide objects every page works with, handed in by the
// application globals (tests build their own). All must outlive the page.
class WorkerPool;

struct PageEnvironment {
    VMTile& store;
    PageDataList* pageDataList;  // may be null: failures then cannot purge
    const BlendTable& blend;
    // Undo states the page's edits keep (PageData::setHistoryDepth()); 0 for
    // a run that never undoes.
    int historyDepth = PageData::kMaxUndo;
    // The threads effects may spread their computing over; null computes on
    // the calling thread alone. Results are the same for every pool.
    WorkerPool* workers = nullptr;
};

// The image a document edits: its type, resolutions, selection rectangle and
// modified flag, and the PageData with its pixels.
//
// Plane layout, with K colour planes (1 for grey, 3 for RGB):
//   0 ... K-1   colour planes (grey, or red, green, blue);
//   K           the selection mask when a selection exists (255 selected,
//               0 not selected);
//   K+1 ... 2K  the floating pixels while a selection floats, positioned by
//               their own plane origins; plane K is their mask and moves
//               with them.
//
// Operations returning ErrorCode give kErrNone, kErrDisk when the store ran
// out of tiles even after the purge, or kErrMemory when a plain buffer could
// not be had. All rectangles are in image pixels.
class Page {
public:
    static constexpr std::int32_t kTypeGrey = 2;  // "256 Grays"
    static constexpr std::int32_t kTypeRgb = 5;   // "RGB-Millions"
    static constexpr double kDefaultResolution = 72.0;

    explicit Page(const PageEnvironment& environment);
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    bool valid() const { return m_valid; }
    bool modified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Null until the first successful shape().
    PageData* pageData() { return m_data.get(); }
    const PageData* pageData() const { return m_data.get(); }
    const BlendTable& blend() const { return m_environment.blend; }
    WorkerPool* workers() const { return m_environment.workers; }

    std::int32_t type() const { return m_type; }
    void setType(std::int32_t type) { m_type = type; }
    double horizontalResolution() const { return m_horizontalResolution; }
    double verticalResolution() const { return m_verticalResolution; }
    void setResolution(double horizontal, double vertical);

    // K: 1 for grey, 3 for RGB.
    int colourPlaneCount() const { return m_type == kTypeGrey ? 1 : 3; }
    int firstColourPlane() const { return 0; }
    int lastColourPlane() const { return colourPlaneCount() - 1; }
    int bitsPerPixel() const { return m_type == kTypeGrey ? 8 : 32; }
    int planeCount() const;

    // Accepted only for type 2 with 1 or 2 planes or type 5 with 3 or 4
    // planes, and a size of at least 1 x 1; otherwise false with nothing
    // changed. Creates the page data, or brings the existing one to the plane
    // count (planes removed from the end or appended with their fills) and
    // size (padding with the fills), and writes a state record with undo kind
    // 0 and the whole image as changed area. All or nothing; the undo and
    // redo chains are not touched.
    bool shape(std::int32_t type, std::int32_t width, std::int32_t height, int planeCount,
               const std::uint8_t* fills);
    // shape() with every fill 255.
    bool shapeWhite(std::int32_t type, std::int32_t width, std::int32_t height, int planeCount);
    // True when the tile store could hold the pixels of a page of this size
    // at all: ceil(width / 128) x ceil(height / 128) tiles per plane, for
    // every plane, within the store's capacity. Shaping costs no tiles, so a
    // page beyond the capacity would shape and only fail once written; an
    // image read from outside is refused with this first. True for sizes
    // below 1 x 1, which shape() refuses itself.
    bool storeCanHold(std::int32_t width, std::int32_t height, int planeCount) const;

    // (0, 0, width, height); empty before the first shape.
    Rect bounds() const;
    bool hasMask() const { return planeCount() == colourPlaneCount() + 1; }
    bool hasFloat() const { return planeCount() > colourPlaneCount() + 1; }
    int maskPlane() const { return hasMask() ? colourPlaneCount() : -1; }
    int floatBase() const { return hasFloat() ? colourPlaneCount() + 1 : 0; }

    // The stored rectangle when there is a mask or a float, else bounds().
    Rect selectionRect() const;
    void setSelectionRect(const Rect& rect) { m_selection = rect; }
    // The stored rectangle as it is, whatever the planes.
    const Rect& storedSelectionRect() const { return m_selection; }

    // Replaces the mask (a float's mask too) by an all-255 mask plane K and
    // sets the selection rectangle to the bounds.
    ErrorCode addMask();
    // Removes plane K when there is a mask (not a float) and empties the
    // selection rectangle.
    ErrorCode removeMask();
    // With a mask: every sample v of the image becomes 255 - v, and the
    // selection rectangle becomes the bounds of the new samples above 1,
    // taken over the image only (the whole image when there are none).
    // Without a mask nothing happens.
    ErrorCode invertSelection();
    // The mask sample at (x, y) is not 0; samples outside the mask plane
    // count as 0; false without a mask or float.
    bool isSelected(std::int32_t x, std::int32_t y) const;
    // With a mask and no float: planes K+1 ... 2K take the colour planes as
    // they were before the open change. On failure the planes added so far
    // are taken out again (as far as possible).
    ErrorCode liftFloat();
    // With a float: over the selection rectangle (clipped to the image) every
    // colour sample becomes T[mask][float] + T[255 - mask][colour]; a mask
    // sample outside the mask plane counts as 0 and a float sample outside
    // the float plane as 0. When every row was written the float planes are
    // removed. kErrMemory when the row buffers cannot be had, kErrDisk when a
    // write fails (the rows written so far stay and the float stays).
    ErrorCode mergeFloat();
    // Removes planes K+1 ... 2K.
    ErrorCode dropFloat();
    // The colour shown at (x, y) with red in bits 0-7, green 8-15, blue
    // 16-23 (grey: the grey value in all three): the colour planes, with the
    // float blended over them through the mask when there is one. 0 outside
    // the image.
    std::uint32_t colourAt(std::int32_t x, std::int32_t y) const;

    // Writes the state record of the current state from the arguments and the
    // page's type, stored selection rectangle and resolutions, and sets the
    // modified flag. False when the record could not be stored.
    bool saveState(std::uint32_t undoKind, std::uint32_t parameter, const Rect& changed);
    // Takes type, selection rectangle and resolutions from the current
    // state's record and returns its changed area. A record that names no
    // valid type (a state that never had one) changes nothing and returns an
    // empty rectangle.
    Rect restoreState();

    // Undoes the last change: returns the area it had changed (to repaint),
    // or an empty rectangle when there is nothing to undo.
    Rect undo();
    // Redoes the change undone last: returns the area it changes, or an empty
    // rectangle when there is nothing to redo.
    Rect redo();
    bool canUndo() const;
    bool canRedo() const;
    // The undo kind the Undo item names (the current state's) and the one the
    // Redo item names (the newest redo state's).
    std::uint32_t undoKind() const;
    std::uint32_t redoKind() const;

    // Counts the changes that move the selection or its pixels in ways a
    // view's own bookkeeping does not see (flips, quarter turns, scaling a
    // floating selection, Extrude's "Select", the selection tools): a view
    // whose selection outline was built at an older count builds it again.
    std::uint32_t changeCounter() const { return m_changeCounter; }
    void countChange() { ++m_changeCounter; }

private:
    static bool acceptedShape(std::int32_t type, int planeCount);

    PageEnvironment m_environment;
    bool m_valid = true;
    bool m_modified = false;
    std::unique_ptr<PageData> m_data;
    std::int32_t m_type = kTypeRgb;
    double m_horizontalResolution = kDefaultResolution;
    double m_verticalResolution = kDefaultResolution;
    Rect m_selection;
    std::uint32_t m_changeCounter = 0;
};

}  // namespace tessary
