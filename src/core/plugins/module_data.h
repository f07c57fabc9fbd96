#pragma once

#include <cstdint>

#include "model/data_buffer.h"
#include "model/pro_data_buffer.h"
#include "tessary_plugin.h"

namespace tessary {

class Page;

// Pixels held in a module's own memory, as its block describes them: the
// samples of `rect` for planes loPlane ... hiPlane, rows rowBytes apart;
// planar (every plane a block of rect-height rows, one after the other)
// when colBytes is 1, else interleaved with colBytes bytes from one pixel to
// the next.
struct ModuleData {
    void* data = nullptr;
    TsPiRect rect{};
    std::int16_t loPlane = 0;
    std::int16_t hiPlane = 0;
    std::int32_t colBytes = 1;
    std::int64_t rowBytes = 0;
};

// Import and format-read advance: moves the module's pixels into the page's
// current state through `buffer`. Nothing happens (0) when data is null or
// the rectangle holds no pixel.
//
// Without a conversion the buffer borrows the module's memory (layout,
// planes, step, row bytes and rectangle from `data`) and the overlap of the
// rectangle with the page is written. With a conversion set on the buffer
// (one bit per pixel, or indexed colour through its colour table) the
// module's rows are its source: the rectangle must not start above or left
// of the page, and is cut at the page's right and bottom edges before
// conversion. The buffer's plane order maps image planes to the module's
// slots.
//
// Everything the module wrote is checked first: planes within 0-15 and in
// order, a positive column step no smaller than the interleaved plane
// count, row bytes that hold a row, a plane order that stays within the
// held planes. A description that fails returns `badParameters` with the
// page untouched; a store failure returns -108 (rows before it stay
// written; the caller's change bracket takes them back).
std::int16_t deliverModuleData(Page& page, ProDataBuffer& buffer, const ModuleData& data,
                               std::int16_t badParameters);

// Export, format-write and read-back advance: fills the module's memory
// with the page's current pixels over the rectangle (samples outside the
// page repeat its nearest edge; planes the page lacks are not written).
// Nothing happens when data is null or the rectangle is empty. The same
// checks as above; the page is never changed.
std::int16_t fillModuleData(const Page& page, DataBuffer& buffer, const ModuleData& data,
                            std::int16_t badParameters);

}  // namespace tessary
