#include "plugins/block_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "model/pro_data_buffer.h"

namespace tessary {

std::int16_t imageModeOfPageType(std::int32_t pageType) {
    switch (pageType) {
        case 1:
            return TSPI_MODE_BITMAP;
        case 2:
            return TSPI_MODE_GRAYSCALE;
        case 3:
            return TSPI_MODE_GRAY16;
        case 4:
            return TSPI_MODE_INDEXED;
        case 5:
            return TSPI_MODE_RGB;
        case 6:
            return TSPI_MODE_RGB48;
        case 7:
            return TSPI_MODE_HSB;
        case 8:
            return TSPI_MODE_CMYK;
        default:
            return static_cast<std::int16_t>(pageType);
    }
}

DeliveredMode deliveredModeOf(std::int16_t imageMode) {
    switch (imageMode) {
        case TSPI_MODE_BITMAP:
            return {2, ProDataBuffer::kSourceOneBit};
        case TSPI_MODE_GRAYSCALE:
            return {2, ProDataBuffer::kSourceNone};
        case TSPI_MODE_INDEXED:
            return {5, ProDataBuffer::kSourceIndexed};
        case TSPI_MODE_RGB:
            return {5, ProDataBuffer::kSourceNone};
        case TSPI_MODE_CMYK:
            return {8, ProDataBuffer::kSourceNone};
        case TSPI_MODE_HSB:
            return {7, ProDataBuffer::kSourceNone};
        case TSPI_MODE_GRAY16:
            return {3, ProDataBuffer::kSourceNone};
        case TSPI_MODE_RGB48:
            return {6, ProDataBuffer::kSourceNone};
        default:
            return {imageMode, ProDataBuffer::kSourceNone};
    }
}

int deliveredPlaneCount(std::int16_t imageMode, std::int16_t planes) {
    if (imageMode == TSPI_MODE_INDEXED) return 3;
    const std::int32_t type = deliveredModeOf(imageMode).pageType;
    const int colourPlanes = type == 2 ? 1 : type == 5 ? 3 : planes;
    return std::min<int>(planes, colourPlanes);
}

std::int16_t depthOfPageType(std::int32_t pageType) {
    if (pageType == 1) return 1;
    if (pageType == 3 || pageType == 6) return 16;
    return 8;
}

TsPiFixed fixedResolution(double pixelsPerInch) {
    const double scaled = std::trunc(pixelsPerInch * 65536.0);
    if (!(scaled == scaled)) return 0;
    if (scaled >= static_cast<double>(std::numeric_limits<TsPiFixed>::max()))
        return std::numeric_limits<TsPiFixed>::max();
    if (scaled <= static_cast<double>(std::numeric_limits<TsPiFixed>::min()))
        return std::numeric_limits<TsPiFixed>::min();
    return static_cast<TsPiFixed>(scaled);
}

double resolutionFromFixed(TsPiFixed fixed) {
    const double rounded = std::round(static_cast<double>(fixed) / 65536.0 * 10.0) / 10.0;
    return rounded < 1.0 ? 72.0 : rounded;
}

TsPiRgbColor rgbColourOf(std::uint32_t colour) {
    TsPiRgbColor out;
    out.red = static_cast<std::uint16_t>((colour & 0xFFu) * 257u);
    out.green = static_cast<std::uint16_t>(((colour >> 8) & 0xFFu) * 257u);
    out.blue = static_cast<std::uint16_t>(((colour >> 16) & 0xFFu) * 257u);
    return out;
}

void modeColourOf(std::uint32_t colour, bool grey, TsPiModeColor& out) {
    const unsigned red = colour & 0xFFu;
    const unsigned green = (colour >> 8) & 0xFFu;
    const unsigned blue = (colour >> 16) & 0xFFu;
    if (grey) {
        out[0] = static_cast<unsigned char>((red + green + blue) / 3);
        out[1] = out[2] = out[3] = 0;
    } else {
        out[0] = static_cast<unsigned char>(red);
        out[1] = static_cast<unsigned char>(green);
        out[2] = static_cast<unsigned char>(blue);
        out[3] = 0;
    }
}

Rect rectOf(const TsPiRect& rect) {
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

bool blockRectOf(const Rect& rect, TsPiRect& out) {
    constexpr std::int32_t kLow = std::numeric_limits<std::int16_t>::min();
    constexpr std::int32_t kHigh = std::numeric_limits<std::int16_t>::max();
    for (std::int32_t edge : {rect.left, rect.top, rect.right, rect.bottom}) {
        if (edge < kLow || edge > kHigh) return false;
    }
    out.top = static_cast<std::int16_t>(rect.top);
    out.left = static_cast<std::int16_t>(rect.left);
    out.bottom = static_cast<std::int16_t>(rect.bottom);
    out.right = static_cast<std::int16_t>(rect.right);
    return true;
}

bool requestsSomething(const TsPiRect& rect) {
    return rect.top != rect.bottom && rect.left != rect.right;
}

bool coversPixels(const TsPiRect& rect) {
    return std::int32_t{rect.right} - rect.left >= 1 && std::int32_t{rect.bottom} - rect.top >= 1;
}

bool isUnitRequest(const TsPiRect& rect) {
    return rect.top == 0 && rect.left == 0 && rect.bottom == 1 && rect.right == 1;
}

void setPString(TsPiPString& out, std::string_view text) {
    const std::size_t length = text.size() < 255 ? text.size() : 255;
    std::memset(out, 0, sizeof(TsPiPString));
    out[0] = static_cast<unsigned char>(length);
    std::memcpy(out + 1, text.data(), length);
}

std::string textOfPString(const TsPiPString& text) {
    std::string out;
    for (std::size_t i = 1; i <= text[0]; ++i) {
        if (text[i] == 0) break;
        out.push_back(static_cast<char>(text[i]));
    }
    return out;
}

}  // namespace tessary
