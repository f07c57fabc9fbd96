#pragma once

#include <cstdint>

#include "tools/tool_point.h"

namespace tessary {

// A rubber-band figure in window pixels. The view keeps a set of figures
// over the image with exclusive-or semantics: toggling a figure that is
// shown removes it, toggling one that is not shown adds it, so drawing the
// same figure twice leaves the view exactly as it was.
struct FeedbackFigure {
    enum class Kind { Rectangle, Ellipse, Line };
    Kind kind = Kind::Rectangle;
    ToolPoint from;  // window pixels; for rectangles and ellipses, two corners
    ToolPoint to;    // (not necessarily normalised; the outline includes both)
    // Pen width in window pixels (lines; rectangles and ellipses use 1).
    std::int32_t penWidth = 1;
    friend bool operator==(const FeedbackFigure&, const FeedbackFigure&) = default;
};

}  // namespace tessary
