#include "tools/edit/area_painter.h"

#include <algorithm>
#include <new>

#include "model/blend_table.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

AreaPainter::AreaPainter(Page& page)
    : m_data(*page.pageData()),
      m_blend(page.blend()),
      m_planes(page.colourPlaneCount()),
      m_maskPlane(page.maskPlane()) {}

ErrorCode AreaPainter::begin(std::int32_t maxWidth) {
    const auto width = static_cast<std::size_t>(std::max(maxWidth, 0));
    try {
        m_row.resize(width);
        if (m_maskPlane >= 0) m_selection.resize(width);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kErrNone;
}

std::uint8_t AreaPainter::sampleOf(std::uint32_t colour, int plane) const {
    if (m_planes == 1) return GreyWeights::greyOfColour(colour);
    return static_cast<std::uint8_t>(colour >> (8 * plane));
}

ErrorCode AreaPainter::paintRow(std::int32_t y, std::int32_t left, std::int32_t count,
                                const std::uint8_t* const* paint, const std::uint8_t* weights,
                                std::uint8_t weight) {
    TS_ASSERT(count >= 0 && static_cast<std::size_t>(count) <= m_row.size());
    if (count == 0) return kErrNone;
    const std::uint8_t* table = m_blend.data();
    const std::uint8_t* selection = nullptr;
    if (m_maskPlane >= 0) {
        m_data.readRowOrFill(m_maskPlane, left, y, count, m_selection.data(), 0);
        selection = m_selection.data();
    }
    std::uint8_t* row = m_row.data();
    // Opaque paint over an unmasked row replaces the samples outright.
    const bool replace = weights == nullptr && weight == 255 && selection == nullptr;

    for (int p = 0; p < m_planes; ++p) {
        const std::uint8_t* source = paint[p];
        if (replace) {
            if (!m_data.writeRow(p, left, y, count, source)) return kErrDisk;
            continue;
        }
        m_data.readRow(p, left, y, count, row);
        for (std::int32_t i = 0; i < count; ++i) {
            const unsigned m = weights != nullptr ? weights[i] : weight;
            const unsigned old = row[i];
            unsigned v = table[m * 256 + source[i]] + table[(255 - m) * 256 + old];
            if (selection != nullptr) {
                const unsigned s = selection[i];
                v = table[s * 256 + v] + table[(255 - s) * 256 + old];
            }
            row[i] = static_cast<std::uint8_t>(v);
        }
        if (!m_data.writeRow(p, left, y, count, row)) return kErrDisk;
    }
    return kErrNone;
}

}  // namespace tessary
