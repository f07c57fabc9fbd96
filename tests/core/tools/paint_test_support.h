#pragma once

// A real page for the tool tests (tile store, blend table, page), helpers to
// read and write its pixels, and the blend formula written out.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/model/test_store.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"

namespace tessary::test {

// T[a][b] from its definition: floor(a b / 255) below 128, b - T[255 - a][b]
// above.
inline int product(int a, int b) {
    return a < 128 ? a * b / 255 : b - product(255 - a, b);
}
// mix(a, b, m): b weighted by m, a by 255 - m.
inline int mix(int a, int b, int m) {
    return product(m, b) + product(255 - m, a);
}

inline std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b) << 16;
}
inline int channel(std::uint32_t colour, int plane) {
    return static_cast<int>(colour >> (8 * plane) & 0xFF);
}

// A page on its own tile store. With `purge` false the page is registered
// with no page-data list, so a shortage fails at once without discarding any
// of its undo states.
class PaintPage {
public:
    explicit PaintPage(std::uint32_t slots = 256, bool purge = true)
        : m_store(slots, 0),
          page(PageEnvironment{m_store.store(), purge ? &m_list : nullptr, m_blend}) {}

    // An RGB (or grey) page of one colour.
    void shapeRgb(std::int32_t width, std::int32_t height, std::uint32_t colour) {
        const std::uint8_t fills[3] = {static_cast<std::uint8_t>(channel(colour, 0)),
                                       static_cast<std::uint8_t>(channel(colour, 1)),
                                       static_cast<std::uint8_t>(channel(colour, 2))};
        ASSERT_TRUE(page.shape(Page::kTypeRgb, width, height, 3, fills));
    }
    void shapeGrey(std::int32_t width, std::int32_t height, std::uint8_t level) {
        ASSERT_TRUE(page.shape(Page::kTypeGrey, width, height, 1, &level));
    }

    // Plane p of the whole image, row by row.
    std::vector<std::uint8_t> plane(int p) const {
        const PageData& data = *page.pageData();
        std::vector<std::uint8_t> out(static_cast<std::size_t>(data.width()) * data.height());
        for (int y = 0; y < data.height(); ++y) {
            data.readRow(p, 0, y, data.width(),
                         out.data() + static_cast<std::size_t>(y) * data.width());
        }
        return out;
    }
    std::uint8_t sample(int p, int x, int y) const {
        std::uint8_t value = 0;
        page.pageData()->readRow(p, x, y, 1, &value);
        return value;
    }
    void setSample(int p, int x, int y, std::uint8_t value) {
        ASSERT_TRUE(page.pageData()->writeRow(p, x, y, 1, &value));
    }

    VMTile& store() { return m_store.store(); }

private:
    TestStore m_store;
    BlendTable m_blend;
    PageDataList m_list;

public:
    Page page;
};

}  // namespace tessary::test
