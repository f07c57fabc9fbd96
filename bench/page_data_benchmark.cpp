// The cost of opening a change on a large page: begin change duplicates the
// current state's tile table and adds one reference per store tile, so its
// cost grows with the number of tiles, not of pixels.
//
// The page is 10,000 x 10,000 RGB (three planes of 79 x 79 tiles, 18,723
// entries); one byte is written into every tile so that every entry names a
// store tile (constant entries would cost no reference). The store has room
// for all of them in memory (a pretend machine with 4 GB), so no paging is
// measured.
//
// Also measured: the connected-area search over a 2,000 x 2,000 noise page.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/connected_area.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "platform/system_info.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using namespace tessary;

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

// A store without swap files in a temporary folder, shared by the benchmarks.
class Store {
public:
    Store() : m_volumes(m_machine), m_store(platform::systemFileLayer(), m_machine) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        m_folder = pattern;
        if (m_volumes.build(m_folder) != 0) throw std::runtime_error("no volume");
        m_volumes.setShare(0, 0);
        if (!m_store.initialise(m_volumes, 128, 128)) throw std::runtime_error("no tile store");
    }
    ~Store() {
        m_store.shutDown();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    VMTile& store() { return m_store; }
    PageDataList& list() { return m_list; }

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
    PageDataList m_list;
};

Store& sharedStore() {
    static Store store;
    return store;
}

constexpr int kSide = 10000;

// The 100-megapixel page with a store tile behind every entry.
PageData& largePage() {
    static std::unique_ptr<PageData> page = [] {
        auto data = std::make_unique<PageData>(sharedStore().store(), &sharedStore().list());
        const std::uint8_t fills[3] = {255, 255, 255};
        if (!data->create(3, kSide, kSide, fills))
            throw std::runtime_error("cannot create the page");
        const std::uint8_t mark = 1;
        for (int p = 0; p < 3; ++p) {
            for (int y = 0; y < kSide; y += 128) {
                for (int x = 0; x < kSide; x += 128) {
                    if (!data->writeRow(p, x, y, 1, &mark))
                        throw std::runtime_error("out of tiles");
                }
            }
        }
        return data;
    }();
    return *page;
}

std::int64_t storeEntries(const ImageData& state) {
    std::int64_t count = 0;
    for (int p = 0; p < state.planeCount(); ++p) {
        const auto& record = state.plane(p);
        for (int r = 0; r < record.tilesDown; ++r) {
            for (int c = 0; c < record.tilesAcross; ++c) {
                count += ImageData::isConstant(state.entry(p, c, r)) ? 0 : 1;
            }
        }
    }
    return count;
}

// Begin change alone; the abort that puts the page back is not timed.
void BM_BeginChange(benchmark::State& state) {
    PageData& page = largePage();
    state.counters["store_tiles"] = static_cast<double>(storeEntries(*page.current()));
    for (auto _ : state) {
        if (!page.beginChange()) state.SkipWithError("begin change failed");
        state.PauseTiming();
        page.abortChange();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BeginChange)->Unit(benchmark::kMillisecond);

// Begin change and abort change: one table copy with its references, then
// the release of them all.
void BM_BeginAndAbortChange(benchmark::State& state) {
    PageData& page = largePage();
    for (auto _ : state) {
        if (!page.beginChange()) state.SkipWithError("begin change failed");
        page.abortChange();
    }
}
BENCHMARK(BM_BeginAndAbortChange)->Unit(benchmark::kMillisecond);

// Steady editing with a full history: each round opens a change, closes it
// and drops the oldest of five undo states.
void BM_BeginAndEndChangeWithHistory(benchmark::State& state) {
    PageData& page = largePage();
    for (auto _ : state) {
        if (!page.beginChange()) state.SkipWithError("begin change failed");
        page.endChange();
    }
    page.clearUndo();
}
BENCHMARK(BM_BeginAndEndChangeWithHistory)->Unit(benchmark::kMillisecond);

// The connected-area search from the middle of a 2,000 x 2,000 noise page
// near the percolation threshold (many labels and merges).
void BM_ConnectedAreaSearch(benchmark::State& state) {
    constexpr int kNoise = 2000;
    static std::unique_ptr<PageData> page = [] {
        auto data = std::make_unique<PageData>(sharedStore().store(), &sharedStore().list());
        const std::uint8_t fills[2] = {0, 0};
        if (!data->create(2, kNoise, kNoise, fills))
            throw std::runtime_error("cannot create the page");
        std::mt19937 random(1);
        std::vector<std::uint8_t> row(kNoise);
        for (int y = 0; y < kNoise; ++y) {
            for (auto& v : row) v = random() % 100 < 60 ? 10 : 90;
            if (!data->writeRow(0, 0, y, kNoise, row.data()))
                throw std::runtime_error("out of tiles");
        }
        return data;
    }();
    // The seed: the first matching pixel of the middle row.
    std::vector<std::uint8_t> middle(kNoise);
    page->readRow(0, 0, kNoise / 2, kNoise, middle.data());
    int seedX = 0;
    while (seedX < kNoise - 1 && middle[static_cast<std::size_t>(seedX)] != 10) ++seedX;
    const ComparedPlane compared{0, 10, 5};
    const OutputPlane output{1, 255};
    std::int64_t runs = 0, labels = 0;
    for (auto _ : state) {
        ConnectedArea search(*page, nullptr);
        Rect bounds;
        if (!search.search(seedX, kNoise / 2, std::span(&compared, 1), std::span(&output, 1),
                           Rect{0, 0, kNoise, kNoise}, bounds)) {
            state.SkipWithError("search failed");
        }
        runs = search.runCount();
        labels = search.labelCount();
    }
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["pixels"] = static_cast<double>(kNoise) * kNoise;
    state.counters["labels"] = static_cast<double>(labels);
}
BENCHMARK(BM_ConnectedAreaSearch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
