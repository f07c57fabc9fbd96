// Repaint costs of the band renderer into a 1920 x 1080 32-bit window
// buffer, the way the image window draws:
//   - 1:1, an RGB page (4,000 x 3,000 of noise), plain and with a floating
//     selection over the whole window;
//   - 1:4 and 1:8 of a 100-megapixel RGB page (12,000 x 8,400): at 1:4 the
//     window is filled with a quarter of it, at 1:8 the whole page fits;
//   - 8:1, 240 x 135 image pixels replicated into the window;
//   - 1:1 of a grey page.
// Every plane is written with noise first so that every tile entry names a
// store tile (constant tiles would cost nothing to read). The store keeps all
// tiles in memory (a pretend machine with 4 GB), so no paging is measured.
// One renderer with 128 x 128 bands, as the application holds.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/page_data.h"
#include "platform/system_info.h"
#include "render/page_draw.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace {

using namespace tessary;

constexpr std::int32_t kWindowWidth = 1920;
constexpr std::int32_t kWindowHeight = 1080;

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

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
};

Store& sharedStore() {
    static Store store;
    return store;
}

// A page of `planes` planes of noise; planes from `maskPlane` on (if any) are
// a mask of mid values and float planes.
std::unique_ptr<PageData> noisePage(std::int32_t width, std::int32_t height, int planes) {
    auto page = std::make_unique<PageData>(sharedStore().store(), nullptr);
    const std::vector<std::uint8_t> fills(static_cast<std::size_t>(planes), 0);
    if (!page->create(planes, width, height, fills.data())) throw std::runtime_error("no page");
    std::mt19937 random(1);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    for (int p = 0; p < planes; ++p) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (auto& v : row) v = static_cast<std::uint8_t>(random());
            if (!page->writeRow(p, 0, y, width, row.data())) throw std::runtime_error("no tiles");
        }
    }
    return page;
}

struct Window {
    std::vector<std::uint32_t> pixels =
        std::vector<std::uint32_t>(std::size_t{kWindowWidth} * kWindowHeight);
    DrawTarget target() {
        DrawTarget t;
        t.pixels = pixels.data();
        t.strideBytes = kWindowWidth * 4;
        t.width = kWindowWidth;
        t.height = kWindowHeight;
        return t;
    }
};

PageDraw& renderer() {
    static PageDraw draw;
    if (!draw.ready() && !draw.initialise(128, 128)) throw std::runtime_error("no renderer");
    return draw;
}

// Draws `source` at `zoomCode` with its top-left at the window's origin.
void repaint(benchmark::State& state, const PageData& page, const Rect& source, int zoomCode,
             int mode) {
    Window window;
    const WideRect destination{0, 0, kWindowWidth, kWindowHeight};
    for (auto _ : state) {
        renderer().draw(page, source, destination, window.target(), zoomCode, mode, 0);
        benchmark::DoNotOptimize(window.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWindowWidth} * kWindowHeight);
}

const PageData& rgbPage() {
    static const auto page = noisePage(4000, 3000, 3);
    return *page;
}
const PageData& rgbFloatPage() {
    static const auto page = noisePage(4000, 3000, 7);
    return *page;
}
const PageData& greyPage() {
    static const auto page = noisePage(4000, 3000, 1);
    return *page;
}
const PageData& largePage() {
    static const auto page = noisePage(12000, 8400, 3);
    return *page;
}

void BM_Rgb1To1(benchmark::State& state) {
    repaint(state, rgbPage(), {1000, 1000, 1000 + kWindowWidth, 1000 + kWindowHeight}, 1,
            PageDraw::kModeRgb);
}
BENCHMARK(BM_Rgb1To1)->Unit(benchmark::kMillisecond);

void BM_RgbFloat1To1(benchmark::State& state) {
    repaint(state, rgbFloatPage(), {1000, 1000, 1000 + kWindowWidth, 1000 + kWindowHeight}, 1,
            PageDraw::kModeRgbFloat);
}
BENCHMARK(BM_RgbFloat1To1)->Unit(benchmark::kMillisecond);

void BM_Grey1To1(benchmark::State& state) {
    repaint(state, greyPage(), {1000, 1000, 1000 + kWindowWidth, 1000 + kWindowHeight}, 1,
            PageDraw::kModeGrey);
}
BENCHMARK(BM_Grey1To1)->Unit(benchmark::kMillisecond);

void BM_Rgb100Mp1To4(benchmark::State& state) {
    repaint(state, largePage(), {0, 0, 12000, 8400}, -4, PageDraw::kModeRgb);
}
BENCHMARK(BM_Rgb100Mp1To4)->Unit(benchmark::kMillisecond);

void BM_Rgb100Mp1To8(benchmark::State& state) {
    repaint(state, largePage(), {0, 0, 12000, 8400}, -8, PageDraw::kModeRgb);
}
BENCHMARK(BM_Rgb100Mp1To8)->Unit(benchmark::kMillisecond);

void BM_Rgb8To1(benchmark::State& state) {
    repaint(state, rgbPage(), {2000, 1500, 2000 + kWindowWidth / 8, 1500 + kWindowHeight / 8}, 8,
            PageDraw::kModeRgb);
}
BENCHMARK(BM_Rgb8To1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
