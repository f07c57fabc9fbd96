#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/byte_sink.h"
#include "common/raster.h"

namespace tessary::modules {

// Writes uncompressed bottom-up BMP files with the 40-byte info header:
// Grey images as 8-bit with a 256-level grey palette, Indexed images as
// 8-bit with their palette, Rgb images as 24-bit. The resolution is stored
// in pixels per metre. Rows are taken from the bottom of the image up, so
// the file is written front to back without seeking; each band is
// converted into its stored rows and written with one write.
class BmpWriter final : public RasterWriter {
public:
    // Writes the headers at once. TooLarge when the file would exceed the
    // 4 GiB the format's size fields can state.
    static CodecStatus create(std::unique_ptr<ByteSink> sink, const RasterInfo& info,
                              std::unique_ptr<BmpWriter>* writer);

    RowOrder rowOrder() const override { return RowOrder::BottomUp; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    bool takesPlanar() const override { return true; }
    CodecStatus writePlanarRows(const std::uint8_t* source, std::size_t planeRowBytes,
                                std::int32_t rowCount) override;
    CodecStatus finish() override;

private:
    BmpWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info);
    CodecStatus writeHeaders();
    // Converts rowCount rows into stored rows, bottom row first, and writes
    // them: sample c of pixel x of row r at
    // source + r x rowBytes + x x step + c x channelBytes.
    CodecStatus writeBand(const std::uint8_t* source, std::size_t rowBytes, std::size_t step,
                          std::size_t channelBytes, std::int32_t rowCount);

    std::unique_ptr<ByteSink> m_sink;
    RasterInfo m_info;
    std::uint32_t m_bitCount;
    std::uint32_t m_stride;
    std::uint32_t m_paletteEntries;
    std::vector<std::uint8_t> m_stored;  // a band of stored rows; padding stays zero
    std::int32_t m_rowsWritten = 0;
};

}  // namespace tessary::modules
