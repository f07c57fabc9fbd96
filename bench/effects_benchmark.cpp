// The speed of the effect workers on a 4000 x 3000 RGB page against the floor
// of a plain 256-entry lookup-table loop over the same 36 million samples held
// in memory. The neighbourhood filters run with the worker pool at 1 and at 2
// threads (the last argument); the CPU time is the whole process's, so it
// counts the pool's helpers too.
//
// Each effect runs inside a change opened beforehand and aborted afterwards
// (outside the timing), so every iteration reads the same stored tiles and
// writes fresh copies of them, as a real run does. The store has room for all
// tiles in memory (a pretend machine with 4 GB), so no paging is measured.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "effects/framework/effect_context.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/image_map.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/despeckle_fltr.h"
#include "effects/neighbourhood/noise_generator.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "platform/system_info.h"
#include "platform/worker_pool.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using namespace tessary;

constexpr std::int32_t kWidth = 4000;
constexpr std::int32_t kHeight = 3000;
constexpr std::int64_t kSamples = std::int64_t{kWidth} * kHeight * 3;

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

class NoProgress : public ProgressFactory {
public:
    std::unique_ptr<ProgressPort> create(std::int16_t) override { return nullptr; }
};

// The store, the page and the context shared by the benchmarks.
class Bench {
public:
    Bench()
        : m_volumes(m_machine),
          m_store(platform::systemFileLayer(), m_machine),
          context{.opacity = 255, .progress = m_progress, .noise = m_noise, .lastFilter = m_last} {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        m_folder = pattern;
        if (m_volumes.build(m_folder) != 0) throw std::runtime_error("no volume");
        m_volumes.setShare(0, 0);
        if (!m_store.initialise(m_volumes, 128, 128)) throw std::runtime_error("no tile store");
        page = std::make_unique<Page>(
            PageEnvironment{m_store, &m_list, m_blend, PageData::kMaxUndo, &workers});
        if (!page->shapeWhite(Page::kTypeRgb, kWidth, kHeight, 3))
            throw std::runtime_error("no page");
        // Photographic-looking content: smooth gradients with some noise.
        std::vector<std::uint8_t> row(kWidth);
        std::uint32_t s = 1;
        for (int p = 0; p < 3; ++p) {
            for (std::int32_t y = 0; y < kHeight; ++y) {
                for (std::int32_t x = 0; x < kWidth; ++x) {
                    s = s * 1664525u + 1013904223u;
                    row[static_cast<std::size_t>(x)] =
                        static_cast<std::uint8_t>((x / 16 + y / 12 + p * 40) % 200 + (s >> 28));
                }
                if (!page->pageData()->writeRow(p, 0, y, kWidth, row.data())) {
                    throw std::runtime_error("page does not fit the store");
                }
            }
        }
    }
    ~Bench() {
        page.reset();
        m_store.shutDown();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    // Runs the page's effects on `threads` threads from now on.
    void useThreads(std::int64_t threads) { workers.setThreadCount(static_cast<int>(threads)); }

    void runOnce(benchmark::State& state, const Filter& filter) {
        state.PauseTiming();
        if (!page->pageData()->beginChange()) throw std::runtime_error("no change");
        state.ResumeTiming();
        const ErrorCode code =
            runEffect(*page, filter, standardTarget(*page), true, false, context);
        state.PauseTiming();
        page->pageData()->abortChange();
        state.ResumeTiming();
        if (code != kErrNone) state.SkipWithError("effect failed");
    }

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
    PageDataList m_list;
    BlendTable m_blend;
    NoProgress m_progress;
    NoiseGenerator m_noise;
    std::unique_ptr<Filter> m_last;

public:
    WorkerPool workers{1};
    std::unique_ptr<Page> page;
    EffectContext context;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kSamples);
}

// The floor: a plain 256-entry lookup over 36 million samples in memory.
void BM_LookupTableFloor(benchmark::State& state) {
    std::vector<std::uint8_t> in(static_cast<std::size_t>(kSamples)), out(in.size());
    std::uint32_t s = 7;
    for (auto& v : in) v = static_cast<std::uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
    std::uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(255 - i);
    for (auto _ : state) {
        for (std::size_t i = 0; i < in.size(); ++i) out[i] = table[in[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    report(state);
}
BENCHMARK(BM_LookupTableFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Invert(benchmark::State& state) {
    Bench& b = bench();
    ImageMap map(0, 2);
    map.invert(0, 2);
    for (auto _ : state) b.runOnce(state, map);
    report(state);
}
BENCHMARK(BM_Invert)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BoxBlur(benchmark::State& state) {
    Bench& b = bench();
    b.useThreads(state.range(1));
    ConvolutionFltr filter;
    filter.radius = static_cast<std::int32_t>(state.range(0));
    filter.divisor = (2 * filter.radius + 1) * (2 * filter.radius + 1);
    for (auto _ : state) b.runOnce(state, filter);
    report(state);
}
BENCHMARK(BM_BoxBlur)
    ->ArgsProduct({{1, 4}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_Median3x3(benchmark::State& state) {
    Bench& b = bench();
    b.useThreads(state.range(0));
    DespeckleFltr filter;
    filter.radius = 1;
    for (auto _ : state) b.runOnce(state, filter);
    report(state);
}
BENCHMARK(BM_Median3x3)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_Median5x5(benchmark::State& state) {
    Bench& b = bench();
    b.useThreads(state.range(0));
    DespeckleFltr filter;
    filter.radius = 2;
    for (auto _ : state) b.runOnce(state, filter);
    report(state);
}
BENCHMARK(BM_Median5x5)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Despeckle at 4: the median of the 9 x 9 window.
void BM_Despeckle4(benchmark::State& state) {
    Bench& b = bench();
    b.useThreads(state.range(0));
    DespeckleFltr filter;
    filter.radius = 4;
    for (auto _ : state) b.runOnce(state, filter);
    report(state);
}
BENCHMARK(BM_Despeckle4)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
