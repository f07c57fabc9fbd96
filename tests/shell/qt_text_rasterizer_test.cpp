// The Qt text rasteriser: block sizes, scale, style, alignment and the
// fallback for a typeface the system does not have.

#include "text/qt_text_rasterizer.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QtTest>
#include <algorithm>
#include <string>
#include <vector>

#include "tools/edit/text_tool.h"

using namespace tessary;

namespace {

TextRequest request(std::vector<std::string> lines, std::int32_t style = 0,
                    std::int32_t scale = 1) {
    TextRequest r;
    r.lines = std::move(lines);
    r.typeface = "DejaVu Sans";
    r.size = 20;
    r.style = style;
    r.scale = scale;
    return r;
}

TextBitmap draw(const TextRequest& r) {
    QtTextRasterizer rasterizer;
    TextBitmap out;
    if (!rasterizer.rasterize(r, out)) qWarning("rasterize refused the request");
    return out;
}

int inkCount(const TextBitmap& b) {
    return static_cast<int>(
        std::count_if(b.pixels.begin(), b.pixels.end(), [](std::uint8_t v) { return v != 0; }));
}

// Leftmost and rightmost inked columns within rows [top, bottom); {-1, -1}
// without ink.
std::pair<int, int> inkColumns(const TextBitmap& b, int top, int bottom) {
    int left = -1, right = -1;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.pixels[static_cast<std::size_t>(y) * b.width + x] != 0) {
                if (left < 0 || x < left) left = x;
                right = std::max(right, x);
            }
    return {left, right};
}

}  // namespace

class QtTextRasterizerTest : public QObject {
    Q_OBJECT
private slots:
    void drawsWhiteOnBlack();
    void widthFlagsChangeTheWidth();
    void scaleMultipliesTheSize();
    void styleAddsInk();
    void linesAreAlignedWithinTheBlock_data();
    void linesAreAlignedWithinTheBlock();
    void unknownTypefaceFallsBackToTheDefault();
    void refusesUnusableRequests();
    void typefaceNamesResolveToInstalledFamilies();
};

void QtTextRasterizerTest::drawsWhiteOnBlack() {
    const TextBitmap b = draw(request({"Hello"}));
    QVERIFY(b.width > 0 && b.height > 0);
    QCOMPARE(b.pixels.size(), static_cast<std::size_t>(b.width) * b.height);
    QVERIFY(inkCount(b) > 0);
    QVERIFY(inkCount(b) < b.width * b.height / 2);
    QVERIFY(std::all_of(b.pixels.begin(), b.pixels.end(),
                        [](std::uint8_t v) { return v == 0 || v == 255; }));
    // Two lines are twice as high as one, as wide as the wider one.
    const TextBitmap two = draw(request({"Hello", "Hi"}));
    QCOMPARE(two.height, 2 * b.height);
    QCOMPARE(two.width, b.width);
}

void QtTextRasterizerTest::widthFlagsChangeTheWidth() {
    const std::vector<std::string> text = {"The quick brown fox"};
    const int plain = draw(request(text)).width;
    const int condensed = draw(request(text, TextTool::kCondense)).width;
    const int expanded = draw(request(text, TextTool::kExpand)).width;
    const int both = draw(request(text, TextTool::kCondense | TextTool::kExpand)).width;
    QVERIFY2(condensed < plain && plain < expanded,
             qPrintable(QStringLiteral("%1 %2 %3").arg(condensed).arg(plain).arg(expanded)));
    QCOMPARE(both, plain);
}

void QtTextRasterizerTest::scaleMultipliesTheSize() {
    const std::vector<std::string> text = {"Scaled text", "two"};
    const TextBitmap one = draw(request(text));
    for (int scale : {2, 3, 4}) {
        const TextBitmap big = draw(request(text, 0, scale));
        // Glyph metrics round per size, so allow a few pixels per line and
        // a small share of the width.
        QVERIFY2(std::abs(big.height - scale * one.height) <= 2 * scale,
                 qPrintable(QStringLiteral("%1 vs %2").arg(big.height).arg(one.height)));
        QVERIFY2(std::abs(big.width - scale * one.width) <= scale * one.width / 10,
                 qPrintable(QStringLiteral("%1 vs %2").arg(big.width).arg(one.width)));
    }
}

void QtTextRasterizerTest::styleAddsInk() {
    const std::vector<std::string> text = {"Ink test"};
    const TextBitmap plain = draw(request(text));
    for (std::int32_t style : {TextTool::kBold, TextTool::kUnderline}) {
        const TextBitmap styled = draw(request(text, style));
        QVERIFY2(inkCount(styled) > inkCount(plain), qPrintable(QString::number(style)));
    }
    // Italic slants: the same ink moves, the top of a tall letter shifts
    // right against the bottom.
    const TextBitmap upright = draw(request({"l"}));
    const TextBitmap slanted = draw(request({"l"}, TextTool::kItalic));
    QVERIFY(upright.pixels != slanted.pixels);
}

void QtTextRasterizerTest::linesAreAlignedWithinTheBlock_data() {
    QTest::addColumn<int>("alignment");
    QTest::newRow("left") << int{TextTool::kAlignLeft};
    QTest::newRow("centre") << int{TextTool::kAlignCentre};
    QTest::newRow("right") << int{TextTool::kAlignRight};
}

void QtTextRasterizerTest::linesAreAlignedWithinTheBlock() {
    QFETCH(int, alignment);
    TextRequest r = request({"WWWWWWWWWW", "ii"});
    r.alignment = alignment;
    const TextBitmap b = draw(r);
    const int lineHeight = b.height / 2;
    const auto [left, right] = inkColumns(b, lineHeight, b.height);
    QVERIFY(left >= 0);
    const int third = b.width / 3;
    switch (alignment) {
        case TextTool::kAlignLeft:
            QVERIFY(right < third);
            break;
        case TextTool::kAlignCentre:
            QVERIFY(left > third && right < b.width - third);
            break;
        default:
            QVERIFY(left > b.width - third);
            break;
    }
    // The long line fills the block whatever the alignment.
    const auto [longLeft, longRight] = inkColumns(b, 0, lineHeight);
    QVERIFY(longLeft < third && longRight > b.width - third);
}

void QtTextRasterizerTest::unknownTypefaceFallsBackToTheDefault() {
    TextRequest unknown = request({"Fallback"});
    unknown.typeface = "No Such Typeface Anywhere";
    TextRequest none = unknown;
    none.typeface.clear();
    const TextBitmap a = draw(unknown);
    const TextBitmap b = draw(none);
    QVERIFY(inkCount(a) > 0);
    QCOMPARE(a.width, b.width);
    QCOMPARE(a.height, b.height);
    QVERIFY(a.pixels == b.pixels);
}

void QtTextRasterizerTest::refusesUnusableRequests() {
    QtTextRasterizer rasterizer;
    TextBitmap out;
    TextRequest r = request({"x"});
    r.size = 0;
    QVERIFY(!rasterizer.rasterize(r, out));
    r = request({"x"});
    r.scale = 0;
    QVERIFY(!rasterizer.rasterize(r, out));
    QVERIFY(!rasterizer.rasterize(request({}), out));
}

void QtTextRasterizerTest::typefaceNamesResolveToInstalledFamilies() {
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    QCOMPARE(installedTypeface(families.first()), families.first());
    QCOMPARE(installedTypeface(QStringLiteral("No Such Typeface Anywhere")), QString());
    QCOMPARE(installedTypeface(QString()), QString());
    // A name cut to the 31 characters the text tool keeps finds its family.
    const auto longFamily = std::find_if(families.begin(), families.end(),
                                         [](const QString& f) { return f.size() > 31; });
    if (longFamily == families.end()) QSKIP("no installed family name is longer than 31");
    QCOMPARE(installedTypeface(longFamily->left(31)),
             *std::find_if(families.begin(), families.end(),
                           [&](const QString& f) { return f.startsWith(longFamily->left(31)); }));
}

QTEST_MAIN(QtTextRasterizerTest)
#include "qt_text_rasterizer_test.moc"
