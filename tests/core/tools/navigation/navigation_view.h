#pragma once

// A view for the navigation tool tests: an image shown at a whole-number
// zoom with two scroll positions clamped to their ranges, recording the zoom
// requests it gets.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/zoom_levels.h"
#include "tools/scripted_tool_view.h"

namespace tessary::test {

class NavigationView : public ScriptedToolView {
public:
    enum class Request { In, Out, To };
    struct ZoomCall {
        Request request;
        double requested;  // To only
        ToolPoint centre;
    };

    // window = image x zoom - scroll; image = floor((window + scroll) / zoom).
    ToolPoint imageToWindow(ToolPoint image) const override {
        return {static_cast<std::int32_t>(image.x * m_zoom - scrollX),
                static_cast<std::int32_t>(image.y * m_zoom - scrollY)};
    }
    ToolPoint windowToImage(ToolPoint window) const override {
        const auto down = [this](std::int64_t v) {
            const std::int64_t z = m_zoom;
            return static_cast<std::int32_t>(v >= 0 ? v / z : -((-v + z - 1) / z));
        };
        return {down(std::int64_t{window.x} + scrollX), down(std::int64_t{window.y} + scrollY)};
    }
    double zoom() const override { return m_zoom; }
    Rect imageArea() const override { return area; }
    void scrollBy(std::int32_t dx, std::int32_t dy) override {
        ++scrolls;
        scrollX = std::clamp<std::int64_t>(scrollX + dx, 0, rangeX);
        scrollY = std::clamp<std::int64_t>(scrollY + dy, 0, rangeY);
    }
    void zoomInAbout(ToolPoint centre) override { calls.push_back({Request::In, 0.0, centre}); }
    void zoomOutAbout(ToolPoint centre) override { calls.push_back({Request::Out, 0.0, centre}); }
    void zoomToAbout(double requested, ToolPoint centre) override {
        calls.push_back({Request::To, requested, centre});
        snapped = ZoomLevels::snap(requested).zoom;
    }

    void setZoom(std::int32_t zoom) { m_zoom = zoom; }

    Rect area{0, 0, 400, 300};
    std::int64_t scrollX = 0;
    std::int64_t scrollY = 0;
    std::int64_t rangeX = 1000;
    std::int64_t rangeY = 1000;
    int scrolls = 0;
    std::vector<ZoomCall> calls;
    double snapped = 0.0;

private:
    std::int32_t m_zoom = 1;
};

}  // namespace tessary::test
