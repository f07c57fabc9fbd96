#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/image_data.h"
#include "render/wide_rect.h"

namespace tessary {

class PageData;

// A caller-owned 32-bit pixel buffer that the renderer draws into: one
// 0x00RRGGBB word per pixel (the layout of a 32-bit RGB screen image), rows
// `strideBytes` apart, top row first. The buffer shows the device (window)
// rectangle (originX, originY) - (originX + width, originY + height). Drawing
// is clipped to that rectangle and to `clip` (device pixels; unlimited by
// default), like a device context with a clip box.
struct DrawTarget {
    static constexpr std::int64_t kNoLimit = std::int64_t{1} << 62;

    std::uint32_t* pixels = nullptr;
    std::ptrdiff_t strideBytes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    WideRect clip{-kNoLimit, -kNoLimit, kNoLimit, kNoLimit};

    WideRect deviceRect() const { return {originX, originY, originX + width, originY + height}; }
    // The device pixels that may be written.
    WideRect writable() const { return deviceRect().intersected(clip); }
    std::uint32_t* row(std::int64_t deviceY) const {
        return reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(pixels) +
                                                (deviceY - originY) * strideBytes);
    }
};

// Draws a rectangle of an image state into a 32-bit buffer at one of the
// view's zoom levels, band by band through buffers whose size is fixed by the
// band size (never in proportion to the image), compositing a floating
// selection over the image on the fly. The same object builds the 1-bit
// outline of a selection mask.
//
// Zoom code n: n >= 1 draws n:1 (each image pixel becomes an n x n block);
// n <= -2 draws 1:|n| (nearest neighbour: of every |n|-th row only every
// |n|-th pixel is read, counted from the source rectangle's top-left; nothing
// is averaged). Codes from -32 to 32 are accepted (0 and -1 mean 1:1).
//
// Coordinates: the source rectangle is in image pixels; the destination and
// the target are in device pixels. A source pixel at (x, y) lands on the
// device block whose top-left is destination.(left, top) +
// ((x - source.left) * n, (y - source.top) * n) at n:1, and on the device
// pixel destination.(left, top) + ((x - source.left) / n, (y - source.top)
// / n) at 1:n for the pixels read. The destination rectangle also clips:
// only device pixels inside it and writable in the target are written.
class PageDraw {
public:
    // Draw modes, chosen by the view from the page type and whether a
    // selection floats.
    static constexpr int kModeRgb = 100;
    static constexpr int kModeRgbFloat = 101;
    static constexpr int kModeGrey = 102;
    static constexpr int kModeGreyFloat = 103;
    // Largest reduction: at 1:32 one band row spans 32 band widths of source.
    static constexpr int kMaxReduction = 32;
    // The band size of the shared renderer (dialog previews use smaller ones).
    static constexpr std::uint32_t kStandardBand = 128;

    PageDraw() = default;
    ~PageDraw();
    PageDraw(const PageDraw&) = delete;
    PageDraw& operator=(const PageDraw&) = delete;

    // Obtains the band and line buffers for bands of width x height pixels.
    // True when all were obtained; on any failure every buffer is freed and
    // the renderer stays not ready. Initialising a ready renderer first
    // releases it.
    bool initialise(std::uint32_t bandWidth, std::uint32_t bandHeight);
    // Frees every buffer; the renderer is then not ready. Harmless when not
    // ready.
    void release();
    bool ready() const { return m_ready; }
    std::uint32_t bandWidth() const { return m_bandWidth; }
    std::uint32_t bandHeight() const { return m_bandHeight; }
    // Bytes of work memory held while ready.
    std::size_t workBytes() const;

    // The draw mode for a page type (2 grey, 5 RGB) and whether it has a
    // floating selection.
    static int drawModeFor(std::int32_t pageType, bool hasFloat);

    // The state `historyOffset` steps from the current state of `data`: k > 0
    // walks back min(k, undo steps) states along the undo chain, k < 0
    // forward min(-k, redo steps) along the redo chain; 0 (or a page without
    // history) gives the current state. Null when the page has no current
    // state. The chains are only read, never stepped, so this is safe while a
    // change bracket is open.
    static const ImageData* stateAt(const PageData& data, int historyOffset);

    // Draws the state `historyOffset` steps back (see stateAt) of `data`.
    void draw(const PageData& data, const Rect& source, const WideRect& destination,
              const DrawTarget& target, int zoomCode, int drawMode, int historyOffset) const;

    // Draws `state`. The source rectangle is clipped to the image (0, 0,
    // width, height); an empty or inverted one, or one wholly outside the
    // image, draws nothing, and so does a renderer that is not ready. Planes
    // of the page layout are used as the draw mode says:
    //   100: planes 0, 1, 2 are red, green, blue;
    //   101: as 100, then each colour c whose float plane 4 + c exists is
    //        blended with mask plane 3 as (f * m + (256 - m) * old + 128) >> 8;
    //   102: plane 0 is grey;
    //   103: as 102, then with at least 3 planes, plane 2 blended over the
    //        grey with mask plane 1 by the same formula.
    // A colour plane the state does not have draws as 0. Float and mask
    // samples outside their planes count as 0 (nothing floats there).
    void drawState(const ImageData& state, const Rect& source, const WideRect& destination,
                   const DrawTarget& target, int zoomCode, int drawMode) const;

    // Builds the one-pixel outline of the selection in `maskPlane` as a 1-bit
    // image: output pixel (i, j) shows the source rectangle at the zoom with
    // (0, 0) at the source's top-left, exactly as drawState would place it.
    // A pixel is selected when its mask sample is at least `threshold`;
    // pixels outside the image are not selected, and an image pixel at 1:n
    // counts as shown only when its whole n x n block lies in the image (as
    // many pixels as drawState draws). A selected output pixel is on the
    // outline when one of its four neighbours is not selected; neighbours
    // outside the output are taken from the mask, so a partial outline has
    // no false edges at its own border.
    //
    // Bits are packed most significant first, `bytesPerRow` bytes per output
    // row, `rows` rows; bits beyond what the source covers are 0. False (with
    // the output all 0) when the renderer is not ready or a work buffer could
    // not be had.
    bool outlineBitmap(const ImageData& state, const Rect& source, int maskPlane,
                       std::uint8_t threshold, int zoomCode, std::uint8_t* bits,
                       std::size_t bytesPerRow, std::int32_t rows) const;

private:
    // Magnification and reduction of a zoom code: n:1 gives (n, 1), 1:n
    // gives (1, n), 1:1 (1, 1).
    struct Zoom {
        std::int32_t mag = 1;
        std::int32_t red = 1;
        static Zoom of(int code);
    };
    // The cells (band pixels) of one band that reach the visible part of the
    // device: columns [i0, i1), rows [j0, j1).
    struct BandCells {
        std::int32_t i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    };

    // Fills cells [i0, i1) x [j0, j1) of the colour band for the band whose
    // first source pixel is (x, y).
    void fillBand(const ImageData& state, int drawMode, const Zoom& zoom, std::int32_t x,
                  std::int32_t y, const BandCells& cells) const;
    // Reads `cells` samples of one plane, every `step`-th from (x, y), into
    // line `line` and returns where the samples are (the line itself when
    // step is 1, else the subsampled copy in the channel buffer `channel`).
    std::uint8_t* readSamples(const ImageData& state, int plane, bool fillOutside, std::int32_t x,
                              std::int32_t y, std::int32_t cells, std::int32_t step, int line,
                              int channel) const;
    // Copies cells [i0, i1) x [j0, j1) of the colour band to the target,
    // replicating each into a mag x mag block, clipped to `visible`.
    void blitBand(const DrawTarget& target, const WideRect& bandDevice, const WideRect& visible,
                  std::int32_t mag, const BandCells& cells) const;

    // Reads selection flags of one row of output cells for outlineBitmap.
    void readMaskCells(const ImageData& state, int maskPlane, std::uint8_t threshold,
                       const Zoom& zoom, std::int64_t imageY, std::int64_t firstX,
                       std::int64_t cellCount, std::uint8_t* flags) const;

    bool m_ready = false;
    std::uint32_t m_bandWidth = 0;
    std::uint32_t m_bandHeight = 0;
    std::unique_ptr<std::uint32_t[]> m_colourBand;  // W x H pixels
    std::unique_ptr<std::uint8_t[]> m_lines;        // kLineCount lines of W x 32 bytes
    std::unique_ptr<std::uint8_t[]> m_channels;     // kChannelCount rows of W bytes
};

}  // namespace tessary
