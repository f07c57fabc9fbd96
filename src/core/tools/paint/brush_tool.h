#pragma once

#include "tools/paint/brush_options.h"
#include "tools/paint/pen_tool.h"

namespace tessary {

// Paints the foreground colour at the global opacity with the dab its
// options describe (the first brush set of the tool-box preferences).
class BrushTool final : public PenTool {
public:
    static constexpr std::uint32_t kUndoKind = 21;  // "Brush"
    static constexpr BrushOptions kBuiltIn{32, 32, 5, 0, 0, 25, false};
    static constexpr std::int32_t kLoadedThickness = 5;

    explicit BrushTool(ToolGlobals& globals);
    void initialise() override;

    // Record words 17..21; width = height = the record's size, thickness 5.
    // No record: kBuiltIn.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    const BrushOptions& options() const { return m_options; }
    void setOptions(const BrushOptions& options) { m_options = options; }

protected:
    void prepareStroke(StrokeParams& params, const Page& page) override;

private:
    BrushOptions m_options = kBuiltIn;
};

}  // namespace tessary
