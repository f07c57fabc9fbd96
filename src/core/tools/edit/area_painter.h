#pragma once

#include <cstdint>
#include <vector>

#include "model/error_codes.h"

namespace tessary {

class BlendTable;
class Page;
class PageData;

// Paints rows of colour into the colour planes of a page's current state,
// for the line, fill-can and gradient tools, inside a change the caller
// opened (after any floating selection was made part of the image).
//
// Per pixel and colour plane, with mix(a, b, m) = T[m][b] + T[255 - m][a]
// through the page's blend table and `old` the sample as it is now:
//   v = mix(old, paint, weight)
//   v = mix(old, v, selection)      when the page has a selection mask
// so a weight of 0 or an unselected pixel keeps the sample exactly. The
// sample is read from the current state, not the state before the change,
// so work done earlier in the same change (a merged float) is kept.
class AreaPainter {
public:
    // `page` must have pixels and outlive the painter. The selection mask is
    // the page's mask plane as it is now (planes added later, such as a
    // temporary plane after the mask, are not taken for it).
    explicit AreaPainter(Page& page);

    // Row buffers for rows of up to `maxWidth` pixels; kErrMemory when they
    // cannot be had.
    ErrorCode begin(std::int32_t maxWidth);

    // The number of colour planes (1 grey, 3 RGB).
    int planeCount() const { return m_planes; }
    // The colour sample of plane p for a colour (red bits 0-7, green 8-15,
    // blue 16-23): its channel, or its grey on a grey page.
    std::uint8_t sampleOf(std::uint32_t colour, int plane) const;

    // Paints image row y, columns [left, left + count), which must lie inside
    // the image. paint[p] holds `count` samples for colour plane p; `weights`
    // holds `count` weights, or is null for `weight` everywhere. kErrDisk
    // when a row cannot be written (the planes before it keep the new row).
    ErrorCode paintRow(std::int32_t y, std::int32_t left, std::int32_t count,
                       const std::uint8_t* const* paint, const std::uint8_t* weights,
                       std::uint8_t weight = 255);

private:
    PageData& m_data;
    const BlendTable& m_blend;
    int m_planes = 0;
    int m_maskPlane = -1;
    std::vector<std::uint8_t> m_row;
    std::vector<std::uint8_t> m_selection;
};

}  // namespace tessary
