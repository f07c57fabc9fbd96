// Clipboard bitmaps of any content: the reader either refuses the bytes or
// describes an image whose every row it decodes from inside them, and a
// bitmap it calls grey decodes to grey pixels only.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "exchange/dib_reader.h"

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;
// A few header bytes can describe a huge image; rows past this many pixels
// decode no differently.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tessary::DibError;
    if (size > kMaxInput) return 0;
    tessary::DibReader reader;
    if (reader.open(std::span<const std::uint8_t>(data, size)) != DibError::kNone) {
        if (reader.isOpen()) std::abort();
        return 0;
    }
    const std::int32_t width = reader.width();
    const std::int32_t height = reader.height();
    if (width < 1 || height < 1) std::abort();
    if (std::int64_t{width} * height > kMaxPixels) return 0;

    const bool grey = reader.greyPalette();
    std::vector<std::uint8_t> rows(3 * static_cast<std::size_t>(width));
    std::uint8_t* red = rows.data();
    std::uint8_t* green = red + width;
    std::uint8_t* blue = green + width;
    for (std::int32_t y = 0; y < height; ++y) {
        reader.readRow(y, red, green, blue);
        if (!grey) continue;
        for (std::int32_t x = 0; x < width; ++x)
            if (red[x] != green[x] || red[x] != blue[x]) std::abort();
    }
    return 0;
}
