#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/byte_reader.h"
#include "common/byte_source.h"
#include "common/raster.h"

namespace tessary::modules {

// Compression values of the BMP info header that this reader knows.
enum BmpCompression : std::uint32_t {
    kBmpRgb = 0,
    kBmpRle8 = 1,
    kBmpRle4 = 2,
    kBmpBitfields = 3,
    kBmpJpeg = 4,
    kBmpPng = 5,
    kBmpAlphaBitfields = 6,
};

// Decodes BMP files: the 12-byte core header and the info header of 40
// bytes or more (v2 to v5 are read by their size); 1-, 2-, 4- and 8-bit
// indexed pixels (8-bit and 4-bit also run-length encoded), 16- and 32-bit
// pixels with the default or stated bit masks, 24-bit pixels; bottom-up and
// top-down row order.
//
// Indexed files whose palette is all grey are delivered as Grey (each index
// mapped to its grey level), other indexed files as Indexed with the palette,
// the rest as Rgb; alpha is dropped. Every header field is checked against
// the file's size before it is used; a file that breaks the format gives
// Corrupt, never a read outside the file or the buffers. Widths and heights
// above kMaxImageDimension give TooLarge.
//
// Bands are delivered in file order: a bottom-up file gives its bottom band
// first. Bands lie on multiples of bandHeight() rows from the image's top
// (largeBandRows(), less when the memory budget is short), so a bottom-up
// file's first band is the shorter one; each band's stored rows are read
// with one read. Colour bands are planar when asked for (offerPlanar()). Pixels that run-length data skips (delta and end-of-line codes)
// have palette index 0; runs that go on into the padding of a stored row
// (as some writers emit) lose the pixels beyond the row, runs beyond the
// padded row are damage.
class BmpReader final : public RasterReader {
public:
    // TooLarge when not even a band of one row and its stored row fit in
    // `memoryBudget` bytes beside the channel tables.
    static CodecStatus open(std::unique_ptr<ByteSource> source, std::unique_ptr<BmpReader>* reader,
                            std::size_t memoryBudget = kDefaultReadBudget);

    const RasterInfo& info() const override { return m_info; }
    std::int32_t bandHeight() const override { return m_bandHeight; }
    CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                         BandRows* rows) override;
    bool offerPlanar() override {
        m_planar = true;
        return true;
    }

    // What the header said, for diagnostics and tests.
    std::uint32_t headerSize() const { return m_headerSize; }
    std::uint16_t bitCount() const { return m_bitCount; }
    std::uint32_t compression() const { return m_compression; }
    bool topDown() const { return m_topDown; }

private:
    // One colour channel of 16- and 32-bit pixels: the value (pixel & mask)
    // >> shift scaled from [0, maximum] to [0, 255] with rounding.
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t maximum = 0;
        std::vector<std::uint8_t> table;  // maximum + 1 entries when maximum < 65536
        void setMask(std::uint32_t bits);
        std::uint8_t scale(std::uint32_t pixel) const;
    };

    explicit BmpReader(std::unique_ptr<ByteSource> source);

    CodecStatus parse();
    CodecStatus readPalette(std::uint64_t paletteStart, std::uint32_t entrySize,
                            std::uint32_t declaredCount);
    // One stored row into decoded samples: pixel x's channel c at
    // out[x x step + c x channelBytes] (step 3 and channelBytes 1 when
    // interleaved, step 1 and channelBytes the plane's size when planar).
    void convertRow(const std::uint8_t* in, std::uint8_t* out, std::size_t step,
                    std::size_t channelBytes) const;
    CodecStatus readUncompressedBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                     std::int32_t fileRowStart, std::int32_t rowCount,
                                     std::int32_t firstImageRow);
    CodecStatus decodeRunLengthBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                    std::int32_t fileRowEnd, std::int32_t firstImageRow);

    std::unique_ptr<ByteSource> m_source;
    ByteReader m_runReader;  // run-length data, read on from band to band
    RasterInfo m_info;
    std::uint32_t m_headerSize = 0;
    std::uint16_t m_bitCount = 0;
    std::uint32_t m_compression = kBmpRgb;
    bool m_topDown = false;
    std::uint64_t m_pixelOffset = 0;
    std::uint64_t m_stride = 0;          // bytes per stored row, padded to 4
    std::uint64_t m_storedRowBytes = 0;  // bytes of pixels per stored row
    std::array<std::uint8_t, 256> m_greyOfIndex{};
    Channel m_red, m_green, m_blue;
    std::vector<std::uint8_t> m_raw;  // one band of stored rows
    std::int32_t m_bandHeight = 1;
    bool m_planar = false;
    std::int32_t m_fileRowsDone = 0;
    // Run-length decoding position in stored rows (0 is the bottom row).
    std::int32_t m_runX = 0;
    std::int32_t m_runY = 0;
    bool m_runEnded = false;
};

}  // namespace tessary::modules
