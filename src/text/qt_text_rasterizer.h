#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

#include "tools/text_rasterizer.h"

namespace tessary {

// The installed family `typeface` names: the family of that name, or, for
// a name cut to the text tool's 31 characters, the first family it begins;
// empty when there is none.
QString installedTypeface(const QString& typeface);

// The QFont stretch the text tool's width flags give: condense narrows,
// expand widens, both together or neither leave the normal width.
int textStretchForStyle(std::int32_t styleFlags);

// The font of the text tool's style: `typeface` when the system has that
// family, else the application's default family (silently); bold, italic,
// underline and stretch from `styleFlags`. The size is left to the caller.
QFont textFontFor(const QString& typeface, std::int32_t styleFlags);

// Draws the text tool's requests with the system's fonts. The font is
// size x scale pixels high and drawn without anti-aliasing, so the bitmap
// holds only 0 and 255 (the tool does its own averaging over N x N cells).
// Needs a QGuiApplication; use it on the GUI thread.
class QtTextRasterizer final : public TextRasterizer {
public:
    bool rasterize(const TextRequest& request, TextBitmap& out) override;
};

}  // namespace tessary
