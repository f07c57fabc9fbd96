// Painting speed: strokes of 64 x 64 soft round dabs (ellipse, radial
// profile) at 25 % spacing (16 pixels of path) on a 10,000 x 10,000 RGB page,
// each stroke one change, reported as dabs per second. Beside it the floor:
// the blend-table mix of the same number of samples (64 x 64 x 3 per dab)
// between buffers already in memory, with no page reads or writes.
//
// The store has room for every tile in memory (a pretend machine with 4 GB),
// so no paging is measured. Rates are per second of CPU time: the machine
// these run on is shared.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "bench_store.h"
#include "model/page.h"
#include "model/page_data.h"
#include "tools/paint/dab_shape.h"
#include "tools/paint/pen_stroke.h"

namespace {

using namespace tessary;

constexpr std::int32_t kSide = 10000;
constexpr std::int32_t kDab = 64;

// The store and the one page every case paints on.
class Fixture {
public:
    Fixture() : m_page(m_store.newRgbPage(kSide, kSide)) {}
    Page& page() { return m_page; }
    const BlendTable& blend() const { return m_store.blend(); }

private:
    bench::BenchStore m_store;
    Page& m_page;
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// Counts the dabs that reach the image.
class DabCounter : public DabHook {
public:
    std::int64_t dabs = 0;
    void beforeDab(PenStroke&) override { ++dabs; }
};

// One stroke: a zig-zag over rows 300 pixels apart, the pointer moving 40
// pixels between reads, as a hand-held drag would; one change.
void runStroke(Page& page, const StrokeParams& params) {
    if (!page.pageData()->beginChange()) throw std::runtime_error("no change");
    PenStroke stroke(page, params);
    if (stroke.begin({100, 100}) != kErrNone) throw std::runtime_error("no buffers");
    ToolPoint previous{100, 100};
    ErrorCode code = stroke.stamp(previous);
    for (std::int32_t y = 100; y < kSide && code == kErrNone; y += 300) {
        const bool rightward = (y / 300) % 2 == 0;
        for (std::int32_t step = 0; step <= (kSide - 200) / 40 && code == kErrNone; ++step) {
            const ToolPoint next{rightward ? 100 + step * 40 : kSide - 100 - step * 40, y};
            code = stroke.segment(previous, next);
            previous = next;
        }
    }
    if (code != kErrNone) throw std::runtime_error("stroke failed");
    page.pageData()->endChange();
}

// One stroke per iteration, after one untimed stroke that gives the rows it
// paints their store tiles (the first write into a constant tile allocates
// the tile's memory; later strokes copy tiles shared with the undo states).
void strokeBenchmark(benchmark::State& state, std::int32_t opacity) {
    Page& page = fixture().page();
    DabCounter counter;
    StrokeParams params;
    params.width = params.height = kDab;
    params.thickness = 9;
    params.shapeClass = 1;
    params.profile = 8;
    params.opacity = opacity;
    params.spacing = kDab * 25 / 100;
    params.colour = 0x204080;
    params.dabHook = &counter;
    runStroke(page, params);
    counter.dabs = 0;
    for (auto _ : state) runStroke(page, params);
    state.counters["dabs/s"] =
        benchmark::Counter(static_cast<double>(counter.dabs), benchmark::Counter::kIsRate);
    state.counters["dabs"] = static_cast<double>(counter.dabs) / state.iterations();
}

void BM_SoftDabStrokeOpaque(benchmark::State& state) {
    strokeBenchmark(state, 255);
}
BENCHMARK(BM_SoftDabStrokeOpaque)->Unit(benchmark::kMillisecond);

void BM_SoftDabStrokeHalfOpacity(benchmark::State& state) {
    strokeBenchmark(state, 128);
}
BENCHMARK(BM_SoftDabStrokeHalfOpacity)->Unit(benchmark::kMillisecond);

// The floor: current = T[dab][paint] + T[255 - dab][current] over one dab's
// samples per plane, as many dabs as the counter says, no page access.
void BM_BlendMixFloor(benchmark::State& state) {
    const BlendTable& blend = fixture().blend();
    std::vector<std::uint8_t> coverage;
    buildDabShape({kDab, kDab, 9, 1, 8}, buildSoftnessTable(), coverage);
    std::vector<std::uint8_t> paint(coverage.size(), 0x40);
    std::vector<std::uint8_t> current(coverage.size() * 3, 200);
    const std::uint8_t* table = blend.data();
    for (auto _ : state) {
        for (int p = 0; p < 3; ++p) {
            std::uint8_t* row = current.data() + static_cast<std::size_t>(p) * coverage.size();
            for (std::size_t i = 0; i < coverage.size(); ++i) {
                const unsigned d = coverage[i];
                row[i] = static_cast<std::uint8_t>(table[d * 256 + paint[i]] +
                                                   table[(255 - d) * 256 + row[i]]);
            }
        }
        benchmark::DoNotOptimize(current.data());
        benchmark::ClobberMemory();
    }
    state.counters["dabs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BlendMixFloor);

}  // namespace

BENCHMARK_MAIN();
