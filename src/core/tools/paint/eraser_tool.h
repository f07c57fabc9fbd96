#pragma once

#include "tools/paint/pen_tool.h"

namespace tessary {

// Paints the background colour at full strength with a 16 x 16 square every
// 4 pixels of path.
class EraserTool final : public PenTool {
public:
    static constexpr std::uint32_t kUndoKind = 20;  // "Eraser"

    explicit EraserTool(ToolGlobals& globals);
    void initialise() override;

protected:
    void prepareStroke(StrokeParams& params, const Page& page) override;
};

}  // namespace tessary
