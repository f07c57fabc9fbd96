#include "render/page_draw.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/page_data.h"
#include "render_test_support.h"

namespace tessary {
namespace {

using test::Bytes;
using test::Image32;
using test::PageRig;
using test::randomBytes;

constexpr std::uint32_t kSentinel = 0xA5123456;  // top byte never written by the renderer
constexpr int kZoomCodes[] = {-32, -16, -8, -4, -2, 1, 2, 4, 8, 16, 32};

// --- Reference renderer, written per pixel from the formulas ----------------

// One plane as image-sized samples, displaced by (dx, dy) the way a floating
// selection's planes are moved: the sample shown at (x, y) is the one written
// at (x - dx, y - dy), and 0 where nothing was written.
struct PlaneModel {
    Bytes samples;
    std::int64_t dx = 0;
    std::int64_t dy = 0;
};

struct PageModel {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<PlaneModel> planes;

    int colour(int p, std::int64_t x, std::int64_t y) const {
        return planes[p].samples[static_cast<std::size_t>(y * width + x)];
    }
    int moved(int p, std::int64_t x, std::int64_t y) const {
        const std::int64_t sx = x - planes[p].dx;
        const std::int64_t sy = y - planes[p].dy;
        if (sx < 0 || sy < 0 || sx >= width || sy >= height) return 0;
        return planes[p].samples[static_cast<std::size_t>(sy * width + sx)];
    }
};

int overlay(int floating, int mask, int old) {
    return (floating * mask + (256 - mask) * old + 128) >> 8;
}

std::uint32_t referencePixel(const PageModel& page, int mode, std::int64_t x, std::int64_t y) {
    const int planes = static_cast<int>(page.planes.size());
    if (mode == PageDraw::kModeGrey || mode == PageDraw::kModeGreyFloat) {
        int g = page.colour(0, x, y);
        if (mode == PageDraw::kModeGreyFloat && planes >= 3) {
            g = overlay(page.moved(2, x, y), page.moved(1, x, y), g);
        }
        return static_cast<std::uint32_t>(g) * 0x010101u;
    }
    int c[3];
    for (int p = 0; p < 3; ++p) c[p] = p < planes ? page.colour(p, x, y) : 0;
    if (mode == PageDraw::kModeRgbFloat) {
        for (int p = 0; p < 3; ++p) {
            if (planes > 4 + p) c[p] = overlay(page.moved(4 + p, x, y), page.moved(3, x, y), c[p]);
        }
    }
    return (static_cast<std::uint32_t>(c[0]) << 16) | (static_cast<std::uint32_t>(c[1]) << 8) |
           static_cast<std::uint32_t>(c[2]);
}

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The image coordinate a device coordinate shows along one axis, or -1 when
// it shows nothing. At n:1 device d shows source start + floor((d - dest) /
// n); at 1:n it shows source start + (d - dest) * n. A pixel is drawn when it
// lies in the image and the source rectangle, and at 1:n when its whole
// n-pixel block does.
std::int64_t shownCoordinate(std::int64_t device, std::int64_t destStart, std::int64_t srcStart,
                             std::int64_t srcEnd, std::int64_t imageSize, int code) {
    const std::int64_t end = std::min(srcEnd, imageSize);
    if (code < -1) {
        const std::int64_t n = -code;
        const std::int64_t rel = device - destStart;
        if (rel < 0) return -1;
        const std::int64_t x = srcStart + rel * n;
        return (x >= 0 && x + n <= end) ? x : -1;
    }
    const std::int64_t n = code > 1 ? code : 1;
    const std::int64_t x = srcStart + floorDivide(device - destStart, n);
    return (x >= 0 && x >= srcStart && x < end) ? x : -1;
}

Image32 referenceDraw(const PageModel& page, const Rect& source, const WideRect& destination,
                      const Image32& shape, const WideRect& clip, int code, int mode) {
    Image32 out(shape.width, shape.height, shape.originX, shape.originY, kSentinel);
    for (std::int64_t dy = out.originY; dy < out.originY + out.height; ++dy) {
        for (std::int64_t dx = out.originX; dx < out.originX + out.width; ++dx) {
            if (!destination.contains(dx, dy) || !clip.contains(dx, dy)) continue;
            const std::int64_t x =
                shownCoordinate(dx, destination.left, source.left, source.right, page.width, code);
            const std::int64_t y =
                shownCoordinate(dy, destination.top, source.top, source.bottom, page.height, code);
            if (x < 0 || y < 0) continue;
            out.at(dx, dy) = referencePixel(page, mode, x, y);
        }
    }
    return out;
}

std::string zoomName(int code) {
    return code < 0 ? "1to" + std::to_string(-code) : std::to_string(code) + "to1";
}

// --- Pages ----------------------------------------------------------------

// Builds random colour planes (and, with `withFloat`, a mask and float planes
// moved by (floatDx, floatDy)) both as a model and in the rig.
PageModel buildPage(PageRig& rig, int colourPlanes, bool withMask, bool withFloat,
                    std::int32_t width, std::int32_t height, std::uint32_t seed,
                    std::int32_t floatDx = 37, std::int32_t floatDy = -21) {
    PageModel model;
    model.width = width;
    model.height = height;
    const std::size_t n = static_cast<std::size_t>(width) * height;
    int planeCount =
        colourPlanes + (withMask || withFloat ? 1 : 0) + (withFloat ? colourPlanes : 0);
    for (int p = 0; p < planeCount; ++p) {
        model.planes.push_back({randomBytes(n, seed + static_cast<std::uint32_t>(p) * 7919), 0, 0});
    }
    std::vector<Bytes> samples;
    for (const auto& plane : model.planes) samples.push_back(plane.samples);
    rig.create(width, height, samples, 0);
    if (withFloat) {
        for (int p = colourPlanes; p < planeCount; ++p) {
            EXPECT_TRUE(rig.data().offsetPlane(p, floatDx, floatDy, 0));
            model.planes[p].dx = floatDx;
            model.planes[p].dy = floatDy;
        }
    }
    return model;
}

struct DrawCase {
    const char* name;
    Rect source;
    // Destination top-left for a zoom code.
    std::function<WidePoint(int)> origin;
    WideRect clip;
};

std::vector<DrawCase> drawCases() {
    const WideRect none{-DrawTarget::kNoLimit, -DrawTarget::kNoLimit, DrawTarget::kNoLimit,
                        DrawTarget::kNoLimit};
    // Puts image point (150, 100) near device (80, 60) at every zoom.
    const auto centred = [](int code) {
        const std::int64_t mag = code > 1 ? code : 1;
        const std::int64_t red = code < -1 ? -code : 1;
        return WidePoint{80 - 150 * mag / red, 60 - 100 * mag / red};
    };
    return {
        {"whole",
         {0, 0, 300, 200},
         [](int) {
             return WidePoint{3, 2};
         },
         none},
        {"whole_centred", {0, 0, 300, 200}, centred, none},
        {"odd_part",
         {37, 11, 251, 163},
         [](int) {
             return WidePoint{-29, 17};
         },
         none},
        {"odd_part_centred", {37, 11, 251, 163}, centred, {-3, 9, 141, 103}},
        {"beyond_edges",
         {-45, -13, 333, 260},
         [](int) {
             return WidePoint{-5, -9};
         },
         none},
        {"beyond_edges_centred", {-45, -13, 333, 260}, centred, {10, 10, 150, 100}},
        {"one_pixel",
         {150, 100, 151, 101},
         [](int) {
             return WidePoint{40, 41};
         },
         none},
        {"outside",
         {400, 0, 500, 50},
         [](int) {
             return WidePoint{0, 0};
         },
         none},
        {"inverted",
         {50, 50, 40, 60},
         [](int) {
             return WidePoint{0, 0};
         },
         none},
    };
}

// Every case at every zoom with three band sizes, against the reference.
void checkAllZooms(const PageData& data, const PageModel& model, int mode,
                   const std::string& label) {
    const std::uint32_t bandSizes[][2] = {{128, 128}, {7, 5}, {33, 19}};
    for (const auto& band : bandSizes) {
        PageDraw renderer;
        ASSERT_TRUE(renderer.initialise(band[0], band[1]));
        for (const DrawCase& c : drawCases()) {
            for (const int code : kZoomCodes) {
                const WidePoint origin = c.origin(code);
                // A destination rectangle that reaches well past the target;
                // the target's own device rectangle starts at (-7, 4).
                const WideRect destination{origin.x, origin.y, origin.x + 100000,
                                           origin.y + 100000};
                Image32 actual(160, 120, -7, 4, kSentinel);
                DrawTarget target = actual.target();
                target.clip = c.clip;
                renderer.draw(data, c.source, destination, target, code, mode, 0);
                const Image32 expected =
                    referenceDraw(model, c.source, destination, actual, c.clip, code, mode);
                const std::string name = label + "-" + c.name + "-" + zoomName(code) + "-band" +
                                         std::to_string(band[0]) + "x" + std::to_string(band[1]);
                if (!test::expectSameImage(actual, expected, name)) return;
            }
        }
    }
}

class PageDrawTest : public ::testing::Test {
protected:
    PageRig rig;
};

TEST_F(PageDrawTest, RgbPageMatchesTheReferenceAtEveryZoom) {
    const PageModel model = buildPage(rig, 3, false, false, 300, 200, 1);
    checkAllZooms(rig.data(), model, PageDraw::kModeRgb, "rgb");
}

TEST_F(PageDrawTest, RgbPageWithMovedFloatMatchesTheReferenceAtEveryZoom) {
    const PageModel model = buildPage(rig, 3, true, true, 300, 200, 2);
    checkAllZooms(rig.data(), model, PageDraw::kModeRgbFloat, "rgb-float");
}

TEST_F(PageDrawTest, GreyPageMatchesTheReferenceAtEveryZoom) {
    const PageModel model = buildPage(rig, 1, false, false, 300, 200, 3);
    checkAllZooms(rig.data(), model, PageDraw::kModeGrey, "grey");
}

TEST_F(PageDrawTest, GreyPageWithMovedFloatMatchesTheReferenceAtEveryZoom) {
    const PageModel model = buildPage(rig, 1, true, true, 300, 200, 4, -53, 29);
    checkAllZooms(rig.data(), model, PageDraw::kModeGreyFloat, "grey-float");
}

TEST_F(PageDrawTest, PlanesTheModeDoesNotUseOrThatAreMissingChangeNothing) {
    // A mask alone, drawn plain and by mode 101, which finds no float planes.
    const PageModel rgb = buildPage(rig, 3, true, false, 300, 200, 5);
    checkAllZooms(rig.data(), rgb, PageDraw::kModeRgb, "rgb-mask");
    checkAllZooms(rig.data(), rgb, PageDraw::kModeRgbFloat, "rgb-mask-mode101");
    // Mode 103 with fewer than three planes draws as if nothing floated.
    const PageModel grey = buildPage(rig, 1, true, false, 300, 200, 6);
    checkAllZooms(rig.data(), grey, PageDraw::kModeGreyFloat, "grey-two-planes");
    // The plain mode ignores float planes.
    const PageModel floating = buildPage(rig, 3, true, true, 300, 200, 7);
    checkAllZooms(rig.data(), floating, PageDraw::kModeRgb, "rgb-float-ignored");
}

// --- Hand-made values ------------------------------------------------------

// A 4 x 1 RGB page whose four pixels carry the given colour, float and mask
// samples (one value per plane for all colours), drawn at 1:1.
std::vector<std::uint32_t> drawFourPixels(PageRig& rig, int mode, const Bytes& colour,
                                          const Bytes& floating, const Bytes& mask) {
    const bool grey = mode >= PageDraw::kModeGrey;
    std::vector<Bytes> planes;
    for (int c = 0; c < (grey ? 1 : 3); ++c) planes.push_back(colour);
    planes.push_back(mask);
    for (int c = 0; c < (grey ? 1 : 3); ++c) planes.push_back(floating);
    rig.create(4, 1, planes, 0);
    PageDraw renderer;
    EXPECT_TRUE(renderer.initialise(128, 128));
    Image32 out(4, 1, 0, 0, kSentinel);
    renderer.draw(rig.data(), {0, 0, 4, 1}, {0, 0, 4, 1}, out.target(), 1, mode, 0);
    return out.pixels;
}

TEST_F(PageDrawTest, FloatBlendUsesTheWeights256MinusMaskExactlyAsWritten) {
    // colour, float, mask -> (f m + (256 - m) old + 128) >> 8, worked by hand:
    //   200, 10, 0   -> (0 + 51200 + 128) >> 8 = 200 (mask 0 keeps the image)
    //   200, 10, 255 -> (2550 + 200 + 128) >> 8 = 11 (not 10: weight 1 on old)
    //   0, 255, 255  -> (65025 + 0 + 128) >> 8 = 254
    //   50, 100, 128 -> (12800 + 6400 + 128) >> 8 = 75
    const Bytes colour{200, 200, 0, 50};
    const Bytes floating{10, 10, 255, 100};
    const Bytes mask{0, 255, 255, 128};
    const std::vector<std::uint32_t> rgb =
        drawFourPixels(rig, PageDraw::kModeRgbFloat, colour, floating, mask);
    const std::vector<std::uint32_t> expected{200 * 0x010101u, 11 * 0x010101u, 254 * 0x010101u,
                                              75 * 0x010101u};
    EXPECT_EQ(rgb, expected);
    const std::vector<std::uint32_t> grey =
        drawFourPixels(rig, PageDraw::kModeGreyFloat, colour, floating, mask);
    EXPECT_EQ(grey, expected);
}

TEST_F(PageDrawTest, OneHundredPixelsAt1To32DrawThreePixelsPerRow) {
    // Pixel x of the row is x; at 1:32 pixels 0, 32 and 64 are shown.
    Bytes row(100 * 40);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i % 100);
    rig.create(100, 40, {row});
    PageDraw renderer;
    ASSERT_TRUE(renderer.initialise(128, 128));
    Image32 out(6, 3, 0, 0, kSentinel);
    renderer.draw(rig.data(), {0, 0, 100, 40}, {0, 0, 6, 3}, out.target(), -32, PageDraw::kModeGrey,
                  0);
    const std::uint32_t s = kSentinel;
    const std::vector<std::uint32_t> expected{
        0, 32 * 0x010101u, 64 * 0x010101u, s, s, s, s, s, s, s, s, s, s, s, s, s, s, s};
    EXPECT_EQ(out.pixels, expected);
}

// --- History ---------------------------------------------------------------

class PageDrawHistoryTest : public ::testing::Test {
protected:
    // Three states: the created one (all 10), then two edits (all 20, all 30).
    void SetUp() override {
        rig.create(20, 10, {Bytes(200, 10)});
        for (const std::uint8_t value : {20, 30}) {
            ASSERT_TRUE(rig.data().beginChange());
            rig.writePlane(0, Bytes(200, value));
            rig.data().endChange();
        }
        ASSERT_TRUE(renderer.initialise(128, 128));
    }

    // The grey level drawn at pixel (3, 3) with the given history offset.
    int drawnLevel(int offset) {
        Image32 out(20, 10, 0, 0, kSentinel);
        renderer.draw(rig.data(), {0, 0, 20, 10}, {0, 0, 20, 10}, out.target(), 1,
                      PageDraw::kModeGrey, offset);
        return static_cast<int>(out.at(3, 3) & 0xFF);
    }

    PageRig rig;
    PageDraw renderer;
};

TEST_F(PageDrawHistoryTest, OffsetDrawsTheStateThatManyStepsBackClampedToTheChain) {
    EXPECT_EQ(drawnLevel(0), 30);
    EXPECT_EQ(drawnLevel(1), 20);
    EXPECT_EQ(drawnLevel(2), 10);
    EXPECT_EQ(drawnLevel(7), 10);  // only two undo steps exist
}

TEST_F(PageDrawHistoryTest, NegativeOffsetDrawsRedoStates) {
    rig.data().undo();
    rig.data().undo();
    EXPECT_EQ(drawnLevel(0), 10);
    EXPECT_EQ(drawnLevel(-1), 20);
    EXPECT_EQ(drawnLevel(-2), 30);
    EXPECT_EQ(drawnLevel(-9), 30);
    EXPECT_EQ(drawnLevel(1), 10);  // nothing older
}

TEST_F(PageDrawHistoryTest, DrawingTheStateBeforeAnOpenChangeLeavesThePageAlone) {
    // As while an effect runs: a change is open and half written.
    ASSERT_TRUE(rig.data().beginChange());
    ASSERT_TRUE(rig.data().writeRow(0, 0, 3, 20, Bytes(20, 99).data()));
    const ImageData* current = rig.data().current();
    const int undoCount = rig.data().undoCount();
    EXPECT_EQ(drawnLevel(1), 30);  // the image as it was before the change
    EXPECT_EQ(drawnLevel(0), 99);
    EXPECT_EQ(rig.data().current(), current);
    EXPECT_EQ(rig.data().undoCount(), undoCount);
    EXPECT_TRUE(rig.data().changeOpen());
    rig.data().endChange();
}

// --- Life cycle -------------------------------------------------------------

TEST(PageDrawLifeTest, InitialiseReportsReadinessAndFixedWorkMemory) {
    PageDraw renderer;
    EXPECT_FALSE(renderer.ready());
    EXPECT_FALSE(renderer.initialise(0, 128));
    EXPECT_FALSE(renderer.ready());
    ASSERT_TRUE(renderer.initialise(128, 128));
    EXPECT_TRUE(renderer.ready());
    EXPECT_EQ(renderer.bandWidth(), 128u);
    // Colour band, seven sample lines of 32 band widths, seven channel rows.
    EXPECT_EQ(renderer.workBytes(), 128u * 128 * 4 + 7u * 128 * 32 + 7u * 128);
    renderer.release();
    EXPECT_FALSE(renderer.ready());
    EXPECT_EQ(renderer.workBytes(), 0u);
}

TEST(PageDrawLifeTest, ARendererThatIsNotReadyDrawsNothing) {
    PageRig rig;
    rig.create(8, 8, {Bytes(64, 77)});
    PageDraw renderer;
    Image32 out(8, 8, 0, 0, kSentinel);
    renderer.draw(rig.data(), {0, 0, 8, 8}, {0, 0, 8, 8}, out.target(), 1, PageDraw::kModeGrey, 0);
    EXPECT_EQ(out.pixels, std::vector<std::uint32_t>(64, kSentinel));
    // Once ready it draws.
    ASSERT_TRUE(renderer.initialise(128, 128));
    renderer.draw(rig.data(), {0, 0, 8, 8}, {0, 0, 8, 8}, out.target(), 1, PageDraw::kModeGrey, 0);
    EXPECT_EQ(out.pixels, std::vector<std::uint32_t>(64, 77 * 0x010101u));
}

}  // namespace
}  // namespace tessary
