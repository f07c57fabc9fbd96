#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "model/error_codes.h"
#include "tools/tool_event.h"

namespace tessary {

class Tool;
struct ToolBoxPrefs;
struct ToolGlobals;

// The sixteen tools, index 1..16 (index 0 means no tool), and the current
// tool. A press is not simply handed to the current tool: the current tool's
// action table at the press's modifier mask names an action, and the action
// names the tool that performs it, so with the brush current an alt-press
// picks a colour with the dropper.
class ToolBox {
public:
    static constexpr int kToolCount = 16;
    // Tool indexes, as the palette numbers its buttons.
    enum Index : int {
        kNone = 0,
        kArrow = 1,
        kDropper,
        kHand,
        kMagnify,
        kSelection,
        kCrop,
        kLasso,
        kWand,
        kPencil,
        kEraser,
        kBrush,
        kClone,
        kLine,
        kBucket,
        kGradient,
        kText,
    };

    // Creates the tools in index order; `globals` must outlive the box.
    explicit ToolBox(ToolGlobals& globals);
    ~ToolBox();
    ToolBox(const ToolBox&) = delete;
    ToolBox& operator=(const ToolBox&) = delete;

    // The tool at `index`, or null for 0 and indexes outside 1..16.
    Tool* tool(int index) const;
    // 0 (no tool) or 1..16.
    int currentIndex() const { return m_current; }
    // An index outside 0..16 selects no tool.
    void setCurrentIndex(int index);
    Tool* currentTool() const { return tool(m_current); }

    // Hands `record` (null: built-in values) to every tool, or collects
    // every tool's options into it.
    void loadOptions(const ToolBoxPrefs* record);
    void storeOptions(ToolBoxPrefs& record) const;
    void releaseResources();

    // The index of the tool performing `action`, or 0 when none does.
    static int performerOf(std::int32_t action);

    // Press dispatch: the current tool's action at the event's modifier mask
    // is stored in event.action and performed by its tool. Returns that
    // tool's error code, or 0 when no tool is current or none performs the
    // action.
    ErrorCode mouseDown(ToolEvent& event);
    // A press on event.page: fills the two selection flags from the page at
    // the image point, then dispatches when a tool is current.
    ErrorCode pressOnPage(ToolEvent& event);
    // The current tool's cursor number at `mask` (0 with no tool current).
    std::int32_t cursorFor(int mask) const;

private:
    std::array<std::unique_ptr<Tool>, kToolCount + 1> m_tools;
    int m_current = kNone;
};

}  // namespace tessary
