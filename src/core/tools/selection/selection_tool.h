#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// Draws a rectangular or elliptical selection (action 4); over a selection a
// press moves it (action 21) unless shift or ctrl is held. The press itself
// does nothing yet.
class SelectionTool final : public TrackingTool {
public:
    static constexpr std::int32_t kRectangle = 0;
    static constexpr std::int32_t kEllipse = 1;

    explicit SelectionTool(ToolGlobals& globals);
    void initialise() override;

    // Record word 16; no record: rectangle.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    std::int32_t shape() const { return m_shape; }
    void setShape(std::int32_t shape) { m_shape = shape; }

private:
    std::int32_t m_shape = kRectangle;
};

}  // namespace tessary
