#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_sink.h"
#include "common/raster.h"
#include "jpeg/jpeg_library.h"

namespace tessary::modules {

// Writes baseline JFIF files through libjpeg: Grey as a one-component
// greyscale file, Rgb as YCbCr. Quality 1 to 100 (libjpeg's scale). A
// resolution above 0 is stored as the JFIF density in dots per inch
// (rounded, at most 65535); 0 stores the plain 1:1 aspect ratio.
class JpegWriter final : public RasterWriter {
public:
    static constexpr int kDefaultQuality = 85;

    // Writes the file header at once. BadParameters for Indexed images or a
    // quality outside 1 to 100.
    static CodecStatus create(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int quality,
                              std::unique_ptr<JpegWriter>* writer);
    ~JpegWriter() override;

    RowOrder rowOrder() const override { return RowOrder::TopDown; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    CodecStatus finish() override;

    const std::string& errorMessage() const { return m_error; }

private:
    struct ErrorManager {
        jpeg_error_mgr base;
        std::jmp_buf jump;
        JpegWriter* owner;
    };
    struct DestinationManager {
        jpeg_destination_mgr base;
        JpegWriter* owner;
    };

    JpegWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info);

    CodecStatus failure() const;
    bool startCompress(int quality);
    bool writeScanlines(const std::uint8_t* source, std::size_t sourceRowBytes,
                        std::int32_t rowCount);
    bool finishCompress();

    static void errorExit(j_common_ptr cinfo);
    static void emitMessage(j_common_ptr cinfo, int level);
    static void initDestination(j_compress_ptr cinfo);
    static boolean emptyOutputBuffer(j_compress_ptr cinfo);
    static void termDestination(j_compress_ptr cinfo);

    std::unique_ptr<ByteSink> m_sink;
    RasterInfo m_info;
    jpeg_compress_struct m_jpeg{};
    ErrorManager m_errors{};
    DestinationManager m_destination{};
    bool m_created = false;
    bool m_failed = false;
    std::vector<std::uint8_t> m_outputBuffer;
    std::int32_t m_rowsWritten = 0;
    CodecStatus m_sinkStatus = CodecStatus::Ok;
    std::string m_error;
};

}  // namespace tessary::modules
