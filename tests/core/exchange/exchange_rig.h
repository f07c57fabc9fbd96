#pragma once

// A real tile store, page-data list and blend table for the clipboard and
// bitmap tests; plane fill and read helpers over the model's row operations;
// the blend formula written out on its own.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/model/test_store.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"

namespace tessary::test {

using SampleAt = std::function<std::uint8_t(std::int32_t x, std::int32_t y)>;
using Samples = std::vector<std::uint8_t>;

struct ExchangeRig {
    explicit ExchangeRig(std::uint32_t slots = 512) : store(slots) {}
    TestStore store;
    PageDataList list;
    BlendTable blend;

    PageEnvironment environment() { return PageEnvironment{store.store(), &list, blend}; }
    // A white page (see Page::shape) whose colour planes p hold noise(x, y, salt + p).
    std::unique_ptr<Page> page(int type, std::int32_t w, std::int32_t h, int planes, int salt = -1);
};

// A scrambled, reproducible sample for each (x, y, salt).
inline std::uint8_t noise(std::int32_t x, std::int32_t y, int salt = 0) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                      static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(salt + 1) * 83492791u;
    h = (h ^ h >> 13) * 0x5bd1e995u;
    return static_cast<std::uint8_t>(h ^ h >> 15);
}

inline void fillPlane(PageData& data, int plane, const Rect& area, const SampleAt& f) {
    Samples row(static_cast<std::size_t>(area.width()));
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        for (std::int32_t x = area.left; x < area.right; ++x)
            row[static_cast<std::size_t>(x - area.left)] = f(x, y);
        ASSERT_TRUE(data.writeRow(plane, area.left, y, area.width(), row.data()));
    }
}

// The samples of `area`, row by row; outside the plane's grid `outside`.
inline Samples readArea(const PageData& data, int plane, const Rect& area,
                        std::uint8_t outside = 0) {
    Samples out, row(static_cast<std::size_t>(area.width()));
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        data.readRowOrFill(plane, area.left, y, area.width(), row.data(), outside);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

inline Samples expectArea(const Rect& area, const SampleAt& f) {
    Samples out;
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        for (std::int32_t x = area.left; x < area.right; ++x) out.push_back(f(x, y));
    }
    return out;
}

inline std::unique_ptr<Page> ExchangeRig::page(int type, std::int32_t w, std::int32_t h, int planes,
                                               int salt) {
    auto p = std::make_unique<Page>(environment());
    EXPECT_TRUE(p->shapeWhite(type, w, h, planes));
    for (int c = 0; salt >= 0 && c < p->colourPlaneCount(); ++c) {
        fillPlane(*p->pageData(), c, Rect{0, 0, w, h},
                  [=](int x, int y) { return noise(x, y, salt + c); });
    }
    return p;
}

// `over` blended onto `under` with weight m: T[m][over] + T[255 - m][under],
// T[a][b] = floor(a b / 255) for a < 128 and b - T[255 - a][b] above.
inline std::uint8_t referenceBlend(int m, int over, int under) {
    auto t = [](int a, int b) { return a < 128 ? a * b / 255 : b - (255 - a) * b / 255; };
    return static_cast<std::uint8_t>(t(m, over) + t(255 - m, under));
}

}  // namespace tessary::test
