#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// Draws a straight line of its width along a drag (action 20). The press
// itself does nothing yet.
class LineTool final : public TrackingTool {
public:
    static constexpr std::int32_t kDefaultWidth = 3;

    explicit LineTool(ToolGlobals& globals);
    void initialise() override;

    // Record word 27; no record: 3 pixels.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    // Pixels, 1..32.
    std::int32_t lineWidth() const { return m_lineWidth; }
    void setLineWidth(std::int32_t width) { m_lineWidth = width; }

private:
    std::int32_t m_lineWidth = kDefaultWidth;
};

}  // namespace tessary
