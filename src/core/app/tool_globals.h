#pragma once

#include <cstdint>

namespace tessary {

// The values in force that the tools read and write: the paint colours, the
// global opacity, which colour the palette edits, the anti-alias switch and
// the clone source. The application globals own one; tests build their own.
// Colours have red in bits 0-7, green 8-15, blue 16-23.
struct ToolGlobals {
    std::uint32_t foreground = 0x000000;
    std::uint32_t background = 0xFFFFFF;
    // The global opacity, 0..255 (255 opaque).
    std::int32_t opacity = 255;
    // True while the palette edits the background colour: the dropper then
    // picks into the background instead of the foreground.
    bool backgroundActive = false;
    // The palette's anti-alias switch and the subsample count N used with it
    // by the selection, line and text tools.
    bool antiAlias = false;
    std::int32_t subsamples = 3;
    // The clone tool's source in image pixels, set by an alt-press; (0, 0)
    // before the first.
    std::int32_t cloneSourceX = 0;
    std::int32_t cloneSourceY = 0;
};

}  // namespace tessary
