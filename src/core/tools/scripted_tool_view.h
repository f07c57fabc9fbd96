#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tools/scripted_tracker.h"
#include "tools/tool_view.h"

namespace tessary {

// A view without a screen, for tests and the batch program: window pixels
// are image pixels (1:1, no scrolling), drawing only records what was asked,
// and the pointer follows a ScriptedTracker.
class ScriptedToolView : public ToolView {
public:
    ScriptedToolView() = default;
    explicit ScriptedToolView(std::vector<ToolPoint> points) : m_tracker(std::move(points)) {}

    ToolPoint imageToWindow(ToolPoint image) const override { return image; }
    ToolPoint windowToImage(ToolPoint window) const override { return window; }
    void drawNow(const Rect& image) override { m_drawn.push_back(image); }
    void invalidateImage(const Rect& image) override { m_invalidated.push_back(image); }
    // Keeps the set of figures shown with exclusive-or semantics.
    void toggleFeedback(const FeedbackFigure& figure) override;
    void showPoint(ToolPoint image) override { m_shownPoint = image; }
    void showDrag(ToolPoint image, std::int32_t width, std::int32_t height) override;
    void showColours() override { ++m_colourRepaints; }
    MouseTracker& tracker() override { return m_tracker; }
    // Keeps the displaced outlines shown with exclusive-or semantics.
    void toggleMovedOutline(ToolPoint from, ToolPoint to) override;
    void endMovedOutline() override { ++m_outlineEnds; }
    // The factory set by setProgressFactory(), or null without one.
    std::unique_ptr<ProgressPort> createProgress() override;

    ScriptedTracker& scriptedTracker() { return m_tracker; }
    // The rectangles passed to drawNow() and invalidateImage(), in order.
    const std::vector<Rect>& drawn() const { return m_drawn; }
    const std::vector<Rect>& invalidated() const { return m_invalidated; }
    // Every toggle, in order, and the figures shown now.
    const std::vector<FeedbackFigure>& toggles() const { return m_toggles; }
    const std::vector<FeedbackFigure>& shownFigures() const { return m_shown; }
    ToolPoint shownPoint() const { return m_shownPoint; }
    ToolPoint dragStart() const { return m_dragStart; }
    std::int32_t dragWidth() const { return m_dragWidth; }
    std::int32_t dragHeight() const { return m_dragHeight; }
    int colourRepaints() const { return m_colourRepaints; }
    // Every moved-outline toggle (from, to), in order; the pairs shown now;
    // how often the view was told that an outline drag ended.
    const std::vector<std::pair<ToolPoint, ToolPoint>>& outlineToggles() const {
        return m_outlineToggles;
    }
    const std::vector<std::pair<ToolPoint, ToolPoint>>& shownOutlines() const {
        return m_shownOutlines;
    }
    int outlineEnds() const { return m_outlineEnds; }
    // What createProgress() returns from now on (a test's fake window).
    void setProgressFactory(std::function<std::unique_ptr<ProgressPort>()> factory) {
        m_progressFactory = std::move(factory);
    }

private:
    struct FigureHash {
        std::size_t operator()(const FeedbackFigure& figure) const;
    };

    ScriptedTracker m_tracker;
    std::vector<Rect> m_drawn;
    std::vector<Rect> m_invalidated;
    std::vector<FeedbackFigure> m_toggles;
    std::vector<FeedbackFigure> m_shown;
    // How many times each figure is in m_shown (0 or 1), so that a drag
    // toggling many figures (a lasso's edges) does not search m_shown for
    // every new one.
    std::unordered_map<FeedbackFigure, int, FigureHash> m_shownCount;
    std::vector<std::pair<ToolPoint, ToolPoint>> m_outlineToggles;
    std::vector<std::pair<ToolPoint, ToolPoint>> m_shownOutlines;
    int m_outlineEnds = 0;
    std::function<std::unique_ptr<ProgressPort>()> m_progressFactory;
    ToolPoint m_shownPoint;
    ToolPoint m_dragStart;
    std::int32_t m_dragWidth = 0;
    std::int32_t m_dragHeight = 0;
    int m_colourRepaints = 0;
};

}  // namespace tessary
