#pragma once

#include <QByteArray>

namespace tessary {

class PageScrap;

// The exchange between the internal clipboard and the platform clipboard,
// done at two moments only: import when the application becomes active (and
// once at start-up), publish when it becomes inactive.
class CSystemClipboard {
public:
    // Replaces the scrap's contents with the image on the platform clipboard.
    // Nothing happens (false) when the clipboard holds no image, when the
    // image is the one this object published last (the scrap still holds
    // it, with the shape of its mask, which the platform clipboard cannot
    // carry), or when the image is refused.
    bool importInto(PageScrap& scrap);

    // When a copy is waiting to be published: puts the scrap's contents on
    // the platform clipboard as an image (and as "image/bmp" data). Publish
    // pending is cleared in every case. True when something was published.
    bool publishFrom(PageScrap& scrap);

    // The clipboard's image as bitmap-file bytes ("BM..."), empty when it
    // holds none.
    static QByteArray clipboardBitmap();

private:
    // The bitmap file last put on the clipboard, while the scrap holds it.
    QByteArray m_published;
};

}  // namespace tessary
