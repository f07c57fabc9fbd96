#include "render/selection_outline.h"

#include <algorithm>
#include <new>

#include "render/korvel_view_geometry.h"
#include "render/page_draw.h"
#include "render/wide_arithmetic.h"

namespace tessary {

std::uint8_t SelectionOutline::patternRow(int phase, int row) {
    const unsigned shift = static_cast<unsigned>(row + phase) & 7u;
    const unsigned value = 0x0Fu;
    return static_cast<std::uint8_t>(((value << shift) | (value >> ((8u - shift) & 7u))) & 0xFFu);
}

void SelectionOutline::free() {
    m_hasBitmap = false;
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_bytesPerRow = 0;
    m_window = {};
    m_builtVisible = {};
}

SelectionOutline::Invalidation SelectionOutline::discard() {
    Invalidation out;
    if (m_hasBitmap) {
        out.any = true;
        out.rect = m_window;
    }
    free();
    return out;
}

void SelectionOutline::activate(std::uint32_t tick) {
    m_phase = 0;
    m_lastStep = tick;
}

SelectionOutline::Invalidation SelectionOutline::update(const PageDraw& renderer,
                                                        const KorvelViewGeometry& geometry,
                                                        const Scene& scene) {
    if (!scene.hasFocus) return {};
    if (!scene.hasSelection || !scene.state) return discard();

    const Rect visible = geometry.visibleImagePart();
    if (m_hasBitmap && !m_rebuildRequested && scene.changeCount == m_builtChangeCount &&
        visible == m_builtVisible) {
        return {};
    }

    // Rebuild: the old bitmap goes (and its rectangle is repainted) whatever
    // the new one turns out to be.
    Invalidation out = discard();
    m_rebuildRequested = false;
    const auto part = geometry.outlinePart(scene.selectionBounds);
    if (!part) return out;

    const std::int64_t width = part->window.width();
    const std::int64_t height = part->window.height();
    const auto bytesPerRow = static_cast<std::size_t>(ceilDiv(width, 8));
    try {
        m_bits.assign(bytesPerRow * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        free();
        return out;
    }
    if (!renderer.outlineBitmap(*scene.state, part->source, scene.maskPlane, 1, geometry.zoomCode(),
                                m_bits.data(), bytesPerRow, static_cast<std::int32_t>(height))) {
        free();
        return out;
    }
    m_hasBitmap = true;
    m_bytesPerRow = bytesPerRow;
    m_window = part->window;
    m_builtVisible = visible;
    m_builtChangeCount = scene.changeCount;
    return out;
}

bool SelectionOutline::animate(std::uint32_t tick) {
    if (!m_hasBitmap) return false;
    // Unsigned difference: correct across the wrap of the tick count.
    if (tick - m_lastStep < kStepMillis) return false;
    m_phase = (m_phase + 1) % kPhases;
    m_lastStep = tick;
    return true;
}

bool SelectionOutline::bit(std::int64_t x, std::int64_t y) const {
    if (!m_hasBitmap || x < 0 || y < 0 || x >= m_window.width() || y >= m_window.height()) {
        return false;
    }
    const std::uint8_t byte =
        m_bits[static_cast<std::size_t>(y) * m_bytesPerRow + static_cast<std::size_t>(x >> 3)];
    return (byte & (0x80u >> (x & 7))) != 0;
}

void SelectionOutline::paint(const DrawTarget& target, const WideRect& clip) const {
    if (!m_hasBitmap || !target.pixels) return;
    const WideRect area = m_window.intersected(clip).intersected(target.writable());
    if (area.empty()) return;
    for (std::int64_t y = area.top; y < area.bottom; ++y) {
        const std::uint8_t pattern = patternRow(m_phase, static_cast<int>(y & 7));
        const std::uint8_t* bits =
            m_bits.data() + static_cast<std::size_t>(y - m_window.top) * m_bytesPerRow;
        std::uint32_t* out = target.row(y) + (area.left - target.originX);
        for (std::int64_t x = area.left; x < area.right; ++x, ++out) {
            const std::int64_t bx = x - m_window.left;
            if ((bits[bx >> 3] & (0x80u >> (bx & 7))) == 0) continue;
            *out = (pattern & (0x80u >> (x & 7))) != 0 ? kWhite : kBlack;
        }
    }
}

}  // namespace tessary
