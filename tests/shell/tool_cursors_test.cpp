// The tools' cursor artwork: every resource drawn at 100 % and 200 %, each
// pointing with a drawn pixel, all different, and kept once made.

#include "shell/view/tool_cursors.h"

#include <QPixmap>
#include <QtTest>
#include <set>

using namespace tessary;

namespace {

// True when a pixel within `radius` device-independent pixels of `at` is
// drawn (not transparent) in `image` at `ratio`.
bool drawnNear(const QImage& image, QPoint at, qreal ratio, int radius) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint p((at.x() + dx) * ratio, (at.y() + dy) * ratio);
            if (image.rect().contains(p) && qAlpha(image.pixel(p)) != 0) return true;
        }
    }
    return false;
}

}  // namespace

class ToolCursorsTest : public QObject {
    Q_OBJECT
private slots:
    void everyCursorIsDrawnAndPointsWithItsDrawing_data();
    void everyCursorIsDrawnAndPointsWithItsDrawing();
    void theCursorsDifferAndOthersGetTheFallback();
    void aCursorIsMadeOncePerRatio();
};

void ToolCursorsTest::everyCursorIsDrawnAndPointsWithItsDrawing_data() {
    QTest::addColumn<int>("resource");
    QTest::addColumn<qreal>("ratio");
    for (int r = CToolCursors::kFirstResource; r <= CToolCursors::kLastResource; ++r) {
        for (const qreal ratio : {1.0, 2.0}) QTest::addRow("%d at %g", r, ratio) << r << ratio;
    }
}

void ToolCursorsTest::everyCursorIsDrawnAndPointsWithItsDrawing() {
    QFETCH(int, resource);
    QFETCH(qreal, ratio);
    const CToolCursors::Artwork art = CToolCursors::draw(resource, ratio);
    const int side = int(CToolCursors::kGrid * ratio);
    QCOMPARE(art.image.size(), QSize(side, side));
    QCOMPARE(art.image.devicePixelRatio(), ratio);
    QVERIFY(QRect(0, 0, CToolCursors::kGrid, CToolCursors::kGrid).contains(art.hotSpot));
    // Black line art on a white rim: both colours are there.
    bool black = false, white = false;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const QRgb c = art.image.pixel(x, y);
            black = black || (qAlpha(c) == 255 && qRed(c) < 40 && qGreen(c) < 40);
            white = white || (qAlpha(c) == 255 && qRed(c) > 215 && qBlue(c) > 215);
        }
    }
    QVERIFY(black && white);
    // The hot spot is on the drawing or next to it.
    QVERIFY(drawnNear(art.image, art.hotSpot, ratio, 2));
    // The transparent surround keeps the cursor from hiding the image.
    QCOMPARE(qAlpha(art.image.pixel(side - 1, 0)) == 0 || qAlpha(art.image.pixel(0, side - 1)) == 0,
             true);
}

void ToolCursorsTest::theCursorsDifferAndOthersGetTheFallback() {
    std::set<QByteArray> seen;
    for (int r = CToolCursors::kFirstResource; r <= CToolCursors::kLastResource; ++r) {
        const QImage image = CToolCursors::draw(r, 1.0).image;
        seen.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(seen.size(),
             std::size_t(CToolCursors::kLastResource - CToolCursors::kFirstResource + 1));
    const QImage fallback = CToolCursors::draw(CToolCursors::kLastResource + 1, 1.0).image;
    QCOMPARE(CToolCursors::draw(CToolCursors::kFirstResource - 1, 1.0).image, fallback);
    QVERIFY(fallback != CToolCursors::draw(CToolCursors::kFirstResource, 1.0).image);
}

void ToolCursorsTest::aCursorIsMadeOncePerRatio() {
    CToolCursors cursors;
    const QCursor brush = cursors.cursor(515, 1.0);
    QCOMPARE(brush.hotSpot(), CToolCursors::draw(515, 1.0).hotSpot);
    QCOMPARE(cursors.cursor(515, 1.0).pixmap().cacheKey(), brush.pixmap().cacheKey());
    const QCursor sharp = cursors.cursor(515, 2.0);
    QVERIFY(sharp.pixmap().cacheKey() != brush.pixmap().cacheKey());
    QCOMPARE(sharp.pixmap().devicePixelRatio(), 2.0);
}

QTEST_MAIN(ToolCursorsTest)
#include "tool_cursors_test.moc"
