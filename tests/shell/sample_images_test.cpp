// The sample images under resources/samples open in the editor and hold the
// pixels their generator describes.

#include <gtest/gtest.h>

#include "model/page.h"
#include "shell/page_document.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

QString sample(const char* name) {
    return QStringLiteral(TESSARY_SAMPLES_DIR) + QLatin1Char('/') + QLatin1String(name);
}

TEST(SampleImages, TheGradientOpensWithItsPixels) {
    test::EditorRig rig;
    CPageDocument* document = rig.app().openDocumentFile(sample("gradient.bmp"));
    ASSERT_NE(document, nullptr);
    const Page& page = *document->page();
    EXPECT_EQ(page.type(), Page::kTypeRgb);
    ASSERT_EQ(page.bounds(), (Rect{0, 0, 128, 96}));
    EXPECT_DOUBLE_EQ(page.horizontalResolution(), 72.0);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            const std::uint32_t red = x * 2, green = y * 8 / 3, blue = 255 - x * 2;
            ASSERT_EQ(page.colourAt(x, y), red | (green << 8) | (blue << 16)) << x << ", " << y;
        }
    }
}

TEST(SampleImages, TheGreyChartOpensWithItsSteps) {
    test::EditorRig rig;
    CPageDocument* document = rig.app().openDocumentFile(sample("grey_chart.bmp"));
    ASSERT_NE(document, nullptr);
    const Page& page = *document->page();
    ASSERT_EQ(page.bounds(), (Rect{0, 0, 128, 64}));
    EXPECT_DOUBLE_EQ(page.verticalResolution(), 150.0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const std::uint32_t level = y < 32 ? (x / 8) * 17 : x * 2;
            ASSERT_EQ(page.colourAt(x, y), level * 0x010101u) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace tessary
