#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/codec_status.h"

namespace tessary::modules {

// The largest width or height a parameter block can describe: rectangles
// and sizes in the blocks are 16-bit signed.
inline constexpr std::int32_t kMaxImageDimension = 32767;

// How decoded samples are laid out: one byte per sample, interleaved.
enum class PixelKind : std::uint8_t {
    Grey,     // one byte per pixel, 0 black to 255 white
    Rgb,      // three bytes per pixel: red, green, blue
    Indexed,  // one byte per pixel: an index into the palette
};

inline constexpr int channelsOf(PixelKind kind) {
    return kind == PixelKind::Rgb ? 3 : 1;
}

// The colour table of an indexed image. Entries at and beyond `count` are
// black (zero), which is also what an index beyond the file's table shows.
struct Palette {
    std::array<std::uint8_t, 256> red{};
    std::array<std::uint8_t, 256> green{};
    std::array<std::uint8_t, 256> blue{};
    int count = 0;
};

// What a reader learns from a file's header, and what a writer is given.
// A resolution of 0 means the file states none (or only an aspect ratio).
struct RasterInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    PixelKind kind = PixelKind::Rgb;
    Palette palette;  // Indexed only
    double horizontalPpi = 0.0;
    double verticalPpi = 0.0;

    int channels() const { return channelsOf(kind); }
    // Bytes of one decoded row (width × channels); widths are bounded by
    // kMaxImageDimension, so this cannot overflow.
    std::size_t rowBytes() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels());
    }
};

// Rows [firstRow, firstRow + rowCount) of the image.
struct BandRows {
    std::int32_t firstRow = 0;
    std::int32_t rowCount = 0;
};

// Decodes an image band by band. Bands come in the order the file stores
// them (a bottom-up file gives its bottom band first); together they cover
// every row exactly once.
class RasterReader {
public:
    virtual ~RasterReader() = default;

    virtual const RasterInfo& info() const = 0;

    // The most rows readBand() delivers at once; at least 1.
    virtual std::int32_t bandHeight() const = 0;

    // Decodes the next band into `destination`: row r of the band (image row
    // firstRow + r) at destination + r × destinationRowBytes, info().rowBytes()
    // bytes each. The caller provides bandHeight() rows. rowCount is 0 once
    // every row has been delivered. After an error the reader is unusable.
    virtual CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                 BandRows* rows) = 0;
};

// In which order a writer wants its rows.
enum class RowOrder : std::uint8_t {
    TopDown,   // first row first
    BottomUp,  // last row first
};

// Encodes an image given band by band.
class RasterWriter {
public:
    virtual ~RasterWriter() = default;

    virtual RowOrder rowOrder() const = 0;

    // Takes the next `rowCount` rows, stored top row first at `source`,
    // `sourceRowBytes` apart. TopDown writers receive bands from the top of
    // the image down; BottomUp writers receive bands from the bottom up, each
    // band lying directly above the one before.
    virtual CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                  std::int32_t rowCount) = 0;

    // Completes the file once every row has been written; the output is
    // flushed and its descriptor closed. Calling it early is an error
    // (BadParameters).
    virtual CodecStatus finish() = 0;
};

}  // namespace tessary::modules
