#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// Zooms in (action 17), out (action 18, alt), to 1:1 (action 19), or to a
// dragged rectangle, about the middle of the drag.
//
// The drag's two points are clamped into the image (the last pixel row and
// column included) and their midpoint (integer halves) is the centre kept in
// place. A drag whose rectangle has width and height and at least one side
// of kMinDragSide pixels or more asks for the zoom
// min(image-area width / rectangle width, image-area height / rectangle
// height) in whole numbers, which the view snaps by its zoom table (0 gives
// 1:32); anything smaller counts as a click and performs the action. The
// view does the zooming; a view that cannot zoom is left alone. Cannot fail.
class MagnifyTool final : public TrackingTool {
public:
    static constexpr std::int32_t kZoomIn = 17;
    static constexpr std::int32_t kZoomOut = 18;
    static constexpr std::int32_t kActualPixels = 19;
    static constexpr std::int32_t kMinDragSide = 4;

    explicit MagnifyTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // The zoom a dragged rectangle of width x height image pixels asks for
    // in an image area of areaWidth x areaHeight window pixels.
    static std::int64_t zoomRequest(std::int64_t areaWidth, std::int64_t areaHeight,
                                    std::int64_t width, std::int64_t height);
};

}  // namespace tessary
