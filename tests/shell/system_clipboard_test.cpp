#include "shell/services/system_clipboard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "app/zerozevuv.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

class SystemClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
    PageScrap& scrap() { return *rig.app().scrap(); }
    test::EditorRig rig;
    CSystemClipboard& clipboard = *rig.app().clipboard();
};

// The colour of contents pixel (x, y) of the scrap (red in bits 0-7).
std::uint32_t scrapColour(const PageScrap& scrap, int x, int y) {
    std::uint8_t r = 0, g = 0, b = 0;
    scrap.contents()->readRow(0, x, y, 1, &r);
    scrap.contents()->readRow(1, x, y, 1, &g);
    scrap.contents()->readRow(2, x, y, 1, &b);
    return r | (g << 8) | (b << 16);
}

std::uint8_t scrapMask(const PageScrap& scrap, int x, int y) {
    std::uint8_t m = 0;
    scrap.contents()->readRow(scrap.maskPlane(), x, y, 1, &m);
    return m;
}

TEST_F(SystemClipboardTest, AnImageOnTheClipboardReplacesTheScrap) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    image.setPixel(1, 0, qRgb(255, 0, 0));
    image.setPixel(2, 0, qRgb(0, 255, 0));
    image.setPixel(0, 1, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(1, 2, 3));
    image.setPixel(2, 1, qRgb(200, 100, 50));
    QGuiApplication::clipboard()->setImage(image);
    ASSERT_TRUE(clipboard.importInto(scrap()));
    ASSERT_TRUE(scrap().hasImage());
    EXPECT_EQ(scrap().width(), 3);
    EXPECT_EQ(scrap().height(), 2);
    EXPECT_EQ(scrapColour(scrap(), 0, 0), 0x1E140Au);
    EXPECT_EQ(scrapColour(scrap(), 1, 0), 0x0000FFu);
    EXPECT_EQ(scrapColour(scrap(), 0, 1), 0xFF0000u);
    EXPECT_EQ(scrapColour(scrap(), 2, 1), 0x3264C8u);
    EXPECT_EQ(scrapMask(scrap(), 1, 1), 255);
}

TEST_F(SystemClipboardTest, TextOnlyLeavesTheScrapAsItWas) {
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 5, 4);
    ASSERT_TRUE(scrap().copy(*page));
    QGuiApplication::clipboard()->setText(QStringLiteral("just text"));
    EXPECT_FALSE(clipboard.importInto(scrap()));
    EXPECT_EQ(scrap().width(), 5);
    EXPECT_EQ(scrapColour(scrap(), 2, 3), test::patternColour(2, 3));
}

TEST_F(SystemClipboardTest, APublishedCopyReachesTheClipboardOnce) {
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 6, 5);
    ASSERT_TRUE(scrap().copy(*page));
    ASSERT_TRUE(clipboard.publishFrom(scrap()));
    const QImage published = QGuiApplication::clipboard()->image();
    ASSERT_EQ(published.size(), QSize(6, 5));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const std::uint32_t c = test::patternColour(x, y);
            EXPECT_EQ(published.pixel(x, y) & 0xFFFFFF,
                      qRgb(c & 0xFF, (c >> 8) & 0xFF, c >> 16) & 0xFFFFFF);
        }
    }
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/bmp")));
    // Deactivating again without a new copy publishes nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("other"));
    EXPECT_FALSE(clipboard.publishFrom(scrap()));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("other"));
}

TEST_F(SystemClipboardTest, OurOwnPublishedImageDoesNotReplaceTheScrapsMask) {
    // An elliptical-like selection: a mask with holes.
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 4, 4);
    PageData& data = *page->pageData();
    ASSERT_TRUE(data.beginChange());
    ASSERT_EQ(page->addMask(), kErrNone);
    const std::uint8_t hole = 0;
    ASSERT_TRUE(data.writeRow(page->maskPlane(), 0, 0, 1, &hole));
    data.endChange();
    ASSERT_TRUE(scrap().copy(*page));
    ASSERT_EQ(scrapMask(scrap(), 0, 0), 0);
    ASSERT_TRUE(clipboard.publishFrom(scrap()));
    // Switching back to the editor: the clipboard still holds our image.
    rig.app().applicationActivated();
    EXPECT_EQ(scrapMask(scrap(), 0, 0), 0);
    EXPECT_EQ(scrapMask(scrap(), 1, 0), 255);
}

TEST_F(SystemClipboardTest, StartUpImportsTheClipboardImage) {
    QImage image(7, 3, QImage::Format_RGB32);
    image.fill(qRgb(9, 8, 7));
    QGuiApplication::clipboard()->setImage(image);
    rig.app().exitInstance();
    test::EditorRig second;
    ASSERT_NE(second.app().scrap(), nullptr);
    EXPECT_TRUE(second.app().scrap()->active());
    ASSERT_TRUE(second.app().scrap()->hasImage());
    EXPECT_EQ(second.app().scrap()->width(), 7);
    EXPECT_EQ(scrapColour(*second.app().scrap(), 6, 2), 0x070809u);
}

}  // namespace
}  // namespace tessary
