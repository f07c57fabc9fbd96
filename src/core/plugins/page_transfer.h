#pragma once

#include <cstdint>

#include "model/data_buffer.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class PageData;

// Moving rectangles of samples between a page's planes and DataBuffers for
// the plug-in drivers. Coordinates are image pixels.

// Which state of the page a read takes: the state before the open change
// (the newest undo state, or the current state when there is none), or the
// current state.
enum class PageState { Previous, Current };

// The area a plane covers for these transfers: the float's rectangle (the
// page's selection rectangle) for the floating planes K+1 ... 2K and for the
// mask that moves with them; the image bounds for every other plane.
Rect planeArea(const Page& page, int plane);

// Reads `count` samples from (x, y) rightward into `dest`, with (x, y)
// clamped into `area`: rows above or below read the nearest row of the
// area, samples left or right of it repeat its nearest column. An empty
// area reads zeros. False when a tile could not be read back.
bool readRowClamped(const PageData& data, PageState state, int plane, std::int32_t x,
                    std::int32_t y, std::int32_t count, std::uint8_t* dest, const Rect& area);

// Fills the buffer's planes from the page over the buffer's rectangle,
// scaled by `rate` (at least 1): sample (column c, row r) of the buffer
// comes from image pixel ((left + c) x rate, (top + r) x rate), clamped into
// the plane's area. Buffer plane p reads page plane p; planes the page does
// not have are left as they are. The buffer must have storage. False when
// some tile could not be read back (its samples read as zero).
bool readPageIntoBuffer(const Page& page, PageState state, DataBuffer& buffer, int rate);

// Writes buffer planes first ... last into the same page planes of the
// current state, only where the buffer overlaps both the plane's area and
// `clip`; planes the page does not have are skipped. False when the store
// ran out of tiles (the rows before stay written).
bool writeBufferIntoPage(Page& page, const DataBuffer& buffer, int firstPlane, int lastPlane,
                         const Rect& clip);

// Intersection of two rectangles (empty when they do not meet).
Rect intersection(const Rect& a, const Rect& b);

}  // namespace tessary
