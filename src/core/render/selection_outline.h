#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/image_data.h"
#include "render/wide_rect.h"

namespace tessary {

class KorvelViewGeometry;
class PageDraw;
struct DrawTarget;

// The moving outline of the selection in the focused image window: the
// 1-bit outline bitmap of the visible part of the selection, where it lies
// in the window, when it must be rebuilt, and the rotating 8 x 8 pattern it
// is painted with. The view calls update() on every idle pass and animate()
// with the system tick count; the shell only paints (paint() writes the
// pattern into a 32-bit buffer) and invalidates the rectangles it is given.
class SelectionOutline {
public:
    // The outline steps at most once per this many milliseconds.
    static constexpr std::uint32_t kStepMillis = 200;
    static constexpr int kPhases = 8;
    static constexpr std::uint32_t kBlack = 0x000000;
    static constexpr std::uint32_t kWhite = 0xFFFFFF;

    // What the view knows at one idle pass.
    struct Scene {
        bool hasFocus = false;
        // The page has a selection mask or a floating selection.
        bool hasSelection = false;
        // The page's change count: any change to it means the outline may
        // have changed.
        std::uint32_t changeCount = 0;
        // The state shown and its mask plane (the page's plane K).
        const ImageData* state = nullptr;
        int maskPlane = -1;
        Rect selectionBounds;
    };

    // Window rectangles the view must invalidate after update() or
    // discard(): at most the old bitmap's rectangle.
    struct Invalidation {
        bool any = false;
        WideRect rect;
    };

    // Row r (0-7) of the pattern for phase p: the byte 0x0F rotated left by
    // (r + p) mod 8 bits; a 1 bit paints white, a 0 bit black, the leftmost
    // pixel in the most significant bit. Diagonal stripes four pixels wide
    // that move by one pixel per phase.
    static std::uint8_t patternRow(int phase, int row);

    // One idle pass. Without the focus nothing happens. Without a selection
    // an existing bitmap is freed. Otherwise the bitmap is rebuilt when there
    // is none, when the change count differs from the one it was built at
    // (or a rebuild was requested), or when the visible part of the image
    // has changed: the part to outline comes from the geometry
    // (outlinePart), the bitmap from the renderer (mask plane, threshold 1).
    // When the part is empty the old bitmap is freed, so a stale outline is
    // never painted where the selection no longer is. A renderer that cannot
    // build the bitmap leaves no bitmap.
    Invalidation update(const PageDraw& renderer, const KorvelViewGeometry& geometry,
                        const Scene& scene);

    // Steps the phase when a bitmap exists and at least kStepMillis have
    // passed since the last step (or since activation), by the 32-bit tick
    // count, which may wrap. True when it stepped: the view then paints.
    bool animate(std::uint32_t tick);

    // Writes the pattern of the current phase over the window pixels whose
    // bitmap bit is set, inside `clip` (the image area) and the target; every
    // other pixel is left as it is. The pattern is aligned to the window's
    // origin.
    void paint(const DrawTarget& target, const WideRect& clip) const;

    // The view was activated: phase 0, and the next step comes kStepMillis
    // after `tick`.
    void activate(std::uint32_t tick);
    // The view was deactivated: the bitmap is freed; its rectangle is
    // returned for invalidation.
    Invalidation discard();
    // The next update() rebuilds (after undo, redo, a zoom change).
    void requestRebuild() { m_rebuildRequested = true; }

    bool hasBitmap() const { return m_hasBitmap; }
    int phase() const { return m_phase; }
    const WideRect& windowRect() const { return m_window; }
    // The bitmap: rows of bytesPerRow() bytes, most significant bit first.
    const std::vector<std::uint8_t>& bits() const { return m_bits; }
    std::size_t bytesPerRow() const { return m_bytesPerRow; }
    // Whether the bitmap pixel at (x, y), relative to windowRect()'s
    // top-left, is set; false outside the bitmap.
    bool bit(std::int64_t x, std::int64_t y) const;

private:
    void free();

    bool m_hasBitmap = false;
    std::vector<std::uint8_t> m_bits;
    std::size_t m_bytesPerRow = 0;
    WideRect m_window;
    Rect m_builtVisible;
    std::uint32_t m_builtChangeCount = 0;
    bool m_rebuildRequested = false;
    int m_phase = 0;
    std::uint32_t m_lastStep = 0;
};

}  // namespace tessary
