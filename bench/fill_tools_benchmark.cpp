// The fill can over a 5000 x 5000 RGB page whose connected area is the whole
// page: the search, the painting of 75 million samples and the change
// bracket, with the change undone after each run (outside the timing) so
// every run starts from the same constant page. The store has room for all
// tiles in memory, so no paging is measured.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>

#include "app/tool_globals.h"
#include "bench_store.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/file_layer.h"
#include "tools/edit/bucket_tool.h"
#include "tools/scripted_tool_view.h"

namespace {

using namespace tessary;

constexpr std::int32_t kSide = 5000;

void BM_BucketFillsWholePage(benchmark::State& state) {
    bench::BenchStore store;
    Page& page = store.newRgbPage(kSide, kSide, 255, 255, 255);

    ToolGlobals globals;
    globals.foreground = 0x3050A0;
    BucketTool bucket(globals);
    for (auto _ : state) {
        ScriptedToolView view;
        ToolEvent event;
        event.view = &view;
        event.page = &page;
        event.imagePoint = event.windowPoint = {kSide / 2, kSide / 2};
        event.action = 14;
        if (bucket.mouseDown(event) != kErrNone) {
            state.SkipWithError("the fill failed");
            break;
        }
        state.PauseTiming();
        page.undo();
        page.pageData()->clearRedo();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_BucketFillsWholePage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
