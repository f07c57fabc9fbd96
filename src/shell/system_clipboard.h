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
    // image is the one this program published itself (the scrap still holds
    // it, with its mask), or when the image is refused.
    static bool importInto(PageScrap& scrap);

    // When a copy is waiting to be published: puts the scrap's contents on
    // the platform clipboard as an image (and as "image/bmp" data). Publish
    // pending is cleared in every case. True when something was published.
    static bool publishFrom(PageScrap& scrap);

    // The clipboard's image as bitmap-file bytes ("BM..."), empty when it
    // holds none.
    static QByteArray clipboardBitmap();
};

}  // namespace tessary
