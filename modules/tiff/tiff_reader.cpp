#include "tiff/tiff_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tessary::modules {

namespace {

// Rows of `unit` height that make up at least kBandHeight rows, so that a
// band never splits a strip or a row of tiles. A unit taller than the image
// (such as the rows per strip of a file without that tag, 2^32 - 1) gives
// the whole image.
std::int32_t alignedBandHeight(std::uint32_t unit, std::int32_t imageHeight) {
    if (unit == 0) return std::min(TiffReader::kBandHeight, imageHeight);
    const std::uint64_t units = (std::uint64_t{TiffReader::kBandHeight} + unit - 1) / unit;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(units * unit, static_cast<std::uint64_t>(imageHeight)));
}

bool bottomUpOrientation(std::uint16_t orientation) {
    return orientation == ORIENTATION_BOTRIGHT || orientation == ORIENTATION_BOTLEFT ||
           orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
}

}  // namespace

TiffReader::TiffReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget, int threads)
    : m_source(std::move(source)), m_budget(memoryBudget), m_threads(threads) {}

TiffReader::~TiffReader() {
    endRgba();
    if (m_tiff != nullptr) TIFFClose(m_tiff);
}

tmsize_t TiffReader::readProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* self = static_cast<TiffReader*>(handle);
    if (size < 0) return -1;
    std::size_t copied = 0;
    if (self->m_source->readAt(self->m_position, buffer, static_cast<std::size_t>(size), &copied) !=
        CodecStatus::Ok)
        return -1;
    self->m_position += copied;
    return static_cast<tmsize_t>(copied);
}

tmsize_t TiffReader::writeProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t TiffReader::seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* self = static_cast<TiffReader*>(handle);
    std::int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<std::int64_t>(self->m_position);
    if (whence == SEEK_END) base = static_cast<std::int64_t>(self->m_source->size());
    // Offsets relative to the current position or the end may be negative.
    const std::int64_t delta = static_cast<std::int64_t>(offset);
    if ((delta > 0 && base > INT64_MAX - delta) || base + delta < 0) return static_cast<toff_t>(-1);
    self->m_position = static_cast<std::uint64_t>(base + delta);
    return static_cast<toff_t>(self->m_position);
}

int TiffReader::closeProc(thandle_t) {
    return 0;
}

toff_t TiffReader::sizeProc(thandle_t handle) {
    return static_cast<toff_t>(static_cast<TiffReader*>(handle)->m_source->size());
}

int TiffReader::mapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void TiffReader::unmapProc(thandle_t, void*, toff_t) {}

int TiffReader::errorHandler(TIFF*, void* user, const char* module, const char* format,
                             va_list arguments) {
    char message[512];
    std::vsnprintf(message, sizeof(message), format, arguments);
    auto* self = static_cast<TiffReader*>(user);
    self->m_error = module != nullptr ? std::string(module) + ": " + message : message;
    // libtiff's allocators (_TIFFmallocExt and its kin) report an allocation
    // beyond the limit of the open options under their own names.
    if (module != nullptr && std::strncmp(module, "_TIFF", 5) == 0 &&
        std::strstr(module, "allocExt") != nullptr)
        self->m_libraryOverBudget = true;
    return 1;  // handled: libtiff's process-wide handler stays quiet
}

CodecStatus TiffReader::libraryFailure(CodecStatus status) const {
    return m_libraryOverBudget ? CodecStatus::TooLarge : status;
}

int TiffReader::warningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

CodecStatus TiffReader::open(std::unique_ptr<ByteSource> source,
                             std::unique_ptr<TiffReader>* reader, std::size_t memoryBudget,
                             int threads) {
    if (!source) return CodecStatus::BadParameters;
    std::unique_ptr<TiffReader> result(new TiffReader(std::move(source), memoryBudget, threads));
    CodecStatus status = result->openLibrary();
    if (status == CodecStatus::Ok) status = result->analysePage();
    if (status != CodecStatus::Ok) return status;
    *reader = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus TiffReader::openPages(std::unique_ptr<ByteSource> source,
                                  std::unique_ptr<TiffReader>* reader, CodecStatus* pageStatus,
                                  std::size_t memoryBudget, int threads) {
    if (!source) return CodecStatus::BadParameters;
    std::unique_ptr<TiffReader> result(new TiffReader(std::move(source), memoryBudget, threads));
    const CodecStatus status = result->openLibrary();
    if (status != CodecStatus::Ok) return status;
    *pageStatus = result->analysePage();
    *reader = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus TiffReader::openLibrary() {
    if (m_source->size() < 8) return CodecStatus::Corrupt;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return CodecStatus::OutOfMemory;
    // The other half of the budget; never 0, which would mean "no limit".
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, static_cast<tmsize_t>(std::max<std::size_t>(m_budget - ownBudget(), 1)));
    TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, this);
    // "m": no memory mapping; every read goes through readProc.
    m_tiff = TIFFClientOpenExt("TIFF", "rm", this, readProc, writeProc, seekProc, closeProc,
                               sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return m_tiff != nullptr ? CodecStatus::Ok : libraryFailure(CodecStatus::Corrupt);
}

bool TiffReader::hasNextPage() const {
    return m_tiff != nullptr && TIFFLastDirectory(m_tiff) == 0;
}

CodecStatus TiffReader::nextPage() {
    endRgba();
    if (!hasNextPage() || TIFFReadDirectory(m_tiff) == 0) return CodecStatus::Corrupt;
    ++m_pageIndex;
    return analysePage();
}

CodecStatus TiffReader::analysePage() {
    m_pageStatus = analyseLayout();
    return m_pageStatus;
}

void TiffReader::readResolution() {
    float x = 0.0f;
    float y = 0.0f;
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(m_tiff, TIFFTAG_XRESOLUTION, &x) == 0 ||
        TIFFGetField(m_tiff, TIFFTAG_YRESOLUTION, &y) == 0)
        return;
    const double perInch = unit == RESUNIT_INCH ? 1.0 : unit == RESUNIT_CENTIMETER ? 2.54 : 0.0;
    auto sane = [](double ppi) { return std::isfinite(ppi) && ppi > 0.0 ? ppi : 0.0; };
    m_info.horizontalPpi = sane(x * perInch);
    m_info.verticalPpi = sane(y * perInch);
}

CodecStatus TiffReader::analyseLayout() {
    endRgba();
    m_info = RasterInfo();
    m_rowsDone = 0;
    m_columnsDone = 0;
    m_channel = 0;
    m_libraryOverBudget = false;
    m_raw.clear();
    m_tile.clear();
    m_stripReader.reset();
    m_error.clear();

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width) == 0 ||
        TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &height) == 0 || width == 0 || height == 0)
        return CodecStatus::Corrupt;
    if (width > static_cast<std::uint32_t>(kMaxImageDimension) ||
        height > static_cast<std::uint32_t>(kMaxImageDimension))
        return CodecStatus::TooLarge;
    m_info.width = static_cast<std::int32_t>(width);
    m_info.height = static_cast<std::int32_t>(height);
    m_bandWidth = m_info.width;

    std::uint16_t bitsPerSample = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t photometric = 0;
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(m_tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFGetField(m_tiff, TIFFTAG_PHOTOMETRIC, &photometric) == 0) return CodecStatus::Corrupt;
    if (TIFFIsCODECConfigured(compression) == 0) return CodecStatus::Unsupported;
    readResolution();

    const bool native = (sampleFormat == SAMPLEFORMAT_UINT || sampleFormat == SAMPLEFORMAT_VOID) &&
                        orientation == ORIENTATION_TOPLEFT && samplesPerPixel >= 1 &&
                        samplesPerPixel <= 8 && compression != COMPRESSION_OJPEG;
    if (native) {
        const CodecStatus status =
            chooseNativeLayout(photometric, bitsPerSample, samplesPerPixel, planar);
        if (status != CodecStatus::Unsupported) return status;
    }
    m_rgbaFlipped = bottomUpOrientation(orientation);
    return beginRgba();
}

CodecStatus TiffReader::chooseNativeLayout(std::uint16_t photometric, std::uint16_t bitsPerSample,
                                           std::uint16_t samplesPerPixel, std::uint16_t planar) {
    const auto bitsIn = [&](std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), bitsPerSample) != allowed.end();
    };
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            if (!bitsIn({1, 2, 4, 8, 16})) return CodecStatus::Unsupported;
            m_info.kind = PixelKind::Grey;
            m_colourSamples = 1;
            m_minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
            break;
        case PHOTOMETRIC_PALETTE: {
            if (!bitsIn({1, 2, 4, 8})) return CodecStatus::Unsupported;
            std::uint16_t* red = nullptr;
            std::uint16_t* green = nullptr;
            std::uint16_t* blue = nullptr;
            if (TIFFGetField(m_tiff, TIFFTAG_COLORMAP, &red, &green, &blue) == 0)
                return CodecStatus::Corrupt;
            const int entries = 1 << bitsPerSample;
            // Some writers store 8-bit values in the 16-bit map.
            bool eightBit = true;
            for (int i = 0; i < entries; ++i)
                eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
            auto level = [eightBit](std::uint16_t v) {
                return static_cast<std::uint8_t>(eightBit ? v : (v + 128u) / 257u);
            };
            m_info.kind = PixelKind::Indexed;
            m_info.palette.count = entries;
            for (int i = 0; i < entries; ++i) {
                m_info.palette.red[i] = level(red[i]);
                m_info.palette.green[i] = level(green[i]);
                m_info.palette.blue[i] = level(blue[i]);
            }
            m_colourSamples = 1;
            break;
        }
        case PHOTOMETRIC_RGB:
            if (!bitsIn({8, 16}) || samplesPerPixel < 3) return CodecStatus::Unsupported;
            m_info.kind = PixelKind::Rgb;
            m_colourSamples = 3;
            break;
        default:
            return CodecStatus::Unsupported;
    }
    m_bitsPerSample = bitsPerSample;
    m_samplesPerPixel = samplesPerPixel;
    m_separatePlanes = planar == PLANARCONFIG_SEPARATE && samplesPerPixel > 1;
    const std::uint64_t samplesInPlane = m_separatePlanes ? 1 : samplesPerPixel;
    m_planeRowBytes = static_cast<std::size_t>(
        (static_cast<std::uint64_t>(m_info.width) * samplesInPlane * bitsPerSample + 7) / 8);

    m_rawRowBytes = m_planeRowBytes;
    if (TIFFIsTiled(m_tiff)) {
        if (TIFFGetField(m_tiff, TIFFTAG_TILEWIDTH, &m_tileWidth) == 0 ||
            TIFFGetField(m_tiff, TIFFTAG_TILELENGTH, &m_tileLength) == 0 || m_tileWidth == 0 ||
            m_tileLength == 0)
            return CodecStatus::Corrupt;
        // Tiles must start on byte boundaries within a row.
        if (static_cast<std::uint64_t>(m_tileWidth) * samplesInPlane * bitsPerSample % 8 != 0)
            return CodecStatus::Unsupported;
        m_layout = Layout::Tiles;
        m_bandHeight = static_cast<std::int32_t>(
            std::min<std::uint64_t>(m_tileLength, static_cast<std::uint64_t>(m_info.height)));
        return chooseTileSpan();
    }
    if (TIFFScanlineSize64(m_tiff) != m_planeRowBytes) return CodecStatus::Unsupported;
    m_layout = m_separatePlanes ? Layout::SeparateScanlines : Layout::Scanlines;
    m_bandHeight = std::min(kBandHeight, m_info.height);
    m_planeBandBytes = m_rawRowBytes * static_cast<std::size_t>(m_bandHeight);
    // One band of raw rows of one plane, and the caller's band.
    if (m_planeBandBytes + bandBytes() > ownBudget()) return CodecStatus::TooLarge;
    if (!m_separatePlanes && bitsPerSample == 8)
        m_stripReader = StripReader::create(
            m_tiff, m_info.height, m_planeRowBytes, samplesPerPixel, m_source->size(),
            ownBudget() - m_planeBandBytes - bandBytes(), m_threads);
    return CodecStatus::Ok;
}

CodecStatus TiffReader::chooseTileSpan() {
    const std::uint64_t tileBytes = TIFFTileSize64(m_tiff);
    const std::uint64_t tileRowBytes = TIFFTileRowSize64(m_tiff);
    if (tileBytes == 0 || tileRowBytes == 0 ||
        tileRowBytes * static_cast<std::uint64_t>(m_bandHeight) > tileBytes)
        return CodecStatus::Corrupt;
    // Each tile of a band costs its raw rows in every plane read and its
    // share of the caller's band; one decoded tile is needed besides.
    const std::uint64_t planes = m_separatePlanes ? static_cast<std::uint64_t>(m_colourSamples) : 1;
    const std::uint64_t rows = static_cast<std::uint64_t>(m_bandHeight);
    const std::uint64_t perTile =
        (tileRowBytes * planes + std::uint64_t{m_tileWidth} * m_info.channels()) * rows;
    const std::uint64_t tilesAcross =
        (static_cast<std::uint64_t>(m_info.width) + m_tileWidth - 1) / m_tileWidth;
    if (tileBytes >= ownBudget()) return CodecStatus::TooLarge;
    const std::uint64_t fitting = (ownBudget() - tileBytes) / perTile;
    if (fitting == 0) return CodecStatus::TooLarge;
    const std::uint64_t tilesPerBand = std::min(fitting, tilesAcross);
    m_bandWidth = static_cast<std::int32_t>(std::min<std::uint64_t>(
        tilesPerBand * m_tileWidth, static_cast<std::uint64_t>(m_info.width)));
    m_rawRowBytes = static_cast<std::size_t>(tileRowBytes * tilesPerBand);
    m_planeBandBytes = m_rawRowBytes * static_cast<std::size_t>(m_bandHeight);
    return CodecStatus::Ok;
}

CodecStatus TiffReader::beginRgba() {
    char message[1024] = {};
    if (TIFFRGBAImageOK(m_tiff, message) == 0) {
        m_error = message;
        return CodecStatus::Unsupported;
    }
    if (TIFFRGBAImageBegin(&m_rgba, m_tiff, 1, message) == 0) {
        m_error = message;
        return CodecStatus::Corrupt;
    }
    m_rgbaActive = true;
    m_rgba.req_orientation = ORIENTATION_TOPLEFT;
    m_layout = Layout::Rgba;
    m_info.kind = PixelKind::Rgb;
    m_info.palette = Palette();
    std::uint32_t unit = 0;
    if (TIFFIsTiled(m_tiff)) {
        TIFFGetField(m_tiff, TIFFTAG_TILELENGTH, &unit);
    } else {
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    }
    // Whole strips or rows of tiles when they fit (each is then decoded
    // once); else as many rows as fit, rounded down to whole strips where
    // possible, and libtiff decodes a taller strip again for each band.
    const std::uint64_t rowCost = static_cast<std::uint64_t>(m_info.width) * (4 + 3);
    const std::uint64_t fitting = ownBudget() / rowCost;
    if (fitting == 0) return CodecStatus::TooLarge;
    std::uint64_t rows = static_cast<std::uint64_t>(alignedBandHeight(unit, m_info.height));
    if (rows > fitting) rows = unit != 0 && fitting >= unit ? fitting / unit * unit : fitting;
    m_bandHeight = static_cast<std::int32_t>(rows);
    return CodecStatus::Ok;
}

void TiffReader::endRgba() {
    if (!m_rgbaActive) return;
    TIFFRGBAImageEnd(&m_rgba);
    m_rgbaActive = false;
}

std::uint32_t TiffReader::sample(const std::uint8_t* row, std::size_t index) const {
    switch (m_bitsPerSample) {
        case 8:
            return row[index];
        case 16: {
            std::uint16_t value;  // libtiff has put it in the machine's byte order
            std::memcpy(&value, row + 2 * index, sizeof(value));
            return value;
        }
        default: {
            const std::size_t bit = index * m_bitsPerSample;
            const unsigned mask = (1u << m_bitsPerSample) - 1;
            return (row[bit / 8] >> (8 - m_bitsPerSample - bit % 8)) & mask;
        }
    }
}

std::uint8_t TiffReader::toByte(std::uint32_t value) const {
    switch (m_bitsPerSample) {
        case 1:
            return value != 0 ? 255 : 0;
        case 2:
            return static_cast<std::uint8_t>(value * 85);
        case 4:
            return static_cast<std::uint8_t>(value * 17);
        case 16:
            return static_cast<std::uint8_t>((value + 128) / 257);
        default:
            return static_cast<std::uint8_t>(value);
    }
}

void TiffReader::convertRow(std::int32_t bandRow, std::int32_t columns, std::uint8_t* out) const {
    const std::size_t rowOffset = static_cast<std::size_t>(bandRow) * m_rawRowBytes;
    const std::uint8_t* row = m_raw.data() + rowOffset;
    const std::size_t width = static_cast<std::size_t>(columns);
    const std::size_t step = m_separatePlanes ? 1 : m_samplesPerPixel;
    if (m_layout == Layout::SeparateScanlines && m_colourSamples == 3) {
        // One colour plane, delivered on its own.
        for (std::size_t x = 0; x < width; ++x) out[x] = toByte(sample(row, x));
        return;
    }
    if (m_info.kind == PixelKind::Indexed) {
        for (std::size_t x = 0; x < width; ++x)
            out[x] = static_cast<std::uint8_t>(sample(row, x * step));
        return;
    }
    if (m_info.kind == PixelKind::Grey) {
        if (m_bitsPerSample == 8 && step == 1 && !m_minIsWhite) {
            std::memcpy(out, row, width);
            return;
        }
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t level = toByte(sample(row, x * step));
            out[x] = m_minIsWhite ? static_cast<std::uint8_t>(255 - level) : level;
        }
        return;
    }
    if (m_bitsPerSample == 8 && step == 3) {
        std::memcpy(out, row, width * 3);
        return;
    }
    for (int c = 0; c < 3; ++c) {
        const std::uint8_t* plane =
            m_separatePlanes ? m_raw.data() + c * m_planeBandBytes + rowOffset : row;
        const std::size_t first = m_separatePlanes ? 0 : static_cast<std::size_t>(c);
        for (std::size_t x = 0; x < width; ++x)
            out[3 * x + c] = toByte(sample(plane, first + x * step));
    }
}

CodecStatus TiffReader::readRawBand(std::int32_t top, std::int32_t count, std::int32_t columns) {
    // Separate strips hold one plane at a time; tiles every plane read.
    const int planes = m_layout == Layout::Tiles && m_separatePlanes ? m_colourSamples : 1;
    if (m_raw.empty()) m_raw.resize(m_planeBandBytes * static_cast<std::size_t>(planes));
    switch (m_layout) {
        case Layout::Scanlines:
        case Layout::SeparateScanlines: {
            if (m_stripReader) {
                const CodecStatus status =
                    m_stripReader->readRows(top, count, m_raw.data(), m_rawRowBytes);
                if (status != CodecStatus::Ok) m_error = m_stripReader->errorMessage();
                return status;
            }
            // Rows of one plane in order: libtiff decodes each strip once,
            // however tall, keeping only the compressed strip.
            const auto plane = static_cast<std::uint16_t>(m_channel);
            for (std::int32_t r = 0; r < count; ++r)
                if (TIFFReadScanline(m_tiff,
                                     m_raw.data() + static_cast<std::size_t>(r) * m_rawRowBytes,
                                     static_cast<std::uint32_t>(top + r), plane) < 0)
                    return libraryFailure(CodecStatus::Corrupt);
            return CodecStatus::Ok;
        }
        case Layout::Tiles: {
            if (m_tile.empty()) m_tile.resize(static_cast<std::size_t>(TIFFTileSize64(m_tiff)));
            const std::size_t tileRowBytes = static_cast<std::size_t>(TIFFTileRowSize64(m_tiff));
            const auto first = static_cast<std::uint32_t>(m_columnsDone);
            const std::uint32_t end = first + static_cast<std::uint32_t>(columns);
            for (int s = 0; s < planes; ++s) {
                std::uint8_t* plane = m_raw.data() + s * m_planeBandBytes;
                for (std::uint32_t x = first; x < end; x += m_tileWidth) {
                    if (TIFFReadTile(m_tiff, m_tile.data(), x, static_cast<std::uint32_t>(top), 0,
                                     static_cast<std::uint16_t>(s)) < 0)
                        return libraryFailure(CodecStatus::Corrupt);
                    // Tile rows are whole bytes, so the tiles of a span lie
                    // side by side in its raw rows.
                    const std::size_t offset = (x - first) / m_tileWidth * tileRowBytes;
                    for (std::int32_t r = 0; r < count; ++r)
                        std::memcpy(plane + static_cast<std::size_t>(r) * m_rawRowBytes + offset,
                                    m_tile.data() + static_cast<std::size_t>(r) * tileRowBytes,
                                    tileRowBytes);
                }
            }
            return CodecStatus::Ok;
        }
        case Layout::Rgba:
            break;
    }
    return CodecStatus::BadParameters;
}

CodecStatus TiffReader::readRgbaBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                     std::int32_t count, BandRows* rows) {
    const std::size_t width = static_cast<std::size_t>(m_info.width);
    m_rgbaBand.resize(width * static_cast<std::size_t>(count));
    m_rgba.row_offset = m_rowsDone;
    m_rgba.col_offset = 0;
    if (TIFFRGBAImageGet(&m_rgba, m_rgbaBand.data(), m_rgba.width,
                         static_cast<std::uint32_t>(count)) == 0)
        return CodecStatus::Corrupt;
    for (std::int32_t r = 0; r < count; ++r) {
        const std::uint32_t* in = m_rgbaBand.data() + static_cast<std::size_t>(r) * width;
        std::uint8_t* out = destination + static_cast<std::size_t>(r) * destinationRowBytes;
        for (std::size_t x = 0; x < width; ++x) {
            out[3 * x] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
            out[3 * x + 1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
            out[3 * x + 2] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
        }
    }
    // The band holds stored rows [m_rowsDone, m_rowsDone + count), shown top
    // down; in a bottom-up file they are the image's rows counted from below.
    rows->firstRow = m_rgbaFlipped ? m_info.height - m_rowsDone - count : m_rowsDone;
    rows->rowCount = count;
    return CodecStatus::Ok;
}

CodecStatus TiffReader::readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                 BandRows* rows) {
    *rows = BandRows();
    if (m_pageStatus != CodecStatus::Ok) return m_pageStatus;
    if (m_rowsDone >= m_info.height) {
        // Separate strips go on with the next colour plane from the top.
        if (m_layout != Layout::SeparateScanlines || m_channel + 1 >= m_colourSamples)
            return CodecStatus::Ok;
        ++m_channel;
        m_rowsDone = 0;
    }
    const std::int32_t count = std::min(m_bandHeight, m_info.height - m_rowsDone);
    if (m_layout == Layout::Rgba) {
        const CodecStatus status = readRgbaBand(destination, destinationRowBytes, count, rows);
        if (status != CodecStatus::Ok) return libraryFailure(status);
        m_rowsDone += count;
        return CodecStatus::Ok;
    }
    const std::int32_t columns = std::min(m_bandWidth, m_info.width - m_columnsDone);
    const CodecStatus status = readRawBand(m_rowsDone, count, columns);
    if (status != CodecStatus::Ok) return status;
    for (std::int32_t r = 0; r < count; ++r)
        convertRow(r, columns, destination + static_cast<std::size_t>(r) * destinationRowBytes);
    rows->firstRow = m_rowsDone;
    rows->rowCount = count;
    rows->firstColumn = m_columnsDone;
    rows->columnCount = columns;
    if (m_layout == Layout::SeparateScanlines && m_colourSamples == 3) rows->channel = m_channel;
    m_columnsDone += columns;
    if (m_columnsDone >= m_info.width) {
        m_columnsDone = 0;
        m_rowsDone += count;
    }
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
