#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_reader.h"
#include "common/byte_source.h"
#include "common/raster.h"
#include "jpeg/jpeg_library.h"

namespace tessary::modules {

// Decodes baseline and progressive JPEG files through libjpeg: greyscale
// files give Grey; YCbCr and RGB files give Rgb; CMYK and YCCK files are
// converted to Rgb (inverted CMYK, as files with an APP14 marker store it,
// and plain CMYK both handled). The resolution comes from the JFIF density
// when its unit is inches or centimetres (else 0). A file must hold its
// headers; damage in the image data, a file cut short in it and a missing
// end marker are decoded around as libjpeg can (what is missing comes out
// grey), and reported by damage().
class JpegReader final : public RasterReader {
public:
    static constexpr std::int32_t kBandHeight = 64;

    // libjpeg may use what the memory budget leaves after the band buffers
    // (progressive images keep all their coefficients); an image that needs
    // more is TooLarge.
    static CodecStatus open(std::unique_ptr<ByteSource> source, std::unique_ptr<JpegReader>* reader,
                            std::size_t memoryBudget = kDefaultReadBudget);
    ~JpegReader() override;

    const RasterInfo& info() const override { return m_info; }
    std::int32_t bandHeight() const override { return kBandHeight; }
    CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                         BandRows* rows) override;
    // libjpeg's first warning, with a count of any further ones.
    std::string damage() const override;

    const std::string& errorMessage() const { return m_error; }

private:
    struct ErrorManager {
        jpeg_error_mgr base;
        std::jmp_buf jump;
        JpegReader* owner;
    };
    struct SourceManager {
        jpeg_source_mgr base;
        JpegReader* owner;
    };

    JpegReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget);

    CodecStatus start();
    CodecStatus failure() const;
    bool readHeader();
    bool startDecompress();
    bool readScanlines(std::uint8_t* destination, std::size_t rowBytes, std::int32_t count);
    void convertCmykRow(std::uint8_t* out) const;

    static void errorExit(j_common_ptr cinfo);
    static void emitMessage(j_common_ptr cinfo, int level);
    static void initSource(j_decompress_ptr cinfo);
    static boolean fillInputBuffer(j_decompress_ptr cinfo);
    static void skipInputData(j_decompress_ptr cinfo, long count);
    static void termSource(j_decompress_ptr cinfo);

    std::unique_ptr<ByteSource> m_source;
    std::size_t m_budget;
    ByteReader m_input;
    jpeg_decompress_struct m_jpeg{};
    ErrorManager m_errors{};
    SourceManager m_sourceManager{};
    bool m_created = false;
    bool m_cmyk = false;
    bool m_failed = false;
    std::vector<std::uint8_t> m_inputBuffer;
    std::vector<std::uint8_t> m_cmykRow;
    RasterInfo m_info;
    std::int32_t m_rowsDone = 0;
    CodecStatus m_inputStatus = CodecStatus::Ok;
    int m_errorCode = 0;  // libjpeg's message code of the error that ended decoding
    std::string m_error;
    std::string m_firstWarning;
    long m_warnings = 0;
};

}  // namespace tessary::modules
