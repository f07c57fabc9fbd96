#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Crops the image to a dragged rectangle (action 7), or to the selection when
// pressed over it (action 8).
// The press itself does nothing yet.
class CropTool final : public TrackingTool {
public:
    explicit CropTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
