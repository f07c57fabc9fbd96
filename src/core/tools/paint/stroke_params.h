#pragma once

#include <cstdint>

#include "model/image_data.h"
#include "tools/tool_point.h"

namespace tessary {

class PenStroke;

// Called before each dab is composited, after the dab rectangle is placed:
// may overwrite the stroke's paint buffer (the clone tool's source fetch).
class DabHook {
public:
    virtual ~DabHook() = default;
    virtual void beforeDab(PenStroke& stroke) = 0;
};

// What one stroke paints with, filled by the tool before the stroke. All
// points and rectangles are image pixels.
struct StrokeParams {
    std::uint32_t undoKind = 0;
    std::int32_t width = 1;  // dab size, 1..255
    std::int32_t height = 1;
    std::int32_t thickness = 1;   // 1..255, shape classes 3 and 4
    std::int32_t shapeClass = 0;  // 0..4
    std::int32_t profile = 0;     // 0..15
    std::int32_t opacity = 255;   // 0..255
    std::int32_t spacing = 1;     // path length between dabs, 1..1000
    // Red in bits 0-7, green 8-15, blue 16-23; a grey page paints its grey.
    std::uint32_t colour = 0;
    // Not owned; null for none.
    DabHook* dabHook = nullptr;
};

}  // namespace tessary
