// Plug-in filters run in process and in the module host process: a shipped
// filter over a 12-megapixel RGB image (the cost of the link against the
// filter's own work) and the fixed cost of one filter command on a tiny
// image (the helper's start, the module's load and five calls).
//
//   module_host_benchmark --benchmark_filter=Unsharp
//
// The shipped modules must be built (not a core-only build).

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "bench_store.h"
#include "model/silent_progress.h"
#include "plugins/filter_run.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"
#include "plugins/plug_in_scanner.h"

namespace tessary::bench {
namespace {

class BenchView : public PlugInView {
public:
    explicit BenchView(Page& page) : m_page(page) {}
    Page* page() override { return &m_page; }
    std::int32_t historyOffset() const override { return m_offset; }
    void setHistoryOffset(std::int32_t offset) override { m_offset = offset; }

private:
    Page& m_page;
    std::int32_t m_offset = 0;
};

struct ModuleRig {
    BenchStore store;
    SilentProgress progress;
    PlugInHost host{progress, store.blend()};
    PlugInList list;

    ModuleRig() { ScanPlugInFolder(list, TESSARY_PLUGIN_OUTPUT_DIR); }

    PlugInRecord& record(std::string_view name) {
        for (PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
            if (textOf(r->name) == name) return *r;
        throw std::runtime_error("module " + std::string(name) + " is not built");
    }
};

void runFilter(benchmark::State& state, const char* name, std::int32_t width, std::int32_t height) {
    ModuleRig rig;
    rig.host.setModuleCalls(state.range(0) != 0 ? ModuleCalls::Isolated : ModuleCalls::InProcess);
    Page& page = rig.store.newRgbPage(width, height);
    BenchView view(page);
    PlugInRecord& filter = rig.record(name);
    for (auto _ : state) {
        if (!RunPlugInFilter(rig.host, filter, true, view)) state.SkipWithError("filter failed");
    }
    state.SetLabel(state.range(0) != 0 ? "isolated" : "in process");
}

void BM_UnsharpMask12MP(benchmark::State& state) {
    runFilter(state, "Unsharp Mask 3x3", 4000, 3000);
}
BENCHMARK(BM_UnsharpMask12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FilterCommandOnATinyImage(benchmark::State& state) {
    runFilter(state, "Unsharp Mask 3x3", 16, 16);
}
BENCHMARK(BM_FilterCommandOnATinyImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessary::bench

BENCHMARK_MAIN();
