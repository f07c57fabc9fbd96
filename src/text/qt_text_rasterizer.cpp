#include "text/qt_text_rasterizer.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "tools/edit/text_tool.h"

namespace tessary {

namespace {

// Stretch factors (percent) of condensed and expanded text: clearly
// narrower or wider, close to what a condensed or extended cut looks like.
constexpr int kCondensedStretch = 75;
constexpr int kExpandedStretch = 125;

// The text tool keeps this many characters of a typeface name.
constexpr int kKeptTypefaceChars = 31;

// Bitmaps larger than this many pixels are refused rather than allocated
// (a 255-character line at 999 points and scale 4 stays well below).
constexpr qint64 kMaxPixels = qint64{1} << 28;

}  // namespace

QString installedTypeface(const QString& typeface) {
    if (typeface.isEmpty()) return {};
    const QStringList families = QFontDatabase::families();
    if (families.contains(typeface)) return typeface;
    if (typeface.size() == kKeptTypefaceChars) {
        for (const QString& family : families)
            if (family.startsWith(typeface)) return family;
    }
    return {};
}

int textStretchForStyle(std::int32_t styleFlags) {
    const bool condense = (styleFlags & TextTool::kCondense) != 0;
    const bool expand = (styleFlags & TextTool::kExpand) != 0;
    if (condense && !expand) return kCondensedStretch;
    if (expand && !condense) return kExpandedStretch;
    return QFont::Unstretched;
}

QFont textFontFor(const QString& typeface, std::int32_t styleFlags) {
    QFont font = QGuiApplication::font();
    const QString family = installedTypeface(typeface);
    if (!family.isEmpty()) font.setFamily(family);
    font.setBold((styleFlags & TextTool::kBold) != 0);
    font.setItalic((styleFlags & TextTool::kItalic) != 0);
    font.setUnderline((styleFlags & TextTool::kUnderline) != 0);
    font.setStretch(textStretchForStyle(styleFlags));
    return font;
}

bool QtTextRasterizer::rasterize(const TextRequest& request, TextBitmap& out) {
    if (request.size < 1 || request.scale < 1 || request.lines.empty()) return false;
    QFont font = textFontFor(QString::fromStdString(request.typeface), request.style);
    font.setPixelSize(request.size * request.scale);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);

    // Measure: the block is as wide as the widest line (its ink included,
    // so italic overhang is kept) and one line height per line.
    std::vector<QString> lines;
    std::vector<int> widths;
    int blockWidth = 1;
    for (const std::string& line : request.lines) {
        lines.push_back(QString::fromStdString(line));
        const int advance = metrics.horizontalAdvance(lines.back());
        const int ink = lines.back().isEmpty() ? 0 : metrics.boundingRect(lines.back()).right() + 1;
        widths.push_back(advance);
        blockWidth = std::max({blockWidth, advance, ink});
    }
    const int lineHeight = metrics.height();
    const int blockHeight = lineHeight * static_cast<int>(lines.size());
    if (qint64{blockWidth} * blockHeight > kMaxPixels) return false;

    QImage image(blockWidth, blockHeight, QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            int x = 0;
            if (request.alignment == TextTool::kAlignCentre) x = (blockWidth - widths[i]) / 2;
            if (request.alignment == TextTool::kAlignRight) x = blockWidth - widths[i];
            const int baseline = static_cast<int>(i) * lineHeight + metrics.ascent();
            painter.drawText(x, baseline, lines[i]);
        }
    }

    out.width = blockWidth;
    out.height = blockHeight;
    out.pixels.assign(static_cast<std::size_t>(blockWidth) * blockHeight, 0);
    for (int y = 0; y < blockHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < blockWidth; ++x)
            out.pixels[static_cast<std::size_t>(y) * blockWidth + x] =
                qRed(row[x]) >= 128 ? 255 : 0;
    }
    return true;
}

}  // namespace tessary
