#include "common/resolution.h"

#include <cmath>
#include <limits>

namespace tessary::modules {

TsPiFixed ppiToFixed(double ppi) {
    if (!(ppi > 0.0) || !std::isfinite(ppi)) return 0;
    const double scaled = std::round(ppi * 65536.0);
    if (scaled >= static_cast<double>(std::numeric_limits<TsPiFixed>::max()))
        return std::numeric_limits<TsPiFixed>::max();
    return static_cast<TsPiFixed>(scaled);
}

double fixedToPpi(TsPiFixed value) {
    return value > 0 ? value / 65536.0 : 0.0;
}

double ppmToPpi(double pixelsPerMetre) {
    if (!(pixelsPerMetre > 0.0) || !std::isfinite(pixelsPerMetre)) return 0.0;
    return pixelsPerMetre * kMetresPerInch;
}

std::int32_t ppiToPpm(double ppi) {
    if (!(ppi > 0.0) || !std::isfinite(ppi)) return 0;
    const double ppm = std::round(ppi / kMetresPerInch);
    if (ppm >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(ppm);
}

}  // namespace tessary::modules
