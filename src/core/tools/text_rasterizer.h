#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// What the text tool asks to be drawn: a block of lines in one font.
struct TextRequest {
    // The lines, without line breaks (UTF-8). At most 256 lines.
    std::vector<std::string> lines;
    // The typeface name (at most 31 characters); a name the platform does
    // not know gives its default face.
    std::string typeface;
    // Size in points; one point is drawn as `scale` bitmap pixels, so the
    // font's height is size x scale pixels.
    std::int32_t size = 12;
    // Style flags: 1 bold, 2 italic, 4 underline, 32 condense, 64 expand
    // (condense and expand together give the normal width); 0 plain.
    std::int32_t style = 0;
    // 0 left, 1 centre, 2 right: where each line sits within the block.
    std::int32_t alignment = 0;
    // N >= 1: everything drawn N times larger (for anti-aliasing, where the
    // tool averages each N x N cell back to one pixel).
    std::int32_t scale = 1;
};

// The drawn block, one byte per pixel, row by row: 0 where nothing is
// drawn, anything else (255 by convention) where the text is.
struct TextBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // width x height bytes
};

// Draws text for the text tool: white on black, each line measured with the
// font, the block as wide as the widest line and as high as the sum of the
// line heights, lines from the top in order, each aligned within the block.
// The editor implements it with the platform's fonts; tests implement it
// with a pattern font of their own so results are exact.
class TextRasterizer {
public:
    virtual ~TextRasterizer() = default;

    // Fills `out` with the block. False when the font or the bitmap cannot
    // be had; `out` is then unspecified. The caller checks the sizes: a
    // bitmap whose pixel count is not width x height is refused.
    virtual bool rasterize(const TextRequest& request, TextBitmap& out) = 0;
};

}  // namespace tessary
