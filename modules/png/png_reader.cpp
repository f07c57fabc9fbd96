#include "png/png_reader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <new>

#include "common/resolution.h"

namespace tessary::modules {

namespace {

// The most one text or profile chunk may take.
constexpr std::uint64_t kMaxChunkBytes = std::uint64_t{16} << 20;

}  // namespace

// The functions that call libpng keep no objects with destructors alive
// across the calls, since an error leaves them through longjmp.

PngReader::PngReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget)
    : m_source(std::move(source)), m_budget(memoryBudget), m_input(*m_source) {}

PngReader::~PngReader() {
    closeDecoder();
}

void PngReader::closeDecoder() {
    if (m_png != nullptr) png_destroy_read_struct(&m_png, &m_pngInfo, nullptr);
    m_png = nullptr;
    m_pngInfo = nullptr;
}

void PngReader::readCallback(png_structp png, png_bytep data, std::size_t length) {
    auto* self = static_cast<PngReader*>(png_get_io_ptr(png));
    const CodecStatus status = self->m_input.read(data, length);
    if (status != CodecStatus::Ok) {
        self->m_inputStatus = status;
        png_error(png, "unexpected end of file");
    }
}

void PngReader::errorCallback(png_structp png, png_const_charp message) {
    auto* self = static_cast<PngReader*>(png_get_error_ptr(png));
    self->m_error = message != nullptr ? message : "";
    png_longjmp(png, 1);
}

void PngReader::warningCallback(png_structp, png_const_charp) {}

CodecStatus PngReader::failure(CodecStatus fallback) const {
    return m_inputStatus != CodecStatus::Ok ? m_inputStatus : fallback;
}

CodecStatus PngReader::open(std::unique_ptr<ByteSource> source, std::unique_ptr<PngReader>* reader,
                            std::size_t memoryBudget) {
    if (!source) return CodecStatus::BadParameters;
    std::unique_ptr<PngReader> result(new PngReader(std::move(source), memoryBudget));
    const CodecStatus status = result->start();
    if (status != CodecStatus::Ok) return status;
    *reader = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus PngReader::openDecoder(int* bitDepth, int* colourType, int* interlaceType) {
    closeDecoder();
    m_input.seek(0);
    m_inputStatus = CodecStatus::Ok;
    png_byte signature[8];
    const CodecStatus status = m_input.read(signature, sizeof(signature));
    if (status != CodecStatus::Ok) return status;
    if (png_sig_cmp(signature, 0, sizeof(signature)) != 0) return CodecStatus::Corrupt;

    m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, errorCallback, warningCallback);
    if (m_png == nullptr) return CodecStatus::OutOfMemory;
    m_pngInfo = png_create_info_struct(m_png);
    if (m_pngInfo == nullptr) return CodecStatus::OutOfMemory;
    png_set_read_fn(m_png, this, readCallback);
    png_set_sig_bytes(m_png, sizeof(signature));
    // libpng reads a text or profile chunk whole, into memory the length
    // the file declares (gigabytes in a damaged file); none of them is
    // used, so they are skipped unread. Other chunks may take a quarter of
    // the budget, at most 16 MiB.
    static const png_byte kUnused[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(m_png, PNG_HANDLE_CHUNK_NEVER, kUnused, 6);
    png_set_chunk_malloc_max(m_png, static_cast<png_alloc_size_t>(
                                        std::min<std::uint64_t>(m_budget / 4, kMaxChunkBytes)));
    if (!readHeader(bitDepth, colourType, interlaceType)) return failure(CodecStatus::Corrupt);
    m_decoderFresh = true;
    return CodecStatus::Ok;
}

CodecStatus PngReader::start() {
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    const CodecStatus status = openDecoder(&bitDepth, &colourType, &interlaceType);
    if (status != CodecStatus::Ok) return status;

    const png_uint_32 width = png_get_image_width(m_png, m_pngInfo);
    const png_uint_32 height = png_get_image_height(m_png, m_pngInfo);
    if (width > static_cast<png_uint_32>(kMaxImageDimension) ||
        height > static_cast<png_uint_32>(kMaxImageDimension))
        return CodecStatus::TooLarge;
    const png_byte channels = png_get_channels(m_png, m_pngInfo);
    if (channels != 1 && channels != 3) return CodecStatus::Unsupported;
    m_info.width = static_cast<std::int32_t>(width);
    m_info.height = static_cast<std::int32_t>(height);
    m_info.kind = channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
    if (png_get_rowbytes(m_png, m_pngInfo) != m_info.rowBytes()) return CodecStatus::Unsupported;

    png_uint_32 xPerUnit = 0;
    png_uint_32 yPerUnit = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    if (png_get_pHYs(m_png, m_pngInfo, &xPerUnit, &yPerUnit, &unit) != 0 &&
        unit == PNG_RESOLUTION_METER) {
        m_info.horizontalPpi = ppmToPpi(xPerUnit);
        m_info.verticalPpi = ppmToPpi(yPerUnit);
    }

    // libpng keeps a few rows of the stored format (at most 8 bytes a
    // pixel) and its inflate window; the caller keeps one band.
    const std::uint64_t rowBytes = m_info.rowBytes();
    const std::uint64_t fixed = 4 * std::uint64_t{width} * 8 + (std::uint64_t{1} << 16) +
                                rowBytes * std::uint64_t{kBandHeight};
    if (fixed >= m_budget) return CodecStatus::TooLarge;
    if (interlaced()) {
        // A group of assembled rows and a row for the pixels outside it.
        const std::uint64_t rows = (m_budget - fixed) / rowBytes;
        if (rows < 2) return CodecStatus::TooLarge;
        m_groupHeight =
            static_cast<std::int32_t>(std::min<std::uint64_t>(rows - 1, std::uint64_t{height}));
    }
    return CodecStatus::Ok;
}

bool PngReader::readHeader(int* bitDepth, int* colourType, int* interlaceType) {
    if (setjmp(png_jmpbuf(m_png))) return false;
    png_read_info(m_png, m_pngInfo);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_get_IHDR(m_png, m_pngInfo, &width, &height, bitDepth, colourType, interlaceType, nullptr,
                 nullptr);
    if (*colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(m_png);
    if (*colourType == PNG_COLOR_TYPE_GRAY && *bitDepth < 8) png_set_expand_gray_1_2_4_to_8(m_png);
    if (*bitDepth == 16) png_set_scale_16(m_png);
    png_set_strip_alpha(m_png);
    m_passes = png_set_interlace_handling(m_png);
    png_read_update_info(m_png, m_pngInfo);
    return true;
}

bool PngReader::readRows(std::uint8_t* destination, std::size_t rowBytes, std::int32_t count) {
    if (setjmp(png_jmpbuf(m_png))) return false;
    for (std::int32_t r = 0; r < count; ++r)
        png_read_row(m_png, destination + static_cast<std::size_t>(r) * rowBytes, nullptr);
    return true;
}

bool PngReader::readInterlacedRows(std::int32_t top, std::int32_t count) {
    if (setjmp(png_jmpbuf(m_png))) return false;
    // libpng wants every row of every pass and writes only the pixels of
    // the pass into the row it is given; the last pass may stop after the
    // group.
    const std::size_t rowBytes = m_info.rowBytes();
    const std::int32_t end = top + count;
    for (int pass = 0; pass < m_passes; ++pass) {
        const std::int32_t rows = pass + 1 == m_passes ? end : m_info.height;
        for (std::int32_t y = 0; y < rows; ++y) {
            std::uint8_t* row = y >= top && y < end
                                    ? m_image.data() + static_cast<std::size_t>(y - top) * rowBytes
                                    : m_skipRow.data();
            png_read_row(m_png, row, nullptr);
        }
    }
    return true;
}

CodecStatus PngReader::assembleGroup(std::int32_t top, std::int32_t count) {
    if (!m_decoderFresh) {
        int bitDepth = 0;
        int colourType = 0;
        int interlaceType = 0;
        const CodecStatus status = openDecoder(&bitDepth, &colourType, &interlaceType);
        if (status != CodecStatus::Ok) return status;
    }
    m_decoderFresh = false;
    try {
        m_image.resize(m_info.rowBytes() * static_cast<std::size_t>(m_groupHeight));
        m_skipRow.resize(m_info.rowBytes());
    } catch (const std::bad_alloc&) {
        return CodecStatus::OutOfMemory;
    }
    if (!readInterlacedRows(top, count)) return failure(CodecStatus::Corrupt);
    m_groupTop = top;
    m_groupRows = count;
    return CodecStatus::Ok;
}

CodecStatus PngReader::readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                BandRows* rows) {
    *rows = BandRows();
    if (m_failed) return failure(CodecStatus::Corrupt);
    if (m_rowsDone >= m_info.height) return CodecStatus::Ok;
    const std::int32_t count = std::min(kBandHeight, m_info.height - m_rowsDone);
    const std::size_t rowBytes = m_info.rowBytes();
    if (interlaced()) {
        if (m_rowsDone >= m_groupTop + m_groupRows) {
            const CodecStatus status =
                assembleGroup(m_rowsDone, std::min(m_groupHeight, m_info.height - m_rowsDone));
            if (status != CodecStatus::Ok) {
                m_failed = true;
                return status;
            }
        }
        const std::int32_t held = std::min(count, m_groupTop + m_groupRows - m_rowsDone);
        for (std::int32_t r = 0; r < held; ++r)
            std::memcpy(
                destination + static_cast<std::size_t>(r) * destinationRowBytes,
                m_image.data() + static_cast<std::size_t>(m_rowsDone - m_groupTop + r) * rowBytes,
                rowBytes);
        rows->firstRow = m_rowsDone;
        rows->rowCount = held;
        m_rowsDone += held;
        return CodecStatus::Ok;
    }
    if (!readRows(destination, destinationRowBytes, count)) {
        m_failed = true;
        return failure(CodecStatus::Corrupt);
    }
    rows->firstRow = m_rowsDone;
    rows->rowCount = count;
    m_rowsDone += count;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
