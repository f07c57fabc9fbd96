#include "exchange/page_scrap.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/exchange/dib_builder.h"
#include "core/exchange/exchange_rig.h"
#include "exchange/dib_reader.h"
#include "exchange/dib_writer.h"
#include "model/grey_weights.h"

namespace tessary::test {
namespace {

// An ellipse mask over (left, top)-(right, bottom): 255 inside, 128 on a thin
// rim (partly selected samples travel too), 0 outside.
SampleAt ellipse(const Rect& r) {
    return [=](int x, int y) -> std::uint8_t {
        const double dx = (x + 0.5 - (r.left + r.right) / 2.0) / (r.width() / 2.0);
        const double dy = (y + 0.5 - (r.top + r.bottom) / 2.0) / (r.height() / 2.0);
        const double d = dx * dx + dy * dy;
        return d <= 0.8 ? 255 : d <= 1.0 ? 128 : 0;
    };
}

SampleAt shifted(const SampleAt& f, int dx, int dy) {
    return [=](int x, int y) { return f(x + dx, y + dy); };
}

// Adds a mask plane holding `mask` over the whole page and the selection rectangle.
void select(Page& page, const SampleAt& mask, const Rect& selection) {
    ASSERT_EQ(page.addMask(), kErrNone);
    fillPlane(*page.pageData(), page.colourPlaneCount(), page.bounds(), mask);
    page.setSelectionRect(selection);
}

// True when every sample of the contents' mask plane outside
// (0, 0)-(width, height) but inside its tile grid is 0.
bool maskClearBeyondContents(const PageScrap& scrap) {
    const ImageData::PlaneRecord& r = scrap.contents()->current()->plane(scrap.maskPlane());
    const Rect grid{r.originX, r.originY, static_cast<std::int32_t>(r.right()),
                    static_cast<std::int32_t>(r.bottom())};
    const Samples all = readArea(*scrap.contents(), scrap.maskPlane(), grid, 99);
    std::size_t i = 0;
    for (std::int32_t y = grid.top; y < grid.bottom; ++y) {
        for (std::int32_t x = grid.left; x < grid.right; ++x, ++i) {
            const bool inside = x >= 0 && y >= 0 && x < scrap.width() && y < scrap.height();
            if (!inside && all[i] != 0) return false;
        }
    }
    return true;
}

TEST(PageScrapCopy, ASelectionKeepsItsPixelsAndMaskAndSharesTiles) {
    ExchangeRig rig;
    const Rect selection{90, 60, 210, 140};
    auto page = rig.page(Page::kTypeGrey, 300, 200, 1, 0);
    select(*page, ellipse(selection), selection);
    PageScrap scrap(rig.store.store(), &rig.list);
    EXPECT_FALSE(scrap.hasImage());
    ASSERT_TRUE(scrap.copy(*page));
    EXPECT_TRUE(scrap.publishPending());
    EXPECT_EQ(scrap.bitsPerPixel(), 8);
    ASSERT_EQ(scrap.contents()->planeCount(), 2);
    const Rect inside{0, 0, 120, 80};
    EXPECT_EQ(scrap.width(), 120);
    EXPECT_EQ(scrap.height(), 80);
    EXPECT_EQ(readArea(*scrap.contents(), 0, inside),
              expectArea(inside, [](int x, int y) { return noise(x + 90, y + 60); }));
    EXPECT_EQ(readArea(*scrap.contents(), 1, inside),
              expectArea(inside, shifted(ellipse(selection), 90, 60)));
    // The page's mask tiles beyond 300 x 200 still hold 255: none of it came along.
    EXPECT_TRUE(maskClearBeyondContents(scrap));

    // A tile-aligned copy names the page's own tiles until either is written.
    auto colour = rig.page(Page::kTypeRgb, 384, 256, 3, 0);
    select(
        *colour, [](int, int) { return std::uint8_t{255}; }, Rect{128, 128, 256, 256});
    ASSERT_TRUE(scrap.copy(*colour));
    for (int p = 0; p < 3; ++p) {
        const auto theirs = colour->pageData()->current()->entry(p, 1, 1);
        const auto ours = scrap.contents()->current()->entry(p, 0, 0);
        EXPECT_EQ(ImageData::tileOf(ours), ImageData::tileOf(theirs)) << p;
        EXPECT_FALSE(ImageData::isConstant(ours) || ImageData::isPrivate(ours)) << p;
    }
    const std::uint8_t zeros[128] = {};
    ASSERT_TRUE(colour->pageData()->writeRow(0, 128, 128, 128, zeros));
    EXPECT_EQ(readArea(*scrap.contents(), 0, Rect{0, 0, 128, 1}),
              expectArea(Rect{0, 0, 128, 1}, [](int x, int) { return noise(x + 128, 128, 0); }));
}

TEST(PageScrapCopy, WithoutSelectionTheWholeImageIsTakenAndOnlyItPastes) {
    ExchangeRig rig;
    // The all-selected mask of a 100 x 100 copy is one constant tile 128 wide:
    // its samples past 100 must not paste.
    auto page = rig.page(Page::kTypeGrey, 100, 100, 1, 0);
    PageScrap scrap(rig.store.store(), &rig.list);
    ASSERT_TRUE(scrap.copy(*page));
    EXPECT_EQ(readArea(*scrap.contents(), 1, Rect{0, 0, 100, 100}), Samples(100 * 100, 255));
    EXPECT_TRUE(maskClearBeyondContents(scrap));
    auto target = rig.page(Page::kTypeGrey, 300, 300, 1);
    ASSERT_EQ(scrap.pasteIntoPage(*target, 150, 150), kErrNone);
    EXPECT_EQ(target->selectionRect(), (Rect{100, 100, 200, 200}));
    const Rect all{0, 0, 300, 300};
    EXPECT_EQ(readArea(*target->pageData(), 1, all), expectArea(all, [](int x, int y) {
                  return std::uint8_t(x >= 100 && x < 200 && y >= 100 && y < 200 ? 255 : 0);
              }));
}

TEST(PageScrapCopy, AFloatingSelectionIsTakenWithItsMask) {
    ExchangeRig rig;
    const Rect selection{20, 20, 100, 80};
    auto page = rig.page(Page::kTypeRgb, 200, 150, 3, 0);
    select(*page, ellipse(selection), selection);
    ASSERT_EQ(page->liftFloat(), kErrNone);
    PageData& data = *page->pageData();
    for (int p = 0; p < 3; ++p)
        fillPlane(data, 4 + p, page->bounds(), [p](int x, int y) { return noise(x, y, 10 + p); });
    // Float and mask moved by (+130, +95), partly off the image.
    for (int p = 3; p <= 6; ++p) ASSERT_TRUE(data.offsetPlane(p, 130, 95, 0));
    page->setSelectionRect(Rect{150, 115, 230, 175});
    PageScrap scrap(rig.store.store(), &rig.list);
    ASSERT_TRUE(scrap.copy(*page));
    EXPECT_EQ(scrap.bitsPerPixel(), 24);
    ASSERT_EQ(scrap.contents()->planeCount(), 4);
    const Rect inside{0, 0, 80, 60};
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(readArea(*scrap.contents(), p, inside),
                  expectArea(inside, [p](int x, int y) { return noise(x + 20, y + 20, 10 + p); }));
    }
    EXPECT_EQ(readArea(*scrap.contents(), 3, inside),
              expectArea(inside, shifted(ellipse(selection), 20, 20)));
    EXPECT_TRUE(maskClearBeyondContents(scrap));
}

TEST(PageScrapCopy, RefusedArgumentsKeepTheContentsAndAFailingStoreEmptiesThem) {
    ExchangeRig rig(8);  // 7 tiles in memory, no swap file
    // Constant planes use no tiles, nor does a copy of one whole tile; a copy
    // of 100 x 100 needs a stored tile to clear its mask beyond 100.
    auto aligned = rig.page(Page::kTypeGrey, 128, 128, 1);
    auto page = rig.page(Page::kTypeGrey, 100, 100, 1);
    PageScrap scrap(rig.store.store(), &rig.list);
    ASSERT_TRUE(scrap.copy(*aligned));
    const PageData* before = scrap.contents();
    for (const Rect& bad : {Rect{5, 5, 5, 9}, Rect{9, 5, 5, 9},
                            Rect{std::numeric_limits<std::int32_t>::min(), 0, 10, 10}}) {
        EXPECT_FALSE(scrap.copy(*page->pageData(), 1, bad));
    }
    EXPECT_FALSE(scrap.copy(*page->pageData(), 2, Rect{0, 0, 10, 10}));
    EXPECT_FALSE(
        scrap.copy(*page->pageData(), 3, Rect{0, 0, 10, 10}));  // one plane is no colour page
    EXPECT_EQ(scrap.contents(), before);

    std::vector<VMTile::TileNumber> held;
    while (rig.store.store().freeTiles() > 0) held.push_back(rig.store.store().allocate());
    EXPECT_FALSE(scrap.copy(*page));
    EXPECT_FALSE(scrap.hasImage());
    for (VMTile::TileNumber t : held) rig.store.store().release(t);
}

TEST(PageScrapPaste, ColourIntoColourLandsCentredWithItsMask) {
    ExchangeRig rig;
    const Rect selection{5, 5, 75, 55};
    auto source = rig.page(Page::kTypeRgb, 90, 70, 3, 0);
    select(*source, ellipse(selection), selection);
    PageScrap scrap(rig.store.store(), &rig.list);
    ASSERT_TRUE(scrap.copy(*source));
    auto target = rig.page(Page::kTypeRgb, 400, 300, 3);
    ASSERT_EQ(scrap.pasteIntoPage(*target, 200, 150), kErrNone);  // 70 x 50 from (165, 125)
    ASSERT_EQ(target->planeCount(), 7);
    const Rect all{0, 0, 400, 300}, landed{165, 125, 235, 175};
    EXPECT_EQ(readArea(*target->pageData(), 3, all), expectArea(all, [&](int x, int y) {
                  return x < 165 || y < 125 || x >= 235 || y >= 175
                             ? 0
                             : ellipse(selection)(x - 160, y - 120);
              }));
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(readArea(*target->pageData(), 4 + p, landed),
                  expectArea(landed, [p](int x, int y) { return noise(x - 160, y - 120, p); }));
    }
    EXPECT_EQ(target->selectionRect(), landed);  // the ellipse touches every side
    EXPECT_EQ(readArea(*target->pageData(), 0, all), Samples(400 * 300, 255));
}

TEST(PageScrapPaste, GreyIntoColourGivesEqualRedGreenBlueAndColourIntoGreyConvertsSelectedPixels) {
    ExchangeRig rig;
    const Rect all{0, 0, 40, 30};
    PageScrap scrap(rig.store.store(), &rig.list);
    auto grey = rig.page(Page::kTypeGrey, 40, 30, 1, 0);
    ASSERT_TRUE(scrap.copy(*grey));
    auto colourTarget = rig.page(Page::kTypeRgb, 40, 30, 3);
    ASSERT_EQ(scrap.pasteIntoPage(*colourTarget, 20, 15), kErrNone);
    for (int p = 4; p <= 6; ++p)
        EXPECT_EQ(readArea(*colourTarget->pageData(), p, all), readArea(*grey->pageData(), 0, all));
    EXPECT_EQ(scrap.bitsPerPixel(), 24);  // the contents became colour
    EXPECT_EQ(scrap.contents()->planeCount(), 4);

    const SampleAt stripes = [](int x, int) { return std::uint8_t(x % 3 == 0 ? 0 : 200); };
    auto colour = rig.page(Page::kTypeRgb, 40, 30, 3, 0);
    select(*colour, stripes, all);
    ASSERT_TRUE(scrap.copy(*colour));
    auto greyTarget = rig.page(Page::kTypeGrey, 40, 30, 2);  // has a mask already
    ASSERT_EQ(scrap.pasteIntoPage(*greyTarget, 20, 15), kErrNone);
    ASSERT_EQ(greyTarget->planeCount(), 3);
    EXPECT_EQ(readArea(*greyTarget->pageData(), 2, all), expectArea(all, [](int x, int y) {
                  return x % 3 == 0
                             ? std::uint8_t{0}
                             : GreyWeights::grey(noise(x, y, 0), noise(x, y, 1), noise(x, y, 2));
              }));
    EXPECT_EQ(readArea(*greyTarget->pageData(), 1, all), expectArea(all, stripes));
    EXPECT_EQ(scrap.contents()->planeCount(), 4);  // the working plane is gone
}

TEST(PageScrapPaste, TargetsWithAFloatOrAnEmptyScrapAreRefused) {
    ExchangeRig rig;
    PageScrap scrap(rig.store.store(), &rig.list);
    auto target = rig.page(Page::kTypeGrey, 30, 30, 1);
    EXPECT_EQ(scrap.pasteIntoPage(*target, 15, 15), kErrGeneral);
    EXPECT_EQ(target->planeCount(), 1);
    auto source = rig.page(Page::kTypeGrey, 10, 10, 1, 0);
    ASSERT_TRUE(scrap.copy(*source));
    ASSERT_EQ(target->addMask(), kErrNone);
    ASSERT_EQ(target->liftFloat(), kErrNone);
    EXPECT_EQ(scrap.pasteIntoPage(*target, 15, 15), kErrGeneral);
    EXPECT_FALSE(scrap.paste(*target->pageData(), 1, 15, 15));
    EXPECT_EQ(target->planeCount(), 3);
}

TEST(PageScrapPaste, ANewPageFromTheClipboardIsTheContentsOverWhite) {
    ExchangeRig rig;
    const Rect all{0, 0, 50, 40};
    auto source = rig.page(Page::kTypeRgb, 50, 40, 3, 0);
    select(*source, ellipse(all), all);
    PageScrap scrap(rig.store.store(), &rig.list);
    ASSERT_TRUE(scrap.copy(*source));
    auto fresh = rig.page(Page::kTypeRgb, scrap.width(), scrap.height(), 3);
    ASSERT_EQ(scrap.pasteIntoNewPage(*fresh), kErrNone);
    EXPECT_EQ(fresh->planeCount(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(readArea(*fresh->pageData(), p, all), expectArea(all, [&](int x, int y) {
                      return referenceBlend(ellipse(all)(x, y), noise(x, y, p), 255);
                  }));
    }
    PageScrap empty(rig.store.store(), &rig.list);
    auto white = rig.page(Page::kTypeGrey, 8, 8, 1);
    EXPECT_EQ(empty.pasteIntoNewPage(*white), kErrNone);
    EXPECT_EQ(readArea(*white->pageData(), 0, Rect{0, 0, 8, 8}), Samples(64, 255));
}

TEST(PageScrapExchange, PublishOncePerCopy) {
    ExchangeRig rig;
    auto source = rig.page(Page::kTypeGrey, 20, 10, 1, 0);
    PageScrap scrap(rig.store.store(), &rig.list);
    Bytes dib;
    EXPECT_FALSE(scrap.publish(dib));  // nothing copied
    ASSERT_TRUE(scrap.copy(*source->pageData(), 1, Rect{5, 2, 15, 8}));
    ASSERT_TRUE(scrap.publish(dib));
    DibReader reader;
    ASSERT_EQ(reader.open(dib), DibError::kNone);
    EXPECT_EQ(reader.info().bitCount, 8);
    ASSERT_EQ(reader.width(), 10);
    EXPECT_EQ(reader.height(), 6);
    Samples r(10), g(10), b(10);
    reader.readRow(3, r.data(), g.data(), b.data());
    EXPECT_EQ(g, expectArea(Rect{5, 5, 15, 6}, [](int x, int y) { return noise(x, y, 0); }));
    Bytes again;  // deactivating again publishes nothing
    EXPECT_FALSE(scrap.publish(again));
    EXPECT_TRUE(again.empty());
    EXPECT_TRUE(scrap.hasImage());
}

TEST(PageScrapExchange, ImportMakesSelectedColourContentsOrKeepsThePreviousOnes) {
    ExchangeRig rig(8);  // 7 tiles
    PageScrap scrap(rig.store.store(), &rig.list);
    const std::vector<Bytes> rows = {{1, 2, 3, 4, 5, 6, 7, 8, 9},
                                     {10, 20, 30, 40, 50, 60, 70, 80, 90}};
    ASSERT_EQ(scrap.importBitmap(buildDib({.width = 3, .height = 2, .rows = rows})),
              DibError::kNone);
    EXPECT_EQ(scrap.bitsPerPixel(), 24);
    EXPECT_FALSE(scrap.publishPending());
    const Rect all{0, 0, 3, 2};
    EXPECT_EQ(readArea(*scrap.contents(), 0, all), (Samples{3, 6, 9, 30, 60, 90}));
    EXPECT_EQ(readArea(*scrap.contents(), 1, all), (Samples{2, 5, 8, 20, 50, 80}));
    EXPECT_EQ(readArea(*scrap.contents(), 2, all), (Samples{1, 4, 7, 10, 40, 70}));
    EXPECT_EQ(readArea(*scrap.contents(), 3, all), Samples(6, 255));
    EXPECT_TRUE(maskClearBeyondContents(scrap));

    const PageData* before = scrap.contents();
    Bytes truncated = buildDib({.width = 4, .height = 4, .rows = std::vector<Bytes>(4, Bytes(12))});
    truncated.resize(truncated.size() - 20);
    EXPECT_EQ(scrap.importBitmap(truncated), DibError::kTruncated);
    const std::string text = "just some text";  // what a clipboard holding text hands over
    EXPECT_NE(scrap.importBitmap(
                  std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
              DibError::kNone);
    // 300 x 2 of varied colour needs 3 tiles in each of 3 planes.
    DibSpec wide{.width = 300, .height = 2, .rows = {Bytes(900), Bytes(900)}};
    for (std::size_t i = 0; i < 900; ++i) wide.rows[0][i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(scrap.importBitmap(buildDib(wide)), DibError::kStoreFailed);
    EXPECT_EQ(scrap.contents(), before);
}

TEST(PageScrapExchange, PagesSurviveTheTripThroughThePlatformClipboard) {
    ExchangeRig rig;
    const Rect all{0, 0, 150, 140};
    PageScrap scrap(rig.store.store(), &rig.list);
    auto grey = rig.page(Page::kTypeGrey, all.right, all.bottom, 1, 0);
    ASSERT_TRUE(scrap.copy(*grey));
    Bytes dib;
    ASSERT_TRUE(scrap.publish(dib));
    ASSERT_EQ(scrap.importBitmap(dib), DibError::kNone);  // colour, all selected
    auto greyBack = rig.page(Page::kTypeGrey, all.right, all.bottom, 1);
    ASSERT_EQ(scrap.pasteIntoNewPage(*greyBack), kErrNone);
    EXPECT_EQ(readArea(*greyBack->pageData(), 0, all), readArea(*grey->pageData(), 0, all));

    auto colour = rig.page(Page::kTypeRgb, all.right, all.bottom, 3, 0);
    Bytes file;
    ASSERT_EQ(writePageAsDib(*colour, dib), DibError::kNone);
    ASSERT_EQ(bitmapFileFromDib(dib, file), DibError::kNone);
    ASSERT_EQ(scrap.importBitmap(file), DibError::kNone);
    auto colourBack = rig.page(Page::kTypeRgb, all.right, all.bottom, 3);
    ASSERT_EQ(scrap.pasteIntoNewPage(*colourBack), kErrNone);
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(readArea(*colourBack->pageData(), p, all), readArea(*colour->pageData(), p, all));
    scrap.clear();
    EXPECT_EQ(scrap.writeDib(dib), DibError::kNoImage);
}

}  // namespace
}  // namespace tessary::test
