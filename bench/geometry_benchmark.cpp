// Speed of the geometry operations on a 4000 x 3000 RGB page, on 1 and on 2
// worker threads (the argument): flip left-right, quarter turn clockwise,
// scale to 50 % (area average) and to 200 % (bilinear). Wall time is
// reported; the CPU time is the whole process's, helpers included. Each iteration runs the whole operation as the
// command does (change bracket, planes emptied and rewritten tile by tile);
// undoing it and freeing the undone state between iterations is not timed.
//
// The page is random noise, so every tile is a store tile. The store has
// room for every tile in memory (a pretend machine with 4 GB), so no paging
// is measured.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
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

// A store without swap files in a temporary folder and a 4000 x 3000 RGB
// noise page on it, shared by the benchmarks.
class Fixture {
public:
    Fixture() : m_volumes(m_machine), m_store(platform::systemFileLayer(), m_machine) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        m_folder = pattern;
        if (m_volumes.build(m_folder) != 0) throw std::runtime_error("no volume");
        m_volumes.setShare(0, 0);
        if (!m_store.initialise(m_volumes, 128, 128)) throw std::runtime_error("no tile store");
        m_page = std::make_unique<Page>(
            PageEnvironment{m_store, &m_list, m_blend, PageData::kMaxUndo, &workers});
        if (!m_page->shapeWhite(Page::kTypeRgb, kWidth, kHeight, 3))
            throw std::runtime_error("no page");
        std::mt19937 random(7);
        std::vector<std::uint8_t> row(kWidth);
        for (int p = 0; p < 3; ++p) {
            for (std::int32_t y = 0; y < kHeight; ++y) {
                for (auto& v : row) v = static_cast<std::uint8_t>(random());
                if (!m_page->pageData()->writeRow(p, 0, y, kWidth, row.data()))
                    throw std::runtime_error("cannot fill the page");
            }
        }
    }
    ~Fixture() {
        m_page.reset();
        m_store.shutDown();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Page& page() { return *m_page; }

    // Takes the last operation back and frees its state.
    void restore() {
        m_page->undo();
        m_page->pageData()->clearRedo();
    }

    WorkerPool workers{1};

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
    PageDataList m_list;
    BlendTable m_blend;
    std::unique_ptr<Page> m_page;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

template <class Operation>
void run(benchmark::State& state, Operation operation) {
    Fixture& f = fixture();
    f.workers.setThreadCount(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const ErrorCode code = operation(f.page());
        state.PauseTiming();
        if (code != kErrNone) {
            state.SkipWithError("operation failed");
            break;
        }
        f.restore();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}

void BM_FlipHorizontal(benchmark::State& state) {
    run(state, [](Page& page) { return flipRotate(page, kFlipHorizontal, nullptr); });
}
void BM_QuarterTurnClockwise(benchmark::State& state) {
    run(state, [](Page& page) { return flipRotate(page, kQuarterTurnClockwise, nullptr); });
}
void BM_Scale50(benchmark::State& state) {
    run(state, [](Page& page) { return scalePage(page, kWidth / 2, kHeight / 2, true, nullptr); });
}
void BM_Scale200(benchmark::State& state) {
    run(state, [](Page& page) { return scalePage(page, kWidth * 2, kHeight * 2, true, nullptr); });
}

#define TS_GEOMETRY_BENCHMARK(name) \
    BENCHMARK(name)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()
TS_GEOMETRY_BENCHMARK(BM_FlipHorizontal);
TS_GEOMETRY_BENCHMARK(BM_QuarterTurnClockwise);
TS_GEOMETRY_BENCHMARK(BM_Scale50);
TS_GEOMETRY_BENCHMARK(BM_Scale200);

}  // namespace

BENCHMARK_MAIN();
