#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "model/image_data.h"
#include "test_store.h"

// Random row and column writes against a plain two-dimensional array, over
// several image sizes and plane positions, with snapshots taken along the
// way: every read must match the array, every snapshot must keep what it
// held, and destroying every state must give all tiles back.

namespace tessary {
namespace {

using test::TestStore;

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return a > 0 ? (a + b - 1) / b : -((-a) / b);
}

// One plane as the rules describe it: its area and every sample in it.
class ReferencePlane {
public:
    ReferencePlane(std::int64_t width, std::int64_t height, std::uint8_t fill)
        : m_width(width),
          m_height(height),
          m_across(ceilDiv(width, 128)),
          m_down(ceilDiv(height, 128)),
          m_samples(static_cast<std::size_t>(m_across * 128 * m_down * 128), fill) {}

    // Moves the origin by (dx, dy), adding `fill` tiles so that the plane
    // still covers the image: tiles on the left (top) when the origin comes
    // out above 0, tiles on the right (bottom) when the far edge falls short.
    void offset(std::int64_t dx, std::int64_t dy, std::uint8_t fill) {
        std::int64_t ox = m_ox + dx, oy = m_oy + dy, across = m_across, down = m_down, left = 0,
                     top = 0;
        if (ox > 0) left = ceilDiv(ox, 128), ox -= 128 * left, across += left;
        if (ox + 128 * across < m_width) across = ceilDiv(m_width - ox, 128);
        if (oy > 0) top = ceilDiv(oy, 128), oy -= 128 * top, down += top;
        if (oy + 128 * down < m_height) down = ceilDiv(m_height - oy, 128);
        std::vector<std::uint8_t> grown(static_cast<std::size_t>(across * 128 * down * 128), fill);
        for (std::int64_t y = 0; y < m_down * 128; ++y)
            for (std::int64_t x = 0; x < m_across * 128; ++x)
                grown[(y + top * 128) * across * 128 + x + left * 128] =
                    m_samples[y * m_across * 128 + x];
        m_samples.swap(grown);
        m_ox = ox, m_oy = oy, m_across = across, m_down = down;
    }

    std::int64_t left() const { return m_ox; }
    std::int64_t top() const { return m_oy; }
    std::int64_t right() const { return m_ox + 128 * m_across; }
    std::int64_t bottom() const { return m_oy + 128 * m_down; }
    bool inside(std::int64_t x, std::int64_t y) const {
        return x >= left() && x < right() && y >= top() && y < bottom();
    }
    std::uint8_t at(std::int64_t x, std::int64_t y) const {
        return m_samples[(y - m_oy) * m_across * 128 + (x - m_ox)];
    }
    void set(std::int64_t x, std::int64_t y, std::uint8_t v) {
        if (inside(x, y)) m_samples[(y - m_oy) * m_across * 128 + (x - m_ox)] = v;
    }
    // The sample at (x, y) with both coordinates clamped into [x0, x1] x [y0, y1].
    std::uint8_t clamped(std::int64_t x, std::int64_t y, std::int64_t x0, std::int64_t x1,
                         std::int64_t y0, std::int64_t y1) const {
        return at(std::clamp(x, x0, x1), std::clamp(y, y0, y1));
    }

private:
    std::int64_t m_width, m_height;
    std::int64_t m_ox = 0, m_oy = 0;
    std::int64_t m_across, m_down;
    std::vector<std::uint8_t> m_samples;
};

struct State {
    std::unique_ptr<ImageData> image;
    std::vector<ReferencePlane> planes;
};

void checkPlaneEqual(const ImageData& image, int p, const ReferencePlane& ref) {
    ASSERT_EQ(image.plane(p).originX, ref.left());
    ASSERT_EQ(image.plane(p).originY, ref.top());
    ASSERT_EQ(image.plane(p).right(), ref.right());
    ASSERT_EQ(image.plane(p).bottom(), ref.bottom());
    const auto width = static_cast<std::int32_t>(ref.right() - ref.left());
    std::vector<std::uint8_t> row(width);
    for (std::int64_t y = ref.top(); y < ref.bottom(); ++y) {
        ASSERT_TRUE(image.readRow(p, static_cast<std::int32_t>(ref.left()),
                                  static_cast<std::int32_t>(y), width, row.data()));
        for (std::int32_t i = 0; i < width; ++i)
            ASSERT_EQ(row[i], ref.at(ref.left() + i, y)) << "x " << ref.left() + i << " y " << y;
    }
}

class ImageDataPropertyTest
    : public ::testing::TestWithParam<std::tuple<std::pair<int, int>, std::pair<int, int>>> {};

TEST_P(ImageDataPropertyTest, RandomRowAndColumnWritesReadBackLikeAPlainArray) {
    const auto [size, offset] = GetParam();
    const auto [width, height] = size;
    const auto [dx, dy] = offset;
    TestStore ts(16, 4096);  // 15 tiles in memory, the rest paged
    const std::uint32_t startFree = ts.store().freeTiles();
    std::mt19937 random(static_cast<unsigned>(width * 7919 + height * 31 + dx * 3 + dy));
    auto uniform = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
    };

    const std::uint8_t fills[2] = {10, 20};
    std::vector<State> states(1);
    states[0].image = std::make_unique<ImageData>(ts.store());
    ASSERT_TRUE(states[0].image->create(2, width, height, fills));
    states[0].planes = {ReferencePlane(width, height, 10), ReferencePlane(width, height, 20)};
    ASSERT_TRUE(states[0].image->offsetPlane(1, dx, dy, 30));
    states[0].planes[1].offset(dx, dy, 30);

    std::vector<std::uint8_t> data(600), got(600);
    for (int step = 0; step < 160; ++step) {
        State& current = states.back();
        const int p = static_cast<int>(uniform(0, 1));
        ReferencePlane& ref = current.planes[p];
        const std::int64_t x = uniform(ref.left() - 60, ref.right() + 20);
        const std::int64_t y = uniform(ref.top() - 20, ref.bottom() + 5);
        const std::int64_t count = uniform(1, 400);
        // Runs of one value now and then, so constant tiles meet their own value.
        const bool flat = uniform(0, 3) == 0;
        const auto value =
            static_cast<std::uint8_t>(uniform(0, 2) == 0 ? fills[p] : uniform(0, 255));
        for (std::int64_t i = 0; i < count; ++i)
            data[i] = flat ? value : static_cast<std::uint8_t>(random());

        const auto action = uniform(0, 9);
        if (action < 5) {
            ASSERT_TRUE(current.image->writeRow(p, static_cast<std::int32_t>(x),
                                                static_cast<std::int32_t>(y),
                                                static_cast<std::int32_t>(count), data.data()));
            for (std::int64_t i = 0; i < count; ++i) ref.set(x + i, y, data[i]);
        } else if (action < 9) {
            ASSERT_TRUE(current.image->writeColumn(p, static_cast<std::int32_t>(x),
                                                   static_cast<std::int32_t>(y),
                                                   static_cast<std::int32_t>(count), data.data()));
            for (std::int64_t i = 0; i < count; ++i) ref.set(x, y + i, data[i]);
        } else if (states.size() < 3) {
            // A snapshot: the old state is kept, a duplicate becomes current.
            State next;
            next.image = std::make_unique<ImageData>(ts.store());
            ASSERT_TRUE(next.image->duplicate(*current.image));
            next.planes = current.planes;
            states.push_back(std::move(next));
        }

        // Reads at random places in every flavour.
        const ReferencePlane& r = states.back().planes[p];
        const ImageData& image = *states.back().image;
        const std::int64_t rx = uniform(r.left() - 300, r.right() + 100);
        const std::int64_t ry = uniform(r.top() - 10, r.bottom() + 10);
        const std::int64_t n = uniform(1, 600);
        ASSERT_TRUE(image.readRow(p, static_cast<std::int32_t>(rx), static_cast<std::int32_t>(ry),
                                  static_cast<std::int32_t>(n), got.data()));
        for (std::int64_t i = 0; i < n; ++i)
            ASSERT_EQ(got[i],
                      r.clamped(rx + i, ry, r.left(), r.right() - 1, r.top(), r.bottom() - 1))
                << "readRow step " << step << " i " << i;

        ASSERT_TRUE(image.readRowOrFill(p, static_cast<std::int32_t>(rx),
                                        static_cast<std::int32_t>(ry), static_cast<std::int32_t>(n),
                                        got.data(), 0x5A));
        for (std::int64_t i = 0; i < n; ++i)
            ASSERT_EQ(got[i], r.inside(rx + i, ry) ? r.at(rx + i, ry) : 0x5A)
                << "readRowOrFill step " << step;

        const std::int64_t cx0 = uniform(r.left(), r.right() - 1),
                           cy0 = uniform(r.top(), r.bottom() - 1);
        const std::int64_t cx1 = uniform(cx0, r.right() - 1), cy1 = uniform(cy0, r.bottom() - 1);
        const Rect clamp{static_cast<std::int32_t>(cx0), static_cast<std::int32_t>(cy0),
                         static_cast<std::int32_t>(cx1 + 1), static_cast<std::int32_t>(cy1 + 1)};
        ASSERT_TRUE(image.readRowWithin(p, static_cast<std::int32_t>(rx),
                                        static_cast<std::int32_t>(ry), static_cast<std::int32_t>(n),
                                        got.data(), clamp));
        for (std::int64_t i = 0; i < n; ++i)
            ASSERT_EQ(got[i], r.clamped(rx + i, ry, cx0, cx1, cy0, cy1))
                << "readRowWithin step " << step;
    }

    // Every state, snapshots included, still holds exactly what it was given.
    for (const State& s : states)
        for (int p = 0; p < 2; ++p)
            ASSERT_NO_FATAL_FAILURE(checkPlaneEqual(*s.image, p, s.planes[p]));
    states.clear();
    EXPECT_EQ(ts.store().freeTiles(), startFree);
    // The larger images do not fit the memory slots: their tiles were paged.
    if (width > 300) {
        EXPECT_GT(ts.files().reads, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndPositions, ImageDataPropertyTest,
    ::testing::Combine(::testing::Values(std::pair{1, 1}, std::pair{127, 129}, std::pair{300, 200},
                                         std::pair{513, 260}),
                       ::testing::Values(std::pair{0, 0}, std::pair{130, 0}, std::pair{-37, 75})));

}  // namespace
}  // namespace tessary
