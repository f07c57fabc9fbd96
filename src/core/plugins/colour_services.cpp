#include "plugins/colour_services.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessary {

namespace {

using Working = std::array<std::uint32_t, 3>;  // 16-bit channels

std::uint32_t clampChannel(double value) {
    if (!(value > 0.0)) return 0;
    if (value >= 65535.0) return 65535;
    return static_cast<std::uint32_t>(value);
}

Working workingOfColour(std::uint32_t colour) {
    return {(colour & 0xFFu) * 256u, ((colour >> 8) & 0xFFu) * 256u,
            ((colour >> 16) & 0xFFu) * 256u};
}

std::uint32_t colourOfWorking(const Working& w) {
    return (w[0] >> 8) | ((w[1] >> 8) << 8) | ((w[2] >> 8) << 16);
}

// Step 2: the source colour as the working colour; an error code or 0.
TsPiResult convertSource(TsPiColorServicesInfo& info, Working& working) {
    const std::int16_t* c = info.colorComponents;
    switch (info.sourceSpace) {
        case TSPI_SPACE_CHOSEN:
        case TSPI_SPACE_RGB:
            for (int i = 0; i < 3; ++i)
                working[i] = (static_cast<std::uint32_t>(c[i]) & 0xFFu) * 256u;
            info.sourceSpace = TSPI_SPACE_RGB;
            return TSPI_NO_ERR;
        case TSPI_SPACE_CMYK: {
            // The constants are the double products 0.8 x 257 and 0.2 x 257.
            const double kColour = 0.8 * 257;
            const double kBlack = 0.2 * 257;
            for (int i = 0; i < 3; ++i)
                working[i] = clampChannel(std::trunc(kColour * c[i] + kBlack * c[3]));
            return TSPI_NO_ERR;
        }
        case TSPI_SPACE_GRAY: {
            const std::uint32_t grey = clampChannel(static_cast<double>(c[0]) * 257.0);
            working = {grey, grey, grey};
            return TSPI_NO_ERR;
        }
        case TSPI_SPACE_HSB:
        case TSPI_SPACE_HSL:
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_HOST_INSUFFICIENT;
    }
}

void writeResult(TsPiColorServicesInfo& info, const Working& working) {
    std::int16_t* c = info.colorComponents;
    const int r = static_cast<int>(working[0] >> 8);
    const int g = static_cast<int>(working[1] >> 8);
    const int b = static_cast<int>(working[2] >> 8);
    switch (info.resultSpace) {
        case TSPI_SPACE_RGB:
            c[0] = static_cast<std::int16_t>(r);
            c[1] = static_cast<std::int16_t>(g);
            c[2] = static_cast<std::int16_t>(b);
            break;
        case TSPI_SPACE_CMYK: {
            const int k = std::min({r, g, b}) * std::max({r, g, b}) / 255;
            c[0] = static_cast<std::int16_t>(r - k);
            c[1] = static_cast<std::int16_t>(g - k);
            c[2] = static_cast<std::int16_t>(b - k);
            c[3] = static_cast<std::int16_t>(k);
            break;
        }
        case TSPI_SPACE_GRAY:
            c[0] = static_cast<std::int16_t>((working[0] + working[1] + working[2]) / 3 / 256);
            break;
        default:  // HSB and HSL: the components stay as they are
            break;
    }
}

}  // namespace

TsPiResult serveColourServices(TsPiColorServicesInfo* info, const ColourServicesContext& context) {
    if (info == nullptr) return TSPI_ERR_IMPORT_BAD_PARAMETERS;
    if (info->reservedSourceSpaceInfo != nullptr || info->reservedResultSpaceInfo != nullptr ||
        info->reserved != nullptr) {
        info->resultGamutInfoValid = 0;
        info->resultInGamut = 0;
        return TSPI_ERR_IMPORT_BAD_PARAMETERS;
    }

    Working working{0, 0, 0};
    TsPiResult result = convertSource(*info, working);

    if (info->resultSpace == TSPI_SPACE_CHOSEN) info->resultSpace = TSPI_SPACE_RGB;
    const std::int16_t space = info->resultSpace;
    const bool knownResult = space == TSPI_SPACE_RGB || space == TSPI_SPACE_HSB ||
                             space == TSPI_SPACE_CMYK || space == TSPI_SPACE_GRAY ||
                             space == TSPI_SPACE_HSL;
    if (result == TSPI_NO_ERR && !knownResult) result = TSPI_ERR_HOST_INSUFFICIENT;

    if (result == TSPI_NO_ERR) {
        switch (info->selector) {
            case TSPI_COLOR_CHOOSE: {
                std::uint32_t chosen = 0;
                if (context.chooser != nullptr &&
                    context.chooser->chooseColour(colourOfWorking(working), chosen)) {
                    working = workingOfColour(chosen);
                }
                break;
            }
            case TSPI_COLOR_CONVERT:
                break;
            case TSPI_COLOR_GET_SPECIAL:
                working = workingOfColour(info->selectorParameter.specialColorId != 0
                                              ? context.background
                                              : context.foreground);
                break;
            default:  // sampling a point, and selectors the host does not know
                result = TSPI_ERR_HOST_INSUFFICIENT;
                break;
        }
    }

    if (result == TSPI_NO_ERR) writeResult(*info, working);
    info->resultGamutInfoValid = 0;
    info->resultInGamut = 0;
    return result;
}

}  // namespace tessary
