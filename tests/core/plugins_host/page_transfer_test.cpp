// Rectangles between page planes and buffers.

#include "plugins/page_transfer.h"

#include <gtest/gtest.h>

#include "core/plugins_host/host_rig.h"

namespace tessary {
namespace {

using test::HostRig;

TEST(PageTransfer, ClampedReadsRepeatTheNearestEdgeOfTheArea) {
    HostRig rig;
    auto page = rig.picture(Page::kTypeGrey, 10, 6, 3);
    const PageData& data = *page->pageData();
    std::uint8_t row[8];
    const Rect area{2, 1, 6, 4};
    ASSERT_TRUE(readRowClamped(data, PageState::Current, 0, 0, -3, 8, row, area));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(row[i], probe::pixel(3, 0, std::clamp(i, 2, 5), 1)) << i;
    ASSERT_TRUE(readRowClamped(data, PageState::Current, 0, 20, 9, 3, row, area));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(row[i], probe::pixel(3, 0, 5, 3));
    ASSERT_TRUE(readRowClamped(data, PageState::Current, 0, 0, 0, 4, row, Rect{}));
    EXPECT_EQ(std::vector<int>(row, row + 4), std::vector<int>(4, 0));
}

TEST(PageTransfer, SampledInterleavedReadsAndClippedWrites) {
    HostRig rig;
    auto page = rig.picture(Page::kTypeRgb, 9, 7, 4);
    DataBuffer buffer(0, 2, DataBuffer::kInterleaved);
    ASSERT_TRUE(buffer.reshape(0, 2, 1, 1, 4, 4));  // rate 3: image 3 ... 9, clamped to 8
    ASSERT_TRUE(readPageIntoBuffer(*page, PageState::Current, buffer, 3));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int p = 0; p < 3; ++p)
                ASSERT_EQ(buffer.row(p, r)[c * 3],
                          probe::pixel(4, p, std::min(3 * (1 + c), 8), std::min(3 * (1 + r), 6)));

    // Write a planar buffer straddling the right edge: only the inside part
    // and only the planes asked for change.
    DataBuffer patch(7, 5, 12, 7, 0, 2);
    const std::uint8_t values[3] = {11, 22, 33};
    patch.fill(7, 5, 12, 7, values);
    const auto before = test::allPlanes(*page);
    ASSERT_TRUE(writeBufferIntoPage(*page, patch, 1, 1, page->bounds()));
    EXPECT_EQ(test::samples(*page, 0, page->bounds()), before[0]);
    EXPECT_EQ(test::samples(*page, 2, page->bounds()), before[2]);
    const auto green = test::samples(*page, 1, page->bounds());
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(green[y * 9 + x], (x >= 7 && y >= 5) ? 22 : before[1][y * 9 + x]);
}

}  // namespace
}  // namespace tessary
