// Row reads and writes of an image state against plain memcpy of the same
// bytes, and blends through the product table.
//
// The plane is 4096 x 512 (32 x 4 tiles), every tile a private store tile
// resident in memory, so the figures show the cost of the tile arithmetic
// and locking, not of paging.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/blend_table.h"
#include "model/data_buffer.h"
#include "model/image_data.h"
#include "platform/system_info.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using namespace tessary;

constexpr int kWidth = 4096;
constexpr int kHeight = 512;

// A machine with enough memory for 255 resident tiles and no swap files.
class BenchMachine : public platform::SystemInfo {
public:
    std::uint64_t physicalMemoryBytes() override {
        return std::uint64_t{256} * (VMTile::kSlotBytes + VMTile::kSlotOverhead) * 4;
    }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = platform::DriveKind::Fixed;
        out.freeBytes = 1e9;
        return true;
    }
    std::uint32_t tickCount() override { return 0; }
};

// A store and one fully written single-plane state, shared by the benchmarks.
class Fixture {
public:
    Fixture()
        : m_volumes(m_machine), m_store(platform::systemFileLayer(), m_machine), m_image(m_store) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        m_folder = pattern;
        if (m_volumes.build(m_folder) != 0) throw std::runtime_error("no volume");
        m_volumes.setShare(0, 0);
        if (!m_store.initialise(m_volumes, 128, 128)) throw std::runtime_error("no tile store");
        const std::uint8_t fill = 0;
        m_image.create(1, kWidth, kHeight, &fill);
        std::vector<std::uint8_t> row(kWidth);
        std::mt19937 random(1);
        for (int y = 0; y < kHeight; ++y) {
            for (auto& v : row) v = static_cast<std::uint8_t>(random());
            if (!m_image.writeRow(0, 0, y, kWidth, row.data()))
                throw std::runtime_error("write failed");
        }
    }
    ~Fixture() {
        m_image.destroy();
        m_store.shutDown();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    ImageData& image() { return m_image; }

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
    ImageData m_image;
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_ReadRows(benchmark::State& state) {
    ImageData& image = fixture().image();
    std::vector<std::uint8_t> row(kWidth);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) image.readRow(0, 0, y, kWidth, row.data());
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ReadRows);

void BM_WriteRows(benchmark::State& state) {
    ImageData& image = fixture().image();
    std::vector<std::uint8_t> row(kWidth, 7);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) image.writeRow(0, 0, y, kWidth, row.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_WriteRows);

// The same bytes moved row by row between two plain buffers.
void BM_MemcpyRows(benchmark::State& state) {
    std::vector<std::uint8_t> plane(std::size_t{kWidth} * kHeight, 3);
    std::vector<std::uint8_t> row(kWidth);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(row.data(), plane.data() + static_cast<std::size_t>(y) * kWidth, kWidth);
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_MemcpyRows);

void BM_ReadRowsClampedAtTheEdges(benchmark::State& state) {
    ImageData& image = fixture().image();
    std::vector<std::uint8_t> row(kWidth + 256);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) image.readRow(0, -128, y, kWidth + 256, row.data());
        benchmark::DoNotOptimize(row.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (kWidth + 256) * kHeight);
}
BENCHMARK(BM_ReadRowsClampedAtTheEdges);

// One megabyte of samples mixed with a mask through the table.
constexpr std::size_t kBlendBytes = 1 << 20;

void BM_BlendTableMegabyte(benchmark::State& state) {
    const BlendTable table;
    std::vector<std::uint8_t> a(kBlendBytes), b(kBlendBytes), m(kBlendBytes), out(kBlendBytes);
    std::mt19937 random(2);
    for (std::size_t i = 0; i < kBlendBytes; ++i) {
        a[i] = static_cast<std::uint8_t>(random());
        b[i] = static_cast<std::uint8_t>(random());
        m[i] = static_cast<std::uint8_t>(random());
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBlendBytes; ++i) out[i] = table.blend(m[i], a[i], b[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlendBytes);
}
BENCHMARK(BM_BlendTableMegabyte);

// The same through DataBuffer::maskedBlend (1024 x 1024, one plane each).
void BM_MaskedBlendMegabyte(benchmark::State& state) {
    const BlendTable table;
    DataBuffer mask(0, 0, 1024, 1024, 0, 0), fg(0, 0, 1024, 1024, 0, 0), bg(0, 0, 1024, 1024, 0, 0),
        out(0, 0, 1024, 1024, 0, 0);
    std::mt19937 random(3);
    for (std::size_t i = 0; i < kBlendBytes; ++i) {
        mask.storage()[i] = static_cast<std::uint8_t>(random());
        fg.storage()[i] = static_cast<std::uint8_t>(random());
        bg.storage()[i] = static_cast<std::uint8_t>(random());
    }
    for (auto _ : state) {
        mask.maskedBlend(bg, fg, out, table);
        benchmark::DoNotOptimize(out.storage());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlendBytes);
}
BENCHMARK(BM_MaskedBlendMegabyte);

}  // namespace

BENCHMARK_MAIN();
