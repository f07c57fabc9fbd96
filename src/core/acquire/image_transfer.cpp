#include "acquire/image_transfer.h"

#include <algorithm>
#include <vector>

#include "acquire/twain_ports.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/pro_data_buffer.h"

namespace tessary {

namespace {

// The type no page can take that the table gives CMYK images.
constexpr std::int32_t kCmykPageType = 8;

double fromFix32(const TW_FIX32& value) {
    return value.Whole + value.Frac / 65536.0;
}

// Bytes a strip row needs for `columns` pixels.
std::uint64_t rowBytesFor(const TransferImage& image, std::int64_t columns) {
    const auto count = static_cast<std::uint64_t>(columns);
    switch (image.shape.conversion) {
        case ProDataBuffer::kSourceOneBit:
            return (count + 7) / 8;
        case ProDataBuffer::kSourceIndexed:
            return count;
        default:
            return count * static_cast<std::uint64_t>(image.samplesPerPixel);
    }
}

}  // namespace

PixelTypeShape pageShapeForPixelType(std::int16_t pixelType, std::int16_t samplesPerPixel) {
    switch (pixelType) {
        case TWPT_BW:
            return {Page::kTypeGrey, 1, ProDataBuffer::kSourceOneBit};
        case TWPT_GRAY:
            return {Page::kTypeGrey, samplesPerPixel, ProDataBuffer::kSourceNone};
        case TWPT_RGB:
            return {Page::kTypeRgb, samplesPerPixel, ProDataBuffer::kSourceNone};
        case TWPT_PALETTE:
            return {Page::kTypeRgb, 3, ProDataBuffer::kSourceIndexed};
        case TWPT_CMYK:
            return {kCmykPageType, samplesPerPixel, ProDataBuffer::kSourceNone};
        default:
            return {0, samplesPerPixel, ProDataBuffer::kSourceNone};
    }
}

bool describeImage(const TW_IMAGEINFO& info, TransferImage& image) {
    image.width = info.ImageWidth;
    image.height = info.ImageLength;
    image.samplesPerPixel = info.SamplesPerPixel;
    image.bitsPerSample = info.SamplesPerPixel > 0
                              ? static_cast<std::int16_t>(info.BitsPerPixel / info.SamplesPerPixel)
                              : 0;
    image.horizontalResolution = fromFix32(info.XResolution);
    image.verticalResolution = fromFix32(info.YResolution);
    image.shape = pageShapeForPixelType(info.PixelType, info.SamplesPerPixel);
    image.strip = Rect{};
    image.pixelsReceived = 0;
    if (image.width < 1 || image.height < 1 || image.samplesPerPixel < 1) return false;
    // Rows are moved a byte per sample; deeper samples would be read as
    // garbage, so such images are refused.
    const int bits = image.blackAndWhite() ? 1 : 8;
    if (image.bitsPerSample != bits) return false;
    // Converted sources have one sample (a bit or an index) per pixel.
    if (image.shape.conversion != ProDataBuffer::kSourceNone && image.samplesPerPixel != 1)
        return false;
    return true;
}

void takePalette(const TW_PALETTE8& palette, TransferImage& image) {
    const int count = std::min<int>(palette.NumColors, 256);
    for (int i = 0; i < count; ++i) {
        const TW_ELEMENT8& colour = palette.Colors[i];
        image.colours[colour.Index] = std::uint32_t{colour.Channel3} * 65536u +
                                      std::uint32_t{colour.Channel2} * 256u + colour.Channel1;
    }
}

std::uint8_t* allocateTransferBuffer(TransferAllocator& allocator, std::size_t preferred,
                                     std::size_t minimum, std::size_t& bytes) {
    minimum = std::max<std::size_t>(minimum, 1);
    std::size_t size = std::max(preferred, minimum);
    while (true) {
        if (void* block = allocator.allocate(size)) {
            bytes = size;
            return static_cast<std::uint8_t*>(block);
        }
        if (size <= minimum) break;
        size = std::max(size / 4 * 3 + size % 4 * 3 / 4, minimum);
    }
    bytes = 0;
    return nullptr;
}

StripPlacement placeStrip(const TW_IMAGEMEMXFER& transfer, TransferImage& image) {
    image.strip = Rect{};
    image.bytesPerRow = transfer.BytesPerRow;
    const std::uint64_t columns = transfer.Columns;
    const std::uint64_t rows = transfer.Rows;
    if (columns == 0 || rows == 0 || columns == TWON_DONTCARE32 || rows == TWON_DONTCARE32)
        return StripPlacement::Empty;
    const std::uint64_t x = transfer.XOffset;
    const std::uint64_t y = transfer.YOffset;
    const auto width = static_cast<std::uint64_t>(image.width);
    const auto height = static_cast<std::uint64_t>(image.height);
    if (x >= width || y >= height) return StripPlacement::Overrun;
    // The source wrote every row it claims into the buffer, and each must
    // hold the columns it claims.
    const std::uint64_t bytesPerRow = transfer.BytesPerRow;
    if (bytesPerRow == 0 || rows > image.bufferBytes / bytesPerRow ||
        bytesPerRow < rowBytesFor(image, static_cast<std::int64_t>(columns)))
        return StripPlacement::BadLayout;
    const std::uint64_t right = std::min(x + columns, width);
    const std::uint64_t bottom = std::min(y + rows, height);
    image.pixelsReceived += (right - x) * (bottom - y);
    if (image.pixelsReceived > width * height) return StripPlacement::Overrun;
    image.strip = Rect{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                       static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    return StripPlacement::Placed;
}

bool writeStrip(Page& page, ProDataBuffer& buffer, TransferImage& image) {
    PageData* data = page.pageData();
    const Rect& strip = image.strip;
    if (data == nullptr || strip.empty()) return false;
    std::uint8_t* rows = image.buffer;
    if (image.blackAndWhite()) {
        const std::size_t bytes = static_cast<std::size_t>(strip.height()) * image.bytesPerRow;
        for (std::size_t i = 0; i < bytes; ++i) rows[i] = static_cast<std::uint8_t>(~rows[i]);
    }
    const int samples = image.samplesPerPixel;
    buffer.setLayout(samples == 1 ? DataBuffer::kPlanar : DataBuffer::kInterleaved);
    buffer.setFirstPlane(0);
    buffer.setLastPlane(samples - 1);
    buffer.setStorage(rows);
    buffer.setRowBytes(image.bytesPerRow);
    buffer.setSampleStep(samples);
    if (!buffer.move(strip.left, strip.top, strip.right, strip.bottom)) return false;
    if (buffer.converting() && !buffer.convert()) return false;

    const std::int32_t width = strip.width();
    const std::int32_t step = buffer.sampleStep();
    std::vector<std::uint8_t> gathered(static_cast<std::size_t>(width));
    for (int plane = buffer.firstPlane(); plane <= buffer.lastPlane(); ++plane) {
        for (std::int32_t r = 0; r < strip.height(); ++r) {
            const std::uint8_t* in = buffer.row(plane, r);
            if (step != 1) {
                for (std::int32_t c = 0; c < width; ++c)
                    gathered[c] = in[static_cast<std::ptrdiff_t>(c) * step];
                in = gathered.data();
            }
            if (!data->writeRow(plane, strip.left, strip.top + r, width, in)) return false;
        }
    }
    return true;
}

}  // namespace tessary
