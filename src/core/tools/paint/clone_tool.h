#pragma once

#include "tools/paint/brush_options.h"
#include "tools/paint/pen_tool.h"

namespace tessary {

// Paints pixels copied from the clone source with a brush dab. An alt-press
// (action 13) sets the source; a press (action 12) paints, each dab taking
// the source rectangle at the clone source plus the dab's offset from the
// stroke start, so every stroke starts again at the source.
class CloneTool final : public PenTool, private DabHook {
public:
    static constexpr std::uint32_t kUndoKind = 22;  // "Clone"
    static constexpr std::int32_t kPaintAction = 12;
    static constexpr std::int32_t kSetSourceAction = 13;
    static constexpr BrushOptions kBuiltIn{10, 10, 2, 0, 0, 0, false};
    static constexpr std::int32_t kLoadedThickness = 2;

    explicit CloneTool(ToolGlobals& globals);
    void initialise() override;

    // Action 13: the press point becomes the clone source in the globals;
    // action 12: a stroke; any other: nothing. Returns the stroke's error.
    ErrorCode mouseDown(ToolEvent& event) override;

    // Record words 22..26; width = height = the record's size, thickness 2.
    // No record: kBuiltIn.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    const BrushOptions& options() const { return m_options; }
    void setOptions(const BrushOptions& options) { m_options = options; }

protected:
    void prepareStroke(StrokeParams& params, const Page& page) override;

private:
    // The source fetch: the paint becomes the page's pixels under the source
    // rectangle; where that rectangle leaves the image, the pixels under the
    // dab itself, so those parts paint nothing new.
    void beforeDab(PenStroke& stroke) override;

    BrushOptions m_options = kBuiltIn;
};

}  // namespace tessary
