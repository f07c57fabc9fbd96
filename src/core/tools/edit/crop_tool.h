#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// Crops the image to a dragged rectangle (action 7), or to the selection when
// pressed over it (action 8).
//
// Action 7: the drag spans a rectangle (its two corners, right and bottom
// exclusive); clipped to the image it becomes the image, in one change
// recorded as undo kind 18 ("Crop") over the old image bounds grown by one
// pixel. A floating selection is made part of the image and the selection is
// dropped first. A click, or a rectangle with nothing inside the image, does
// nothing.
//
// Action 8: the Crop command's crop to the selection (cropPage()).
//
// After a crop the view's layout is rebuilt from the new bounds. On failure
// (kErrDisk, kErrMemory) the page is as before the press.
class CropTool final : public TrackingTool {
public:
    static constexpr std::uint32_t kUndoKind = 18;
    static constexpr std::int32_t kCropToDrag = 7;
    static constexpr std::int32_t kCropToSelection = 8;

    explicit CropTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;
};

}  // namespace tessary
