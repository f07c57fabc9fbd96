// Selection tool speed: the magic wand selecting the whole of a 5,000 x
// 5,000 RGB page of one colour, and a lasso of 100,000 pointer positions (a
// wobbling circle of radius about 4,500) on a 10,000 x 10,000 RGB page, both
// as a whole press (tracking, fill, bounds, change bracket) and as the
// even-odd fill alone into a fresh plane.
//
// The store has room for every tile in memory (a pretend machine with 4 GB),
// so no paging is measured. After each press the change is undone and the
// redo state dropped, untimed, so the masks of earlier presses do not pile
// up. Times are CPU time: the machine these run on is shared.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "app/tool_globals.h"
#include "bench_store.h"
#include "model/page.h"
#include "model/page_data.h"
#include "tools/scripted_tool_view.h"
#include "tools/selection/lasso_edges.h"
#include "tools/selection/lasso_tool.h"
#include "tools/selection/wand_tool.h"

namespace {

using namespace tessary;

constexpr std::int32_t kWandSide = 5000;
constexpr std::int32_t kLassoSide = 10000;
constexpr int kLassoPoints = 100000;

using Fixture = bench::BenchStore;

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// The lasso's pointer positions: 100,000 points round a circle whose radius
// wobbles by up to 160 pixels.
const std::vector<ToolPoint>& lassoPoints() {
    static const std::vector<ToolPoint> points = [] {
        std::vector<ToolPoint> out;
        for (int i = 0; i < kLassoPoints; ++i) {
            const double angle = 2 * M_PI * i / kLassoPoints;
            const double radius = 4500 + 120 * std::sin(angle * 400) + 40 * std::sin(angle * 1733);
            out.push_back({static_cast<std::int32_t>(5000 + radius * std::cos(angle)),
                           static_cast<std::int32_t>(5000 + radius * std::sin(angle))});
        }
        return out;
    }();
    return points;
}

// One press of `tool` at points[0] dragging through the rest, then (untimed)
// back to where the page was.
void pressAndUndo(benchmark::State& state, Tool& tool, Page& page, std::int32_t action,
                  const std::vector<ToolPoint>& points) {
    ScriptedToolView view(std::vector<ToolPoint>(points.begin() + 1, points.end()));
    ToolEvent event;
    event.view = &view;
    event.page = &page;
    event.windowPoint = event.imagePoint = points.front();
    event.action = action;
    if (tool.mouseDown(event) != kErrNone) throw std::runtime_error("press failed");
    state.PauseTiming();
    // What was selected, as a check that the press did its work.
    state.counters["selection_width"] = page.selectionRect().width();
    state.counters["selection_height"] = page.selectionRect().height();
    page.undo();
    page.pageData()->clearRedo();
    state.ResumeTiming();
}

void BM_WandWholePage5000(benchmark::State& state) {
    static Page& page = fixture().newRgbPage(kWandSide, kWandSide);
    ToolGlobals globals;
    WandTool wand(globals);
    const std::vector<ToolPoint> press = {{kWandSide / 2, kWandSide / 2}};
    for (auto _ : state) pressAndUndo(state, wand, page, WandTool::kSelectAction, press);
}
BENCHMARK(BM_WandWholePage5000)->Unit(benchmark::kMillisecond);

void BM_LassoPress100kPoints(benchmark::State& state) {
    static Page& page = fixture().newRgbPage(kLassoSide, kLassoSide);
    ToolGlobals globals;
    LassoTool lasso(globals);
    for (auto _ : state) pressAndUndo(state, lasso, page, LassoTool::kDrawAction, lassoPoints());
}
BENCHMARK(BM_LassoPress100kPoints)->Unit(benchmark::kMillisecond);

// The fill alone: the edge list of the same drag, filled into a fresh plane
// of the page inside a change that is aborted afterwards (untimed).
void BM_LassoFill100kPoints(benchmark::State& state) {
    static Page& page = fixture().newRgbPage(kLassoSide, kLassoSide);
    const std::vector<ToolPoint>& points = lassoPoints();
    LassoEdges edges;
    if (!edges.start(points.front())) throw std::runtime_error("no memory");
    LassoEdges::Added added;
    for (const ToolPoint p : points) edges.add(p, added);
    edges.close(points.front(), points.back());
    state.counters["edges"] = static_cast<double>(edges.edges().size());
    PageData& data = *page.pageData();
    for (auto _ : state) {
        state.PauseTiming();
        if (!data.beginChange() || !data.insertPlane(3, 0)) throw std::runtime_error("no plane");
        state.ResumeTiming();
        const ErrorCode code = edges.fill(
            page.bounds(),
            [&](std::int32_t y, std::int32_t left, std::int32_t count, const std::uint8_t* row) {
                return data.writeRow(3, left, y, count, row);
            });
        if (code != kErrNone) throw std::runtime_error("fill failed");
        state.PauseTiming();
        data.abortChange();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LassoFill100kPoints)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
