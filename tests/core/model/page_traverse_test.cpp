#include "model/page_traverse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "model/page_data.h"
#include "model/page_data_list.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::readPlane;
using test::TestStore;
using Direction = PageTraverse::Direction;

// A page of `planes` planes filled with random samples; `reference` gets the
// same samples, plane after plane, row by row.
void fillRandom(PageData& data, int planes, int width, int height,
                std::vector<std::vector<std::uint8_t>>& reference, unsigned seed) {
    std::vector<std::uint8_t> fills(static_cast<std::size_t>(planes), 0);
    ASSERT_TRUE(data.create(planes, width, height, fills.data()));
    std::mt19937 random(seed);
    reference.assign(static_cast<std::size_t>(planes), {});
    for (int p = 0; p < planes; ++p) {
        auto& plane = reference[static_cast<std::size_t>(p)];
        plane.resize(static_cast<std::size_t>(width) * height);
        for (auto& v : plane) v = static_cast<std::uint8_t>(random());
        ASSERT_TRUE(test::writePlane(data, p, plane));
    }
}

TEST(PageTraverseTest, ReadsAndWritesEveryRowOfTheRectangleInPlaneLayout) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    std::vector<std::vector<std::uint8_t>> reference;
    const int width = 300, height = 140;
    fillRandom(data, 4, width, height, reference, 1);
    const Rect rect{37, 5, 290, 133};

    PageTraverse walk(data, rect, 1, 3, PageTraverse::kRead | PageTraverse::kWrite);
    ASSERT_TRUE(walk.start());
    EXPECT_EQ(walk.width(), rect.width());
    // Plane p's row sits (p - first) x width into the one buffer.
    EXPECT_EQ(walk.row(2) - walk.row(1), rect.width());
    EXPECT_EQ(walk.row(3) - walk.row(1), 2 * rect.width());
    std::int32_t expectedY = rect.top;
    int rows = 0;
    while (walk.hasRow()) {
        EXPECT_EQ(walk.readY(), expectedY);
        EXPECT_EQ(walk.writeY(), expectedY);
        for (int p = 1; p <= 3; ++p) {
            std::uint8_t* row = walk.row(p);
            for (int i = 0; i < rect.width(); ++i) {
                const auto& plane = reference[static_cast<std::size_t>(p)];
                ASSERT_EQ(row[i],
                          plane[static_cast<std::size_t>(expectedY) * width + rect.left + i]);
                row[i] = static_cast<std::uint8_t>(row[i] ^ (p * 16 + 1));
            }
        }
        ++expectedY;
        ++rows;
        walk.advance();
    }
    EXPECT_EQ(rows, rect.height());
    EXPECT_FALSE(walk.writeFailed());

    for (int p = 0; p < 4; ++p) {
        auto expected = reference[static_cast<std::size_t>(p)];
        if (p >= 1) {
            for (int y = rect.top; y < rect.bottom; ++y) {
                for (int x = rect.left; x < rect.right; ++x) {
                    auto& v = expected[static_cast<std::size_t>(y) * width + x];
                    v = static_cast<std::uint8_t>(v ^ (p * 16 + 1));
                }
            }
        }
        EXPECT_EQ(readPlane(data, p), expected) << "plane " << p;
    }
}

TEST(PageTraverseTest, UpwardReadStartsAtTheBottomRowAndEndsAfterTheTopRow) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    std::vector<std::vector<std::uint8_t>> reference;
    const int width = 20, height = 12;
    fillRandom(data, 1, width, height, reference, 2);
    const Rect rect{2, 3, 18, 9};

    PageTraverse walk(data, rect, 0, 0, PageTraverse::kRead, Direction::Up);
    ASSERT_TRUE(walk.start());
    std::vector<std::int32_t> visited;
    while (walk.hasRow()) {
        visited.push_back(walk.readY());
        for (int i = 0; i < rect.width(); ++i) {
            ASSERT_EQ(walk.row(0)[i],
                      reference[0][static_cast<std::size_t>(walk.readY()) * width + rect.left + i]);
        }
        walk.advance();
    }
    EXPECT_EQ(visited, (std::vector<std::int32_t>{8, 7, 6, 5, 4, 3}));
    EXPECT_FALSE(walk.advance());
}

TEST(PageTraverseTest, AWriteThatFailsIsReportedAndTheWalkGoesOn) {
    TestStore ts(8, 0);  // seven tiles, no history to purge
    PageDataList list;
    PageData data(ts.store(), &list);
    const std::uint8_t fill = 0;
    ASSERT_TRUE(data.create(1, 128 * 10, 2, &fill));
    PageTraverse walk(data, Rect{0, 0, 128 * 10, 2}, 0, 0, PageTraverse::kWrite);
    ASSERT_TRUE(walk.start());
    int rows = 0;
    while (walk.hasRow()) {
        std::fill_n(walk.row(0), walk.width(), std::uint8_t{5});
        ++rows;
        walk.advance();
    }
    EXPECT_EQ(rows, 2);
    EXPECT_TRUE(walk.writeFailed());
    EXPECT_EQ(test::readPlane(data, 0), std::vector<std::uint8_t>(128 * 10 * 2, 0));
}

}  // namespace
}  // namespace tessary
