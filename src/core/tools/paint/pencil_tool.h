#pragma once

#include "tools/paint/pen_tool.h"

namespace tessary {

// Paints single foreground pixels, one per pixel of path, at full strength.
class PencilTool final : public PenTool {
public:
    static constexpr std::uint32_t kUndoKind = 19;  // "Pencil"

    explicit PencilTool(ToolGlobals& globals);
    void initialise() override;

protected:
    void prepareStroke(StrokeParams& params, const Page& page) override;
};

}  // namespace tessary
