#pragma once

// Presses for the tests of the edit and navigation tools, and a snapshot of
// everything a failed press must leave as it was.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/tools/paint_test_support.h"
#include "model/page.h"
#include "model/page_data.h"
#include "tools/scripted_tool_view.h"
#include "tools/tool.h"

namespace tessary::test {

// Presses `tool` at `press` (image pixels) with `action`, drags through
// `path` and releases at its last point, on `view` (window pixels are image
// pixels unless the view maps them otherwise).
inline ErrorCode pressTool(Tool& tool, Page& page, ScriptedToolView& view, ToolPoint press,
                           std::vector<ToolPoint> path = {}, std::int32_t action = 0) {
    view.scriptedTracker().setPoints(std::move(path));
    ToolEvent event;
    event.view = &view;
    event.page = &page;
    event.imagePoint = press;
    event.windowPoint = view.imageToWindow(press);
    event.action = action;
    return tool.mouseDown(event);
}

inline ErrorCode pressTool(Tool& tool, Page& page, ToolPoint press,
                           std::vector<ToolPoint> path = {}, std::int32_t action = 0) {
    ScriptedToolView view;
    return pressTool(tool, page, view, press, std::move(path), action);
}

// Every plane of the current state, the page's fields and its history.
struct PageSnapshot {
    std::vector<std::vector<std::uint8_t>> planes;
    Rect bounds;
    Rect selection;
    int undoCount = 0;
    int redoCount = 0;
    const ImageData* undoNewest = nullptr;
    friend bool operator==(const PageSnapshot&, const PageSnapshot&) = default;
};

inline PageSnapshot snapshotOf(const PaintPage& paint) {
    PageSnapshot shot;
    const PageData& data = *paint.page.pageData();
    for (int p = 0; p < data.planeCount(); ++p) shot.planes.push_back(paint.plane(p));
    shot.bounds = paint.page.bounds();
    shot.selection = paint.page.storedSelectionRect();
    shot.undoCount = data.undoCount();
    shot.redoCount = data.redoCount();
    shot.undoNewest = data.undoNewest();
    return shot;
}

// A selection mask over `rect` with `level` inside it and 0 elsewhere.
inline void selectRect(PaintPage& paint, const Rect& rect, std::uint8_t level = 255) {
    PageData& data = *paint.page.pageData();
    const int k = paint.page.colourPlaneCount();
    ASSERT_TRUE(data.insertPlane(k, 0));
    std::vector<std::uint8_t> row(static_cast<std::size_t>(rect.width()), level);
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        ASSERT_TRUE(data.writeRow(k, rect.left, y, rect.width(), row.data()));
    paint.page.setSelectionRect(rect);
}

}  // namespace tessary::test
