#pragma once

#include <png.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/byte_source.h"
#include "common/raster.h"

namespace tessary::modules {

// Decodes PNG files of every colour type and bit depth through libpng:
// greyscale (with or without alpha) gives Grey, everything else Rgb; alpha
// and transparency are dropped, 16-bit samples are scaled to 8 bits with
// rounding, palettes and bit depths below 8 are expanded. The pHYs chunk
// gives the resolution when its unit is the metre (else 0).
//
// Non-interlaced images are decoded band by band. An interlaced image's
// passes each cover the whole image, so its rows are assembled in groups:
// as many rows as the memory budget holds, all of them at once when they
// fit. Each further group decodes the file again from the start, keeping
// only the pixels of its own rows.
class PngReader final : public RasterReader {
public:
    static constexpr std::int32_t kBandHeight = 64;

    static CodecStatus open(std::unique_ptr<ByteSource> source, std::unique_ptr<PngReader>* reader,
                            std::size_t memoryBudget = kDefaultReadBudget);
    ~PngReader() override;

    const RasterInfo& info() const override { return m_info; }
    std::int32_t bandHeight() const override { return kBandHeight; }
    CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                         BandRows* rows) override;

    bool interlaced() const { return m_passes > 1; }
    // Rows assembled per decoding of an interlaced image.
    std::int32_t groupHeight() const { return m_groupHeight; }
    // libpng's message for the last failure, if any.
    const std::string& errorMessage() const { return m_error; }

private:
    PngReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget);

    CodecStatus start();
    // Reads the signature and the header from the file's start with a new
    // libpng decoder, which is left at the first row.
    CodecStatus openDecoder(int* bitDepth, int* colourType, int* interlaceType);
    void closeDecoder();
    // Decodes rows [top, top + count) of an interlaced image into m_image.
    CodecStatus assembleGroup(std::int32_t top, std::int32_t count);
    CodecStatus failure(CodecStatus fallback) const;
    static void readCallback(png_structp png, png_bytep data, std::size_t length);
    static void errorCallback(png_structp png, png_const_charp message);
    static void warningCallback(png_structp png, png_const_charp message);
    // The steps that call into libpng, each behind its own setjmp.
    bool readHeader(int* bitDepth, int* colourType, int* interlaceType);
    bool readRows(std::uint8_t* destination, std::size_t rowBytes, std::int32_t count);
    bool readInterlacedRows(std::int32_t top, std::int32_t count);

    std::unique_ptr<ByteSource> m_source;
    std::size_t m_budget;
    ByteReader m_input;
    png_structp m_png = nullptr;
    png_infop m_pngInfo = nullptr;
    RasterInfo m_info;
    int m_passes = 1;
    std::int32_t m_groupHeight = 0;       // interlaced images only
    std::int32_t m_groupTop = 0;          // first row held in m_image
    std::int32_t m_groupRows = 0;         // rows held in m_image
    bool m_decoderFresh = false;          // the decoder stands at the first row
    std::vector<std::uint8_t> m_image;    // interlaced images: the group of rows
    std::vector<std::uint8_t> m_skipRow;  // interlaced images: rows outside the group
    std::int32_t m_rowsDone = 0;
    CodecStatus m_inputStatus = CodecStatus::Ok;
    bool m_failed = false;  // libpng's state is unusable after an error
    std::string m_error;
};

}  // namespace tessary::modules
