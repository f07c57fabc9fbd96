// The sample images under resources/samples open in the editor and hold the
// pixels their generator describes.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPixmap>

#include "model/page.h"
#include "shell/app/main_frame.h"
#include "shell/app/page_document.h"
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

// Where in `shot` the image row `row` of `page` appears pixel for pixel, or
// (-1, -1) when it does not.
QPoint findRow(const QImage& shot, const Page& page, int row) {
    const int width = page.bounds().right;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x + width <= shot.width(); ++x) {
            int i = 0;
            for (; i < width; ++i) {
                const QRgb c = shot.pixel(x + i, y);
                const std::uint32_t colour = page.colourAt(i, row);
                if (qRed(c) != int(colour & 0xFF) || qGreen(c) != int((colour >> 8) & 0xFF) ||
                    qBlue(c) != int(colour >> 16))
                    break;
            }
            if (i == width) return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
}

// Saves a picture of the main window with an image open (build folder,
// screenshots/main-window.png) for reviewers, and checks that the picture
// shows the image's pixels at 1:1.
TEST(SampleImages, TheMainWindowShowsAnOpenImage) {
    test::EditorRig rig;
    CPageDocument* document = rig.app().openDocumentFile(sample("gradient.bmp"));
    ASSERT_NE(document, nullptr);
    test::settle(100);
    QWidget* frame = rig.app().mainFrame();
    ASSERT_NE(frame, nullptr);
    const QImage shot = frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GE(shot.width(), 560);
    EXPECT_GE(shot.height(), 440);
    QDir().mkpath(QStringLiteral("screenshots"));
    EXPECT_TRUE(shot.save(QStringLiteral("screenshots/main-window.png")));

    const QPoint top = findRow(shot, *document->page(), 0);
    ASSERT_NE(top, QPoint(-1, -1)) << "the image's first row is not on the screen";
    const QPoint last = findRow(shot, *document->page(), 95);
    EXPECT_EQ(last, top + QPoint(0, 95));
}

}  // namespace
}  // namespace tessary
