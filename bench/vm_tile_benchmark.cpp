// Paging cost and start-up cost of the tile store, on real swap files in a
// temporary folder.
//
//   vm_tile_benchmark --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/system_info.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using tessary::VMTile;
using tessary::VolumeList;

// A scratch folder removed with its contents at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The real machine, except for the amount of memory.
class SmallMachine : public tessary::platform::SystemInfo {
public:
    explicit SmallMachine(std::uint64_t bytes) : m_bytes(bytes) {}
    std::uint64_t physicalMemoryBytes() override { return m_bytes; }

private:
    std::uint64_t m_bytes;
};

// 64 memory slots (P = 4 x 24,624 x 64) and a swap file of 16 MB (682
// tiles): cycling through every tile in order misses on every lock, so each
// lock is one page-in (one 24 KB read) and one page-out (one 24 KB write).
void BM_PageInAndOut(benchmark::State& state) {
    ScratchFolder folder;
    SmallMachine machine(4 * 24624 * 64);
    VolumeList volumes(machine);
    if (volumes.build(folder.path()) != 0) return state.SkipWithError("no volume");
    volumes.setShare(0, 16 * 1024);
    VMTile store(tessary::platform::systemFileLayer(), machine);
    if (!store.initialise(volumes, 128, 128)) return state.SkipWithError("no store");

    const VMTile::TileNumber count = store.tileCount();
    for (VMTile::TileNumber t = 1; t <= count; ++t) {
        store.allocate();
        std::uint8_t* block = store.lock(t);
        std::memset(block, static_cast<int>(t), VMTile::kSlotBytes);
        store.unlock(t);
    }
    VMTile::TileNumber next = 1;
    for (auto _ : state) {
        std::uint8_t* block = store.lock(next);
        if (block == nullptr) return state.SkipWithError("page-in failed");
        benchmark::DoNotOptimize(block[0]);
        store.unlock(next);
        next = next == count ? 1 : next + 1;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * VMTile::kSlotBytes);
    state.counters["slots"] = store.memorySlots();
    state.counters["tiles"] = count;
}
BENCHMARK(BM_PageInAndOut);

// The same cycle over free tiles: paging moves bookkeeping only.
void BM_PageFreeTiles(benchmark::State& state) {
    ScratchFolder folder;
    SmallMachine machine(4 * 24624 * 64);
    VolumeList volumes(machine);
    if (volumes.build(folder.path()) != 0) return state.SkipWithError("no volume");
    volumes.setShare(0, 16 * 1024);
    VMTile store(tessary::platform::systemFileLayer(), machine);
    if (!store.initialise(volumes, 128, 128)) return state.SkipWithError("no store");
    const VMTile::TileNumber count = store.tileCount();
    VMTile::TileNumber next = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.lock(next));
        store.unlock(next);
        next = next == count ? 1 : next + 1;
    }
}
BENCHMARK(BM_PageFreeTiles);

// Allocation and release churn on a store of the real machine's size, with
// most tiles in use: the lowest free number must be found quickly.
void BM_AllocateRelease(benchmark::State& state) {
    ScratchFolder folder;
    VolumeList volumes;
    if (volumes.build(folder.path()) != 0) return state.SkipWithError("no volume");
    volumes.setShare(0, 0);
    VMTile store;
    if (!store.initialise(volumes, 128, 128)) return state.SkipWithError("no store");
    while (store.allocate() != 0) {
    }
    const VMTile::TileNumber count = store.tileCount();
    VMTile::TileNumber victim = 1;
    for (auto _ : state) {
        store.release(victim);
        benchmark::DoNotOptimize(store.allocate());
        victim = victim * 7 % count + 1;
    }
    state.counters["tiles"] = count;
}
BENCHMARK(BM_AllocateRelease);

// Initialise and shut down with this machine's memory: slot reservation and
// tables, with no swap file (share 0) and with the default 20 MB budget.
void BM_InitialiseRealMachine(benchmark::State& state) {
    ScratchFolder folder;
    VolumeList volumes;
    if (volumes.build(folder.path()) != 0) return state.SkipWithError("no volume");
    const auto shareKB = static_cast<std::uint32_t>(state.range(0));
    VMTile store;
    for (auto _ : state) {
        volumes.setShare(0, shareKB);
        if (!store.initialise(volumes, 128, 128)) return state.SkipWithError("initialise failed");
        state.PauseTiming();
        state.counters["reservedBytes"] = static_cast<double>(store.reservedBytes());
        state.counters["slots"] = store.memorySlots();
        state.counters["tiles"] = store.tileCount();
        store.shutDown();
        state.ResumeTiming();
    }
    state.counters["physicalBytes"] =
        static_cast<double>(tessary::platform::systemInfo().physicalMemoryBytes());
}
BENCHMARK(BM_InitialiseRealMachine)->Arg(0)->Arg(20 * 1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
