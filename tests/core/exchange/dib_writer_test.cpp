#include "exchange/dib_writer.h"

#include <gtest/gtest.h>

#include "core/exchange/dib_builder.h"
#include "core/exchange/exchange_rig.h"
#include "exchange/dib_reader.h"

namespace tessary::test {
namespace {

// Planes red, green, blue of every pixel, top row first.
std::array<Samples, 3> decode(std::span<const std::uint8_t> bytes) {
    std::array<Samples, 3> out;
    DibReader reader;
    EXPECT_EQ(reader.open(bytes), DibError::kNone);
    Samples r(static_cast<std::size_t>(reader.width())), g(r), b(r);
    for (std::int32_t y = 0; reader.isOpen() && y < reader.height(); ++y) {
        reader.readRow(y, r.data(), g.data(), b.data());
        out[0].insert(out[0].end(), r.begin(), r.end());
        out[1].insert(out[1].end(), g.begin(), g.end());
        out[2].insert(out[2].end(), b.begin(), b.end());
    }
    return out;
}

TEST(DibWriter, GreyIsEightBitWithAGreyTableColourIsBlueGreenRedBothBottomUpAndPadded) {
    ExchangeRig rig;
    auto grey = rig.page(Page::kTypeGrey, 3, 2, 1);
    fillPlane(*grey->pageData(), 0, Rect{0, 0, 3, 2},
              [](int x, int y) { return std::uint8_t(10 + 30 * y + 10 * x); });
    Bytes dib;
    ASSERT_EQ(writePageAsDib(*grey, dib), DibError::kNone);
    ASSERT_EQ(dib.size(), 40u + 1024 + 2 * 4);
    // size, width, height (positive: bottom-up), planes | bits, BI_RGB,
    // image bytes, 72 ppi as pixels per metre, 256 colours, 0 important.
    const std::uint32_t greyHeader[] = {40, 3, 2, 1 | 8 << 16, 0, 8, 2835, 2835, 256, 0};
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(read32At(dib, 4 * i), greyHeader[i]) << i;
    for (std::uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(read32At(dib, 40 + 4 * i), i * 0x010101u) << i;
    EXPECT_EQ(Bytes(dib.begin() + 1064, dib.end()), (Bytes{40, 50, 60, 0, 10, 20, 30, 0}));

    auto colour = rig.page(Page::kTypeRgb, 3, 2, 3);
    colour->setResolution(300.0, 150.0);
    for (int p = 0; p < 3; ++p) {
        fillPlane(*colour->pageData(), p, Rect{0, 0, 3, 2},
                  [p](int x, int y) { return std::uint8_t(100 * p + 10 * y + x); });
    }
    ASSERT_EQ(writePageAsDib(*colour, dib), DibError::kNone);
    ASSERT_EQ(dib.size(), 40u + 2 * 12);
    const std::uint32_t colourHeader[] = {40, 3, 2, 1 | 24 << 16, 0, 24, 11811, 5906, 0, 0};
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(read32At(dib, 4 * i), colourHeader[i]) << i;
    EXPECT_EQ(Bytes(dib.begin() + 40, dib.end()),
              (Bytes{210, 110, 10, 211, 111, 11, 212, 112, 12, 0, 0, 0,  //
                     200, 100, 0,  201, 101, 1,  202, 102, 2,  0, 0, 0}));
}

TEST(DibWriter, PagesComeBackBitExactAsPagesOfTheirType) {
    ExchangeRig rig;
    for (const Rect all : {Rect{0, 0, 1, 1}, Rect{0, 0, 130, 131}, Rect{0, 0, 257, 3}}) {
        for (int type : {Page::kTypeGrey, Page::kTypeRgb}) {
            SCOPED_TRACE(testing::Message() << all.right << " type " << type);
            auto page = rig.page(type, all.right, all.bottom, type == Page::kTypeGrey ? 1 : 3, 4);
            Bytes dib;
            ASSERT_EQ(writePageAsDib(*page, dib), DibError::kNone);
            const auto planes = decode(dib);
            for (int p = 0; p < 3; ++p) {
                const int salt = type == Page::kTypeGrey ? 4 : 4 + p;
                EXPECT_EQ(planes[p],
                          expectArea(all, [salt](int x, int y) { return noise(x, y, salt); }));
            }
            DibReader reader;
            ASSERT_EQ(reader.open(dib), DibError::kNone);
            EXPECT_EQ(reader.greyPalette(), type == Page::kTypeGrey);
            Page back(rig.environment());
            ASSERT_EQ(reader.readIntoPage(back), DibError::kNone);
            ASSERT_EQ(back.type(), type);
            for (int p = 0; p < back.colourPlaneCount(); ++p) {
                EXPECT_EQ(readArea(*back.pageData(), p, all), readArea(*page->pageData(), p, all));
            }
        }
    }
    DibReader reader;  // one colour in the table makes a colour page
    ASSERT_EQ(reader.open(buildDib({40, 2, 1, 1, 0, 0, {}, {0, rgb(9, 9, 10)}, {{0x40}}})),
              DibError::kNone);
    EXPECT_FALSE(reader.greyPalette());
}

TEST(DibWriter, AFloatingSelectionIsWrittenAsShown) {
    ExchangeRig rig;
    auto page = rig.page(Page::kTypeGrey, 4, 1, 1);
    PageData& data = *page->pageData();
    fillPlane(data, 0, Rect{0, 0, 4, 1}, [](int, int) { return std::uint8_t{100}; });
    ASSERT_EQ(page->addMask(), kErrNone);
    ASSERT_EQ(page->liftFloat(), kErrNone);
    const std::uint8_t mask[4] = {0, 255, 128, 255}, floating[4] = {200, 200, 200, 7};
    fillPlane(data, 1, Rect{0, 0, 4, 1}, [&](int x, int) { return mask[x]; });
    fillPlane(data, 2, Rect{0, 0, 4, 1}, [&](int x, int) { return floating[x]; });
    Bytes dib;
    ASSERT_EQ(writePageAsDib(*page, dib), DibError::kNone);
    // 128 over 200 onto 100: (200 - 99) + 49 = 150, worked by hand.
    EXPECT_EQ(referenceBlend(128, 200, 100), 150);
    EXPECT_EQ(decode(dib)[0], (Samples{100, 200, 150, 7}));
}

TEST(DibWriter, BitmapFilesAndSizeLimits) {
    ExchangeRig rig;
    for (int type : {Page::kTypeGrey, Page::kTypeRgb}) {
        auto page = rig.page(type, 5, 3, type == Page::kTypeGrey ? 1 : 3, 0);
        Bytes dib, file;
        ASSERT_EQ(writePageAsDib(*page, dib), DibError::kNone);
        ASSERT_EQ(bitmapFileFromDib(dib, file), DibError::kNone);
        ASSERT_EQ(file.size(), dib.size() + 14);
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 2), (Bytes{'B', 'M'}));
        EXPECT_EQ(read32At(file, 2), file.size());
        EXPECT_EQ(read32At(file, 10), type == Page::kTypeGrey ? 14u + 40 + 1024 : 14u + 40);
        EXPECT_EQ(decode(file), decode(dib));
    }
    Bytes file;
    EXPECT_EQ(bitmapFileFromDib(Bytes{40, 0, 0}, file), DibError::kTruncated);
    // 65,535 rows of 65,536 bytes with headers and table fit 32 bits; one more does not.
    EXPECT_EQ(DibWriter::packedBytes(65535, 65535, true), 1064u + 65536ull * 65535);
    EXPECT_EQ(DibWriter::packedBytes(65536, 65536, true), 0u);
    EXPECT_EQ(DibWriter::packedBytes(0, 5, false), 0u);
    DibWriter writer;
    EXPECT_EQ(writer.start(0x7FFFFFFF, 0x7FFFFFFF, false), DibError::kTooLarge);
    EXPECT_FALSE(writer.started());
}

}  // namespace
}  // namespace tessary::test
