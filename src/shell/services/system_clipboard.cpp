#include "shell/services/system_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <span>
#include <vector>

#include "exchange/dib_writer.h"
#include "exchange/page_scrap.h"

namespace tessary {

namespace {

constexpr const char* kBmpMime = "image/bmp";

}  // namespace

QByteArray CSystemClipboard::clipboardBitmap() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
    if (data == nullptr) return {};
    if (data->hasFormat(QLatin1String(kBmpMime))) {
        const QByteArray bytes = data->data(QLatin1String(kBmpMime));
        if (!bytes.isEmpty()) return bytes;
    }
    if (!data->hasImage()) return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull()) return {};
    // Alpha is dropped: the internal clipboard holds opaque pixels.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!opaque.save(&buffer, "BMP")) return {};
    return bytes;
}

bool CSystemClipboard::importInto(PageScrap& scrap) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    const QByteArray bytes = clipboardBitmap();
    if (bytes.isEmpty()) return false;
    // Our own published image: the scrap already holds it, mask and all.
    if (!m_published.isEmpty() && bytes == m_published && scrap.hasImage()) return false;
    const auto* first = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (scrap.importBitmap(std::span<const std::uint8_t>(first, bytes.size())) != DibError::kNone)
        return false;
    m_published.clear();
    return true;
}

bool CSystemClipboard::publishFrom(PageScrap& scrap) {
    std::vector<std::uint8_t> dib;
    if (!scrap.publish(dib)) return false;
    std::vector<std::uint8_t> file;
    if (bitmapFileFromDib(dib, file) != DibError::kNone) return false;
    const QByteArray bytes(reinterpret_cast<const char*>(file.data()),
                           static_cast<qsizetype>(file.size()));
    QImage image;
    if (!image.loadFromData(bytes, "BMP")) return false;
    m_published = bytes;
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData(QLatin1String(kBmpMime), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
}

}  // namespace tessary
