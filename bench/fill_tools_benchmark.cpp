// The fill can over a 5000 x 5000 RGB page whose connected area is the whole
// page: the search, the painting of 75 million samples and the change
// bracket, with the change undone after each run (outside the timing) so
// every run starts from the same constant page. The store has room for all
// tiles in memory, so no paging is measured.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "app/tool_globals.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "platform/file_layer.h"
#include "platform/system_info.h"
#include "tools/edit/bucket_tool.h"
#include "tools/scripted_tool_view.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using namespace tessary;

constexpr std::int32_t kSide = 5000;

class BenchMachine : public platform::SystemInfo {
public:
    std::uint64_t physicalMemoryBytes() override { return std::uint64_t{4} << 30; }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = platform::DriveKind::Fixed;
        out.freeBytes = 1e9;
        return true;
    }
    std::uint32_t tickCount() override { return 0; }
};

void BM_BucketFillsWholePage(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "tessary_fill_tools_benchmark";
    std::filesystem::create_directories(folder);
    BenchMachine machine;
    VolumeList volumes(machine);
    if (volumes.build(folder) != 0) throw std::runtime_error("no volume list");
    volumes.setShare(0, 0);
    VMTile store(platform::systemFileLayer(), machine);
    if (!store.initialise(volumes, 128, 128)) throw std::runtime_error("no tile store");
    BlendTable blend;
    PageDataList list;
    Page page(PageEnvironment{store, &list, blend});
    if (!page.shapeWhite(Page::kTypeRgb, kSide, kSide, 3)) throw std::runtime_error("no page");

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
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BucketFillsWholePage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
