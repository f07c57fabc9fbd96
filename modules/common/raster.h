#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/codec_status.h"

namespace tessary::modules {

// The largest width or height a parameter block can describe: rectangles
// and sizes in the blocks are 16-bit signed.
inline constexpr std::int32_t kMaxImageDimension = 32767;

// The memory a reader may use when its caller names no budget (tests and
// tools that call a reader directly). A module passes the host's figure.
inline constexpr std::size_t kDefaultReadBudget = std::size_t{256} << 20;

// Rows per band when a reader or writer chooses its own bands: a multiple
// of 128 rows (the host's tile height), so that bands placed on multiples of
// it from the image's top cover the host's tiles whole, with at least about
// kTargetBandBytes of `rowBytes`-byte rows, so that a band costs one host
// round trip and one large read or write; never more than the image's
// `height` rounded up to 128.
inline constexpr std::size_t kTargetBandBytes = std::size_t{1} << 20;
inline constexpr std::int32_t kBandRowMultiple = 128;
inline std::int32_t largeBandRows(std::size_t rowBytes, std::int32_t height) {
    const std::size_t all = (static_cast<std::size_t>(height > 0 ? height : 1) +
                             kBandRowMultiple - 1) / kBandRowMultiple * kBandRowMultiple;
    std::size_t rows = kTargetBandBytes / (rowBytes > 0 ? rowBytes : 1);
    rows = rows / kBandRowMultiple * kBandRowMultiple;
    if (rows < kBandRowMultiple) rows = kBandRowMultiple;
    return static_cast<std::int32_t>(rows < all ? rows : all);
}

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

// Rows [firstRow, firstRow + rowCount) of the image. A decoded band may
// also cover only columns [firstColumn, firstColumn + columnCount) and only
// one channel (`channel` >= 0: that channel alone, one sample per pixel);
// the defaults mean every column and every channel, interleaved. Writers
// are always asked for whole rows of every channel.
//
// A planar band (only from a reader that agreed to offerPlanar()) holds
// every channel as a block of its own: row r of channel c at
// destination + (c x rowCount + r) x destinationRowBytes, one sample per
// pixel.
struct BandRows {
    std::int32_t firstRow = 0;
    std::int32_t rowCount = 0;
    std::int32_t firstColumn = 0;
    std::int32_t columnCount = 0;  // 0: the whole width
    std::int32_t channel = -1;     // -1: every channel
    bool planar = false;

    // Columns covered in an image `width` pixels wide.
    std::int32_t columns(std::int32_t width) const {
        return columnCount > 0 ? columnCount : width - firstColumn;
    }
    // Samples per pixel in the band for an image of `channels` channels.
    int samplesPerPixel(int channels) const { return channel >= 0 ? 1 : channels; }
};

// Decodes an image band by band. Bands come in the order the file stores
// them (a bottom-up file gives its bottom band first, a file of separate
// planes may give each channel in turn, a tiled file a few tiles at a
// time); together they cover every sample exactly once.
//
// Memory: a reader is opened with a budget in bytes, which covers what it
// allocates itself, what its codec library allocates, and the caller's band
// buffer (bandBytes()). A file that cannot be decoded within it is refused
// with TooLarge when it is opened, or, where only decoding shows it, by the
// readBand() call that finds out.
class RasterReader {
public:
    virtual ~RasterReader() = default;

    virtual const RasterInfo& info() const = 0;

    // The most rows readBand() delivers at once; at least 1.
    virtual std::int32_t bandHeight() const = 0;
    // The most columns readBand() delivers at once; the whole width unless
    // the reader says otherwise.
    virtual std::int32_t bandWidth() const { return info().width; }
    // Bytes of the band buffer the caller provides: bandHeight() rows of
    // bandWidth() pixels of every channel.
    std::size_t bandBytes() const {
        return static_cast<std::size_t>(bandWidth()) * static_cast<std::size_t>(info().channels()) *
               static_cast<std::size_t>(bandHeight());
    }

    // Decodes the next band into `destination`: row r of the band (image row
    // firstRow + r) at destination + r × destinationRowBytes, its columns ×
    // samples-per-pixel bytes each (see BandRows). The caller provides
    // bandHeight() rows of at least bandWidth() × info().channels() bytes.
    // rowCount is 0 once every sample has been delivered. After an error
    // the reader is unusable.
    virtual CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                 BandRows* rows) = 0;

    // Asks for planar bands (BandRows) from the next readBand() on; true
    // when the reader will deliver them. The caller then passes one sample
    // per pixel as destinationRowBytes' minimum; bandBytes() is unchanged.
    virtual bool offerPlanar() { return false; }

    // Damage the reader decoded around (the image may be wrong or missing
    // in places), in a short English phrase; empty when there was none.
    // Complete once every band has been read.
    virtual std::string damage() const { return {}; }
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

    // True when the writer also takes planar bands (writePlanarRows()).
    virtual bool takesPlanar() const { return false; }
    // writeRows() for a planar band: row r of channel c at
    // source + (c x rowCount + r) x planeRowBytes. Unsupported unless
    // takesPlanar().
    virtual CodecStatus writePlanarRows(const std::uint8_t* /*source*/,
                                        std::size_t /*planeRowBytes*/, std::int32_t /*rowCount*/) {
        return CodecStatus::Unsupported;
    }

    // Completes the file once every row has been written; the output is
    // flushed and its descriptor closed. Calling it early is an error
    // (BadParameters).
    virtual CodecStatus finish() = 0;
};

}  // namespace tessary::modules
