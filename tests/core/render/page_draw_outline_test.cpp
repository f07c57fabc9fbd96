// The selection outline bitmap of PageDraw.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/page_draw.h"
#include "render_test_support.h"

namespace tessary {
namespace {

using test::Bytes;
using test::PageRig;

constexpr int kZoomCodes[] = {-32, -16, -8, -4, -2, 1, 2, 4, 8, 16, 32};

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Reference outline from the definition, pixel by pixel: output pixel (ox,
// oy) shows image pixel (left + floor(ox / mag) * red, top + floor(oy / mag)
// * red), which is selected when it is shown (its whole red x red block lies
// in the image) and its mask sample is at least the threshold; a selected
// pixel is on the outline unless all four neighbours are selected.
Bytes referenceOutline(const Bytes& mask, std::int32_t width, std::int32_t height,
                       const Rect& source, int code, int threshold, std::size_t bytesPerRow,
                       std::int32_t rows) {
    const std::int64_t mag = code > 1 ? code : 1;
    const std::int64_t red = code < -1 ? -code : 1;
    const auto selected = [&](std::int64_t ox, std::int64_t oy) {
        const std::int64_t x = source.left + floorDivide(ox, mag) * red;
        const std::int64_t y = source.top + floorDivide(oy, mag) * red;
        if (x < 0 || y < 0 || x + red > width || y + red > height) return false;
        return mask[static_cast<std::size_t>(y * width + x)] >= threshold;
    };
    const std::int64_t outWidth = source.width() / red * mag;
    const std::int64_t outHeight = source.height() / red * mag;
    Bytes out(bytesPerRow * static_cast<std::size_t>(rows), 0);
    for (std::int64_t oy = 0; oy < std::min<std::int64_t>(outHeight, rows); ++oy) {
        for (std::int64_t ox = 0; ox < std::min<std::int64_t>(outWidth, bytesPerRow * 8); ++ox) {
            if (!selected(ox, oy)) continue;
            if (selected(ox - 1, oy) && selected(ox + 1, oy) && selected(ox, oy - 1) &&
                selected(ox, oy + 1)) {
                continue;
            }
            out[static_cast<std::size_t>(oy) * bytesPerRow + static_cast<std::size_t>(ox / 8)] |=
                static_cast<std::uint8_t>(0x80 >> (ox % 8));
        }
    }
    return out;
}

class OutlineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(renderer.initialise(128, 128)); }

    // A grey page whose plane 1 is `mask`.
    void makeMask(std::int32_t width, std::int32_t height, const Bytes& mask) {
        rig.create(width, height, {Bytes{}, mask}, 0);
    }

    Bytes outline(const Rect& source, int code, std::uint8_t threshold, std::size_t bytesPerRow,
                  std::int32_t rows, bool* ok = nullptr) {
        Bytes bits(bytesPerRow * static_cast<std::size_t>(rows), 0xFF);
        const bool result = renderer.outlineBitmap(*rig.data().current(), source, 1, threshold,
                                                   code, bits.data(), bytesPerRow, rows);
        if (ok) *ok = result;
        return bits;
    }

    PageRig rig;
    PageDraw renderer;
};

TEST_F(OutlineTest, HandMadeMaskAtOneToOne) {
    // clang-format off
    makeMask(6, 5, {0, 0, 0, 0, 0, 0,
                    0, 9, 9, 9, 0, 0,
                    0, 9, 9, 9, 9, 0,
                    0, 9, 9, 9, 0, 0,
                    0, 0, 0, 0, 0, 0});
    // clang-format on
    const Bytes bits = outline({0, 0, 6, 5}, 1, 1, 1, 5);
    // .###.. / .#..#. / .###.. : the two inner pixels have four selected
    // neighbours.
    EXPECT_EQ(bits, (Bytes{0x00, 0x70, 0x48, 0x70, 0x00}));
}

TEST_F(OutlineTest, SinglePixelIsItsOwnOutlineAndABlockRingWhenMagnified) {
    Bytes mask(8 * 8, 0);
    mask[3 * 8 + 5] = 255;
    makeMask(8, 8, mask);
    Bytes bits = outline({0, 0, 8, 8}, 1, 1, 1, 8);
    Bytes expected(8, 0);
    expected[3] = 0x04;  // x = 5
    EXPECT_EQ(bits, expected);

    // At 4:1 the pixel is a 4 x 4 block whose border is the outline.
    bits = outline({4, 2, 8, 5}, 4, 1, 2, 12);
    // Pixel (5, 3) is column 1 and row 1 of the source: output (4..7, 4..7).
    expected.assign(24, 0);
    expected[4 * 2] = 0x0F;
    expected[5 * 2] = 0x09;
    expected[6 * 2] = 0x09;
    expected[7 * 2] = 0x0F;
    EXPECT_EQ(bits, expected);
}

TEST_F(OutlineTest, FullySelectedImageOutlinesItsBorderOnAllFourSides) {
    makeMask(8, 8, Bytes(64, 255));
    Bytes bits = outline({0, 0, 8, 8}, 1, 1, 1, 8);
    EXPECT_EQ(bits, (Bytes{0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF}));
    // At 1:2 the 8 x 8 image shows as 4 x 4.
    bits = outline({0, 0, 8, 8}, -2, 1, 1, 4);
    EXPECT_EQ(bits, (Bytes{0xF0, 0x90, 0x90, 0xF0}));
}

TEST_F(OutlineTest, APartNeverShowsFalseEdgesAtItsOwnBorder) {
    makeMask(8, 8, Bytes(64, 255));
    // Every pixel of the middle 4 x 4 has four selected neighbours.
    const Bytes bits = outline({2, 2, 6, 6}, 1, 1, 1, 4);
    EXPECT_EQ(bits, Bytes(4, 0));
}

TEST_F(OutlineTest, ThresholdIsInclusiveAndBitsBeyondTheSourceAreClear) {
    Bytes mask(16 * 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 16; ++x) mask[y * 16 + x] = static_cast<std::uint8_t>(x * 16);
    }
    makeMask(16, 4, mask);
    // Selected from x = 8 (sample 128) on; the output is 24 bits wide but the
    // source only 16, so the last byte stays clear even though it was 0xFF.
    const Bytes bits = outline({0, 0, 16, 4}, 1, 128, 3, 5);
    const Bytes expected{0x00, 0xFF, 0x00,   // row 0: the image's top edge
                         0x00, 0x81, 0x00,   // rows 1 and 2: x 8, and x 15 at the image edge
                         0x00, 0x81, 0x00,   //
                         0x00, 0xFF, 0x00,   // row 3: the image's bottom edge
                         0x00, 0x00, 0x00};  // row 4 is beyond the source
    EXPECT_EQ(bits, expected);
}

TEST_F(OutlineTest, RandomMasksMatchTheReferenceAtEveryZoomAndOffset) {
    const std::int32_t width = 150, height = 110;
    // Blobs: a coarse random grid thresholded, so that outlines have
    // interiors, plus scattered single pixels.
    Bytes mask(static_cast<std::size_t>(width) * height);
    const Bytes coarse = test::randomBytes(64, 42);
    const Bytes fine = test::randomBytes(mask.size(), 43);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t c = coarse[(y / 16) * 8 + (x / 20)];
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            mask[i] = c > 120 ? c : (fine[i] > 250 ? fine[i] : 0);
        }
    }
    makeMask(width, height, mask);
    const Rect sources[] = {{0, 0, width, height},
                            {13, 7, 141, 99},
                            {64, 32, 96, 70},
                            {-9, -5, 40, 30},
                            {149, 109, 150, 110}};
    for (const Rect& source : sources) {
        for (const int code : kZoomCodes) {
            for (const std::uint8_t threshold : {1, 200}) {
                const std::size_t bytesPerRow = 40;
                const std::int32_t rows = 300;
                const Bytes actual = outline(source, code, threshold, bytesPerRow, rows);
                const Bytes expected = referenceOutline(mask, width, height, source, code,
                                                        threshold, bytesPerRow, rows);
                ASSERT_EQ(actual, expected)
                    << "source " << source.left << "," << source.top << "," << source.right << ","
                    << source.bottom << " zoom " << code << " threshold " << int(threshold);
            }
        }
    }
}

TEST_F(OutlineTest, FailsCleanWhenNotReadyAndDrawsNothingWithoutAMaskPlane) {
    makeMask(8, 8, Bytes(64, 255));
    PageDraw idle;
    Bytes bits(8, 0xFF);
    EXPECT_FALSE(
        idle.outlineBitmap(*rig.data().current(), {0, 0, 8, 8}, 1, 1, 1, bits.data(), 1, 8));
    EXPECT_EQ(bits, Bytes(8, 0));
    // A plane number the state does not have: nothing is selected.
    bits.assign(8, 0xFF);
    EXPECT_TRUE(
        renderer.outlineBitmap(*rig.data().current(), {0, 0, 8, 8}, 5, 1, 1, bits.data(), 1, 8));
    EXPECT_EQ(bits, Bytes(8, 0));
}

}  // namespace
}  // namespace tessary
