// Randomised stress of pages on a small tile store.
//
// Three pages share a store of 15 memory tiles and a swap file of 8, so tiles
// page all the time, the purge cuts the pages' histories often and calls
// fail for want of tiles. Each step is one call on one page (or a band of
// row writes, as an effect makes them), chosen at random: a change bracket
// (begin, end, abort), undo, redo, row, column and whole-tile writes, tile
// maps from the previous state, inserting, removing, moving, extending and
// sharing planes, resizing, reshaping, copying another page and state
// records; now and then the swap file fails during the call. Beside every
// page runs a plain in-memory model of its current state and its undo and
// redo chains, written from the operations' contracts. After every step each
// page's chains are matched against the model (a purge may only have dropped
// the oldest undo states and the whole redo chain), every state's planes,
// samples and undo kind are compared with the model's, and the store's
// reference counts are checked against the tiles the states hold. A call
// that fails must have changed nothing, and may fail only while the swap
// file fails, or for want of tiles once the purge had nothing left to give.
//
// By default a fixed set of seeds runs (kept short for every CI run). To run
// others, set TESSARY_PAGE_STRESS_SEEDS to one seed ("17"), a range
// ("1-500") or a list ("3,9,27"), and TESSARY_PAGE_STRESS_STEPS to the steps
// per seed, e.g.
//   TESSARY_PAGE_STRESS_SEEDS=1-200 model_tests --gtest_filter='PageDataStress*'
// A failure names its seed, its step and the call that went wrong.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/image_data.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "model/page_state_record.h"
#include "test_store.h"

namespace tessary {
namespace {

constexpr std::int64_t kTile = 128;
constexpr std::uint64_t kCiSeeds[] = {1, 2, 3};
constexpr int kCiSteps = 300;
constexpr int kPages = 3;
constexpr int kMaxPlanes = 4;
constexpr std::int32_t kMaxSide = 400;
// Moves and extensions stop at planes this many tiles across or down, so
// that the checks after every step stay cheap.
constexpr std::int64_t kMaxGridTiles = 6;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return -floorDiv(-a, b);
}

// splitmix64: the same stream for a seed on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::int64_t between(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool percent(int p) { return between(0, 99) < p; }
    std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }

private:
    std::uint64_t m_state;
};

// ------------------------------------------------------------------ model

// A plane: a grid of whole tiles at an origin, every sample held plainly.
struct ModelPlane {
    std::int64_t originX = 0, originY = 0, across = 0, down = 0;
    std::vector<std::uint8_t> samples;  // 128 x across by 128 x down, row-major

    std::int64_t pitch() const { return kTile * across; }
    bool covers(std::int64_t x, std::int64_t y) const {
        return x >= originX && x < originX + pitch() && y >= originY && y < originY + kTile * down;
    }
    std::uint8_t& at(std::int64_t x, std::int64_t y) {
        return samples[static_cast<std::size_t>((y - originY) * pitch() + (x - originX))];
    }
    std::uint8_t at(std::int64_t x, std::int64_t y) const {
        return samples[static_cast<std::size_t>((y - originY) * pitch() + (x - originX))];
    }

    // Puts the plane on `columns` x `rows` tiles of its own tile lattice,
    // starting at lattice tile (firstColumn, firstRow), which may lie before
    // the grid: samples keep their image positions, new ones are `fill`.
    void regrid(std::int64_t firstColumn, std::int64_t columns, std::int64_t firstRow,
                std::int64_t rows, std::uint8_t fill) {
        ModelPlane next;
        next.originX = originX + kTile * firstColumn;
        next.originY = originY + kTile * firstRow;
        next.across = columns;
        next.down = rows;
        next.samples.assign(static_cast<std::size_t>(next.pitch() * kTile * rows), fill);
        for (std::int64_t y = next.originY; y < next.originY + kTile * rows; ++y) {
            for (std::int64_t x = next.originX; x < next.originX + next.pitch(); ++x) {
                if (covers(x, y)) next.at(x, y) = at(x, y);
            }
        }
        *this = std::move(next);
    }
};

ModelPlane freshPlane(std::int32_t width, std::int32_t height, std::uint8_t fill) {
    ModelPlane plane;
    plane.across = ceilDiv(width, kTile);
    plane.down = ceilDiv(height, kTile);
    plane.samples.assign(static_cast<std::size_t>(plane.pitch() * kTile * plane.down), fill);
    return plane;
}

struct ModelState {
    std::int32_t width = 0, height = 0;
    std::vector<ModelPlane> planes;
    std::uint32_t kind = 0;
};

// The tiles of one axis of the lattice at `origin` that touch [0, extent).
void touching(std::int64_t origin, std::int64_t extent, std::int64_t& first, std::int64_t& count) {
    first = floorDiv(-origin, kTile);                 // first tile ending after 0
    count = ceilDiv(extent - origin, kTile) - first;  // through the last starting before extent
}

void modelResize(ModelState& state, std::int32_t width, std::int32_t height,
                 const std::uint8_t* fills) {
    for (std::size_t p = 0; p < state.planes.size(); ++p) {
        ModelPlane& plane = state.planes[p];
        std::int64_t firstColumn = 0, columns = 0, firstRow = 0, rows = 0;
        touching(plane.originX, width, firstColumn, columns);
        touching(plane.originY, height, firstRow, rows);
        plane.regrid(firstColumn, columns, firstRow, rows, fills[p]);
    }
    state.width = width;
    state.height = height;
}

// The plane moves by (dx, dy) with its samples; tiles are added before it
// when its origin passes 0, and after it when it no longer reaches the
// image's far edge.
void modelOffset(ModelPlane& plane, std::int64_t dx, std::int64_t dy, std::uint8_t fill,
                 std::int64_t width, std::int64_t height) {
    plane.originX += dx;
    plane.originY += dy;
    auto axis = [](std::int64_t origin, std::int64_t tiles, std::int64_t extent,
                   std::int64_t& first, std::int64_t& count) {
        first = 0;
        count = tiles;
        if (origin > 0) {
            first = -ceilDiv(origin, kTile);
            count -= first;
        }
        const std::int64_t start = origin + kTile * first;
        if (start + kTile * count < extent) count = ceilDiv(extent - start, kTile);
    };
    std::int64_t firstColumn = 0, columns = 0, firstRow = 0, rows = 0;
    axis(plane.originX, plane.across, width, firstColumn, columns);
    axis(plane.originY, plane.down, height, firstRow, rows);
    plane.regrid(firstColumn, columns, firstRow, rows, fill);
}

// Whole tiles are added on each side that `area` reaches past.
void modelExtend(ModelPlane& plane, const Rect& area, std::uint8_t fill) {
    if (area.empty()) return;
    const std::int64_t right = plane.originX + plane.pitch();
    const std::int64_t bottom = plane.originY + kTile * plane.down;
    const std::int64_t addLeft =
        std::max<std::int64_t>(0, ceilDiv(plane.originX - area.left, kTile));
    const std::int64_t addTop = std::max<std::int64_t>(0, ceilDiv(plane.originY - area.top, kTile));
    const std::int64_t addRight = std::max<std::int64_t>(0, ceilDiv(area.right - right, kTile));
    const std::int64_t addBottom = std::max<std::int64_t>(0, ceilDiv(area.bottom - bottom, kTile));
    plane.regrid(-addLeft, plane.across + addLeft + addRight, -addTop,
                 plane.down + addTop + addBottom, fill);
}

// The tiles of the current plane lying wholly inside `rect` and inside the
// previous state's plane on the same lattice, as one rectangle.
Rect modelWholeTiles(const ModelPlane& current, const ModelPlane& previous, const Rect& rect) {
    if (current.originX != previous.originX || current.originY != previous.originY) return Rect{};
    std::int64_t l = 0, t = 0, r = 0, b = 0;
    bool any = false;
    for (std::int64_t row = 0; row < current.down; ++row) {
        for (std::int64_t column = 0; column < current.across; ++column) {
            const std::int64_t x = current.originX + kTile * column;
            const std::int64_t y = current.originY + kTile * row;
            const bool inside = x >= rect.left && y >= rect.top && x + kTile <= rect.right &&
                                y + kTile <= rect.bottom && previous.covers(x, y) &&
                                previous.covers(x + kTile - 1, y + kTile - 1);
            if (!inside) continue;
            l = any ? std::min(l, x) : x;
            t = any ? std::min(t, y) : y;
            r = any ? std::max(r, x + kTile) : x + kTile;
            b = any ? std::max(b, y + kTile) : y + kTile;
            any = true;
        }
    }
    if (!any) return Rect{};
    return Rect{static_cast<std::int32_t>(l), static_cast<std::int32_t>(t),
                static_cast<std::int32_t>(r), static_cast<std::int32_t>(b)};
}

struct ModelPage {
    ModelState current;
    std::deque<ModelState> undo;  // newest first
    std::deque<ModelState> redo;  // newest first
    bool open = false;
    // The state an open change reads from: the newest undo state, else current.
    const ModelState& previous() const { return undo.empty() ? current : undo.front(); }
};

// ------------------------------------------------------------------ checks

// "" when the image state matches the model state, else what differs.
std::string compareState(const ImageData& state, const ModelState& model) {
    std::ostringstream out;
    if (state.width() != model.width || state.height() != model.height ||
        state.planeCount() != static_cast<int>(model.planes.size())) {
        out << "size " << state.width() << "x" << state.height() << " with " << state.planeCount()
            << " planes, model " << model.width << "x" << model.height << " with "
            << model.planes.size();
        return out.str();
    }
    if (const std::uint32_t kind = PageStateRecord::readFrom(state).kind; kind != model.kind) {
        out << "undo kind " << kind << ", model " << model.kind;
        return out.str();
    }
    std::vector<std::uint8_t> row;
    for (int p = 0; p < state.planeCount(); ++p) {
        const ImageData::PlaneRecord& r = state.plane(p);
        const ModelPlane& m = model.planes[static_cast<std::size_t>(p)];
        if (r.originX != m.originX || r.originY != m.originY || r.tilesAcross != m.across ||
            r.tilesDown != m.down) {
            out << "plane " << p << " at (" << r.originX << ", " << r.originY << ") with "
                << r.tilesAcross << "x" << r.tilesDown << " tiles, model (" << m.originX << ", "
                << m.originY << ") with " << m.across << "x" << m.down;
            return out.str();
        }
        row.resize(static_cast<std::size_t>(m.pitch()));
        for (std::int64_t y = 0; y < kTile * m.down; ++y) {
            const auto py = static_cast<std::int32_t>(m.originY + y);
            if (!state.readRow(p, r.originX, py, static_cast<std::int32_t>(m.pitch()), row.data()))
                return "a tile could not be read";
            const std::uint8_t* expected = m.samples.data() + y * m.pitch();
            if (std::memcmp(row.data(), expected, row.size()) != 0) {
                std::size_t x = 0;
                while (row[x] == expected[x]) ++x;
                out << "plane " << p << " sample (" << m.originX + static_cast<std::int64_t>(x)
                    << ", " << py << ") is " << int{row[x]} << ", model " << int{expected[x]};
                return out.str();
            }
        }
    }
    return "";
}

// ------------------------------------------------------------------ driver

class PageStress {
public:
    explicit PageStress(std::uint64_t seed) : m_seed(seed), m_random(seed) {}

    // Runs `steps` steps, stopping at the first mismatch, which is reported
    // as a test failure naming the seed, the step and the call.
    void run(int steps) {
        for (int i = 0; i < kPages; ++i) {
            m_pages.push_back(std::make_unique<PageData>(m_ts.store(), &m_list));
            m_models.emplace_back();
            const int planes = static_cast<int>(m_random.between(1, 3));
            const auto width = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
            const auto height = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
            std::uint8_t fills[kMaxPlanes];
            for (auto& f : fills) f = fill();
            ASSERT_TRUE(m_pages.back()->create(planes, width, height, fills));
            ModelState& state = m_models.back().current;
            state.width = width;
            state.height = height;
            for (int p = 0; p < planes; ++p)
                state.planes.push_back(freshPlane(width, height, fills[p]));
        }
        for (int step = 0; step < steps; ++step) {
            const std::string problem = this->step();
            ASSERT_EQ(problem, "")
                << "seed " << m_seed << ", step " << step << ", " << m_call.str();
        }
    }

private:
    std::uint8_t fill() {
        const std::int64_t k = m_random.between(0, 3);
        return k == 0 ? 0 : k == 1 ? 255 : m_random.byte();
    }
    // Samples for a write: random, one value (often a plane's fill, which a
    // constant tile keeps without storage), or a ramp.
    std::vector<std::uint8_t> samples(std::size_t count) {
        std::vector<std::uint8_t> out(count);
        switch (m_random.between(0, 2)) {
            case 0:
                for (auto& v : out) v = m_random.byte();
                break;
            case 1:
                std::fill(out.begin(), out.end(), fill());
                break;
            default: {
                const std::uint8_t start = m_random.byte();
                for (std::size_t i = 0; i < count; ++i)
                    out[i] = static_cast<std::uint8_t>(start + i);
            }
        }
        return out;
    }
    std::int32_t coordinate(std::int32_t extent) {
        return static_cast<std::int32_t>(m_random.between(-60, extent + 60));
    }

    std::string step();
    // One call on `page` and its effect on the model; false when the call
    // failed. A mismatch found on the way goes to `problem`.
    bool changeStep(int page, std::string& problem);
    bool closedStep(int page);
    // After a call on `page` that returned `ok`, `faulty` when the swap file
    // was failing during it: matches the chains of every page against its
    // model, then compares every state and the tile counts.
    std::string settle(int page, bool ok, bool faulty);
    std::string reconcile(int page);
    std::string checkTiles();

    test::TestStore m_ts{16, 1501, 8};
    PageDataList m_list;
    std::vector<std::unique_ptr<PageData>> m_pages;
    std::vector<ModelPage> m_models;
    std::uint64_t m_seed;
    Random m_random;
    std::ostringstream m_call;  // the call of the current step, for a failure
};

std::string PageStress::step() {
    const int page = static_cast<int>(m_random.between(0, kPages - 1));
    m_call.str("");
    m_call << "page " << page;
    // Now and then the swap file fails during the call: every read, every
    // write, or every read after the first few.
    test::SwitchableFileLayer& files = m_ts.files();
    const bool faulty = m_random.percent(5);
    std::string fault;
    if (faulty) {
        const std::int64_t kind = m_random.between(0, 2);
        files.failReads = kind == 0;
        files.failWrites = kind == 1;
        if (kind == 2) files.readsBeforeFailure = static_cast<int>(m_random.between(1, 3));
        fault = kind == 0 ? " (reads failing)"
                : kind == 1
                    ? " (writes failing)"
                    : " (reads failing after " + std::to_string(files.readsBeforeFailure) + ")";
    }
    std::string problem;
    const bool ok = m_models[static_cast<std::size_t>(page)].open ? changeStep(page, problem)
                                                                  : closedStep(page);
    files.failReads = files.failWrites = false;
    files.readsBeforeFailure = -1;
    m_call << fault;
    return problem.empty() ? settle(page, ok, faulty) : problem;
}

// A call on a page whose change is closed.
bool PageStress::closedStep(int page) {
    PageData& data = *m_pages[static_cast<std::size_t>(page)];
    ModelPage& model = m_models[static_cast<std::size_t>(page)];
    std::ostream& call = m_call << ": ";
    const std::int64_t pick = m_random.between(0, 99);
    bool ok = true;
    if (pick < 55) {
        call << "beginChange";
        ok = data.beginChange();
        model.redo.clear();
        if (ok) {
            model.undo.push_front(model.current);
            model.open = true;
        }
    } else if (pick < 92) {
        // Undo moves the newest undo state to current, redo the newest redo.
        const bool undo = pick < 75;
        call << (undo ? "undo" : "redo");
        if (undo)
            data.undo();
        else
            data.redo();
        std::deque<ModelState>& from = undo ? model.undo : model.redo;
        if (!from.empty()) {
            (undo ? model.redo : model.undo).push_front(std::move(model.current));
            model.current = std::move(from.front());
            from.pop_front();
        }
    } else if (pick < 96) {
        const int source = static_cast<int>(m_random.between(0, kPages - 1));
        call << "createCopy of page " << source;
        ok = data.createCopy(*m_pages[static_cast<std::size_t>(source)]);
        if (ok) model.current = m_models[static_cast<std::size_t>(source)].current;
    } else {
        // A new size, so that every reading of "resize to the size" agrees.
        const int planes = static_cast<int>(m_random.between(1, kMaxPlanes));
        std::int32_t width = model.current.width, height = model.current.height;
        while (width == model.current.width && height == model.current.height) {
            width = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
            height = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
        }
        std::uint8_t fills[kMaxPlanes];
        for (auto& f : fills) f = fill();
        PageStateRecord record;
        record.kind = static_cast<std::uint32_t>(m_random.between(1, 25));
        const auto bytes = record.encode();
        call << "reshape to " << planes << " planes of " << width << "x" << height;
        ok = data.reshape(planes, width, height, fills, bytes.data(), bytes.size());
        if (ok) {
            ModelState& state = model.current;
            state.planes.resize(std::min(state.planes.size(), static_cast<std::size_t>(planes)));
            while (state.planes.size() < static_cast<std::size_t>(planes))
                state.planes.push_back(
                    freshPlane(state.width, state.height, fills[state.planes.size()]));
            modelResize(state, width, height, fills);
            state.kind = record.kind;
        }
    }
    return ok;
}

// A call inside the open change of a page.
bool PageStress::changeStep(int page, std::string& problem) {
    PageData& data = *m_pages[static_cast<std::size_t>(page)];
    ModelPage& model = m_models[static_cast<std::size_t>(page)];
    ModelState& state = model.current;
    const int planes = static_cast<int>(state.planes.size());
    const int plane = static_cast<int>(m_random.between(0, planes - 1));
    ModelPlane& target = state.planes[static_cast<std::size_t>(plane)];
    const bool roomy = target.across < kMaxGridTiles && target.down < kMaxGridTiles;
    std::ostream& call = m_call << ", plane " << plane << ": ";
    bool ok = true;
    const std::int64_t pick = m_random.between(0, 99);

    if (pick < 34) {
        const bool column = pick >= 22;
        const std::int32_t x = coordinate(state.width), y = coordinate(state.height);
        const auto count = static_cast<std::int32_t>(m_random.between(1, 450));
        const auto run = samples(static_cast<std::size_t>(count));
        call << (column ? "writeColumn " : "writeRow ") << count << " at (" << x << ", " << y
             << ")";
        ok = column ? data.writeColumn(plane, x, y, count, run.data())
                    : data.writeRow(plane, x, y, count, run.data());
        for (std::int32_t i = 0; ok && i < count; ++i) {
            const std::int32_t sx = column ? x : x + i, sy = column ? y + i : y;
            if (target.covers(sx, sy)) target.at(sx, sy) = run[static_cast<std::size_t>(i)];
        }
    } else if (pick < 40 && m_random.percent(50)) {
        // A band of whole rows, as an effect writes them; a failing row
        // ends the band and the rows before it stay.
        const std::int32_t top = coordinate(state.height);
        const auto rows = static_cast<std::int32_t>(m_random.between(1, 160));
        call << "writeRow over rows " << top << " to " << top + rows - 1;
        for (std::int32_t y = top; ok && y < top + rows; ++y) {
            const auto run = samples(static_cast<std::size_t>(state.width));
            ok = data.writeRow(plane, 0, y, state.width, run.data());
            for (std::int32_t x = 0; ok && x < state.width; ++x)
                if (target.covers(x, y)) target.at(x, y) = run[static_cast<std::size_t>(x)];
        }
    } else if (pick < 40) {
        const std::int64_t column = m_random.between(0, target.across - 1);
        const std::int64_t row = m_random.between(0, target.down - 1);
        const auto left = static_cast<std::int32_t>(target.originX + kTile * column);
        const auto top = static_cast<std::int32_t>(target.originY + kTile * row);
        const Rect tile{left, top, left + 128, top + 128};
        const std::ptrdiff_t stride = m_random.percent(50) ? 128 : 200;
        const auto source = samples(static_cast<std::size_t>(stride * 128));
        call << "writeTile at (" << left << ", " << top << "), stride " << stride;
        if (!data.isWholeTile(plane, tile)) {
            problem = "isWholeTile refused a tile of the grid";
            return true;
        }
        ok = data.writeTile(plane, tile, source.data(), stride);
        for (std::int64_t y = 0; ok && y < kTile; ++y)
            for (std::int64_t x = 0; x < kTile; ++x)
                target.at(left + x, top + y) = source[static_cast<std::size_t>(y * stride + x)];
    } else if (pick < 46) {
        const std::int32_t l = coordinate(state.width), t = coordinate(state.height);
        const Rect rect{l, t, l + static_cast<std::int32_t>(m_random.between(0, 500)),
                        t + static_cast<std::int32_t>(m_random.between(0, 500))};
        const std::uint8_t add = m_random.byte();
        call << "mapTilesFromPrevious over (" << rect.left << ", " << rect.top << ", " << rect.right
             << ", " << rect.bottom << ")";
        const ModelState& previous = model.previous();
        const Rect expected =
            plane < static_cast<int>(previous.planes.size())
                ? modelWholeTiles(target, previous.planes[static_cast<std::size_t>(plane)], rect)
                : Rect{};
        const Rect tiles = data.wholeTilesFromPrevious(plane, rect);
        if (!(tiles == expected)) problem = "wholeTilesFromPrevious differs from the model";
        if (problem.empty() && !tiles.empty()) {
            ok = data.mapTilesFromPrevious(
                plane, tiles, [add](const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i)
                        out[i] = static_cast<std::uint8_t>((in[i] ^ 0x5A) + add);
                });
            const ModelPlane& from = previous.planes[static_cast<std::size_t>(plane)];
            for (std::int64_t y = tiles.top; ok && y < tiles.bottom; ++y)
                for (std::int64_t x = tiles.left; x < tiles.right; ++x)
                    target.at(x, y) = static_cast<std::uint8_t>((from.at(x, y) ^ 0x5A) + add);
        }
    } else if (pick < 51 && planes < kMaxPlanes) {
        const int index = static_cast<int>(m_random.between(0, planes));
        const std::uint8_t value = fill();
        call << "insertPlane at " << index << " with " << int{value};
        ok = data.insertPlane(index, value);
        if (ok)
            state.planes.insert(state.planes.begin() + index,
                                freshPlane(state.width, state.height, value));
    } else if (pick < 55 && planes > 1) {
        call << "removePlane";
        ok = data.removePlane(plane);
        if (ok) state.planes.erase(state.planes.begin() + plane);
    } else if (pick < 61 && roomy) {
        const auto dx = static_cast<std::int32_t>(m_random.between(-150, 150));
        const auto dy = static_cast<std::int32_t>(m_random.between(-150, 150));
        const std::uint8_t value = fill();
        call << "offsetPlane by (" << dx << ", " << dy << ")";
        ok = data.offsetPlane(plane, dx, dy, value);
        if (ok) modelOffset(target, dx, dy, value, state.width, state.height);
    } else if (pick < 65 && roomy) {
        const std::int32_t l = coordinate(state.width), t = coordinate(state.height);
        const Rect area{l, t, l + static_cast<std::int32_t>(m_random.between(0, 300)),
                        t + static_cast<std::int32_t>(m_random.between(0, 300))};
        const std::uint8_t value = fill();
        call << "extendPlane over (" << area.left << ", " << area.top << ", " << area.right << ", "
             << area.bottom << ")";
        ok = data.extendPlane(plane, area, value);
        if (ok) modelExtend(target, area, value);
    } else if (pick < 71) {
        const int source = static_cast<int>(m_random.between(0, kPages - 1));
        const ModelState& from =
            source == page ? model.previous() : m_models[static_cast<std::size_t>(source)].current;
        const int sourcePlane = static_cast<int>(
            m_random.between(0, static_cast<std::int64_t>(from.planes.size()) - 1));
        call << "sharePlane from page " << source << " plane " << sourcePlane;
        ok = data.sharePlane(plane, *m_pages[static_cast<std::size_t>(source)], sourcePlane);
        if (ok) target = from.planes[static_cast<std::size_t>(sourcePlane)];
    } else if (pick < 76) {
        const auto width = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
        const auto height = static_cast<std::int32_t>(m_random.between(1, kMaxSide));
        std::uint8_t fills[kMaxPlanes];
        for (auto& f : fills) f = fill();
        call << "resize to " << width << "x" << height;
        ok = data.resize(width, height, fills);
        if (ok) modelResize(state, width, height, fills);
    } else if (pick < 82) {
        PageStateRecord record;
        record.kind = static_cast<std::uint32_t>(m_random.between(1, 25));
        const auto bytes = record.encode();
        call << "writeStateRecord kind " << record.kind;
        ok = data.writeStateRecord(bytes.data(), bytes.size());
        if (ok) state.kind = record.kind;
    } else if (pick < 94) {
        call << "endChange";
        data.endChange();
        model.open = false;
        while (model.undo.size() > static_cast<std::size_t>(PageData::kMaxUndo))
            model.undo.pop_back();
    } else {
        call << "abortChange";
        data.abortChange();
        model.open = false;
        if (model.undo.empty()) {
            problem = "an open change without the state it began from";
            return true;
        }
        model.current = std::move(model.undo.front());
        model.undo.pop_front();
        model.redo.clear();
    }
    return ok;
}

// A purge may have dropped the oldest undo states and the whole redo chain
// of any page, and nothing else.
std::string PageStress::reconcile(int page) {
    const PageData& data = *m_pages[static_cast<std::size_t>(page)];
    ModelPage& model = m_models[static_cast<std::size_t>(page)];
    const auto undo = static_cast<std::size_t>(data.undoCount());
    const auto redo = static_cast<std::size_t>(data.redoCount());
    if (data.changeOpen() != model.open) return "change open differs from the model";
    if (redo != model.redo.size()) {
        if (redo != 0) return "the redo chain changed other than by clearing";
        model.redo.clear();
    }
    if (undo > model.undo.size()) return "the undo chain grew";
    while (model.undo.size() > undo) model.undo.pop_back();
    if (model.open && model.undo.empty()) return "an open change lost the state it began from";
    return "";
}

std::string PageStress::settle(int page, bool ok, bool faulty) {
    for (int i = 0; i < kPages; ++i) {
        if (std::string problem = reconcile(i); !problem.empty())
            return "page " + std::to_string(i) + ": " + problem;
    }
    const ImageData::Failure failure = m_pages[static_cast<std::size_t>(page)]->lastFailure();
    if (!ok && !(faulty && failure == ImageData::Failure::kStore)) {
        // Apart from a failing swap file, only a shortage may fail a call,
        // and only once the purge had nothing left: no redo anywhere, at
        // most the newest undo state for the caller and for a page with an
        // open change, none elsewhere.
        if (failure != ImageData::Failure::kTilesShort)
            return "failed for another reason than a shortage of tiles";
        for (int i = 0; i < kPages; ++i) {
            const PageData& other = *m_pages[static_cast<std::size_t>(i)];
            const int keep = (i == page || other.changeOpen()) ? 1 : 0;
            if (other.redoCount() != 0 || other.undoCount() > keep)
                return "failed while page " + std::to_string(i) + " still had history to give";
        }
    }
    for (int i = 0; i < kPages; ++i) {
        const PageData& data = *m_pages[static_cast<std::size_t>(i)];
        const ModelPage& model = m_models[static_cast<std::size_t>(i)];
        const std::string name = "page " + std::to_string(i) + " ";
        if (std::string problem = compareState(*data.current(), model.current); !problem.empty())
            return name + "current state: " + problem;
        std::size_t k = 0;
        for (const ImageData* s = data.undoNewest(); s; s = s->older(), ++k) {
            if (std::string problem = compareState(*s, model.undo[k]); !problem.empty())
                return name + "undo state " + std::to_string(k) + ": " + problem;
        }
        k = 0;
        for (const ImageData* s = data.redoNewest(); s; s = s->older(), ++k) {
            if (std::string problem = compareState(*s, model.redo[k]); !problem.empty())
                return name + "redo state " + std::to_string(k) + ": " + problem;
        }
    }
    return checkTiles();
}

// Every tile's reference count is the number of entries that name it.
std::string PageStress::checkTiles() {
    VMTile& store = m_ts.store();
    std::vector<std::uint32_t> held(std::size_t{store.tileCount()} + 1, 0);
    auto count = [&](const ImageData& state) {
        for (int p = 0; p < state.planeCount(); ++p) {
            const ImageData::PlaneRecord& r = state.plane(p);
            for (int row = 0; row < r.tilesDown; ++row) {
                for (int column = 0; column < r.tilesAcross; ++column) {
                    const ImageData::TileEntry e = state.entry(p, column, row);
                    if (!ImageData::isConstant(e)) ++held[ImageData::tileOf(e)];
                }
            }
        }
    };
    for (const auto& data : m_pages) {
        count(*data->current());
        for (const ImageData* s = data->undoNewest(); s; s = s->older()) count(*s);
        for (const ImageData* s = data->redoNewest(); s; s = s->older()) count(*s);
    }
    std::uint32_t free = 0;
    for (VMTile::TileNumber t = 1; t <= store.tileCount(); ++t) {
        if (store.referenceCount(t) != held[t])
            return "tile " + std::to_string(t) + " has " + std::to_string(store.referenceCount(t)) +
                   " references for " + std::to_string(held[t]) + " entries";
        free += held[t] == 0 ? 1 : 0;
    }
    if (free != store.freeTiles()) return "the store's free count is off";
    return "";
}

// Seeds and steps from the environment, or the fixed CI set.
std::vector<std::uint64_t> seedsToRun() {
    const char* text = std::getenv("TESSARY_PAGE_STRESS_SEEDS");
    if (text == nullptr || *text == '\0') return {std::begin(kCiSeeds), std::end(kCiSeeds)};
    std::vector<std::uint64_t> seeds;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const std::size_t dash = item.find('-');
        const std::uint64_t first = std::stoull(item.substr(0, dash));
        const std::uint64_t last =
            dash == std::string::npos ? first : std::stoull(item.substr(dash + 1));
        for (std::uint64_t s = first; s <= last; ++s) seeds.push_back(s);
    }
    return seeds;
}

int stepsToRun() {
    const char* text = std::getenv("TESSARY_PAGE_STRESS_STEPS");
    return text != nullptr && *text != '\0' ? std::atoi(text) : kCiSteps;
}

TEST(PageDataStress, RandomEditsUndoRedoAndPlaneOperationsMatchAPlainModel) {
    const int steps = stepsToRun();
    for (const std::uint64_t seed : seedsToRun()) {
        PageStress stress(seed);
        stress.run(steps);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace tessary
