#include "model/grey_weights.h"

namespace tessary {

void GreyWeights::rgbRowToGrey(const std::uint8_t* red, const std::uint8_t* green,
                               const std::uint8_t* blue, std::uint8_t* grey, std::int64_t count) {
    const std::uint8_t* tr = kTables.red.data();
    const std::uint8_t* tg = kTables.green.data();
    const std::uint8_t* tb = kTables.blue.data();
    for (std::int64_t i = 0; i < count; ++i) {
        grey[i] = static_cast<std::uint8_t>(tr[red[i]] + tg[green[i]] + tb[blue[i]]);
    }
}

void GreyWeights::interleavedRowToGrey(const std::uint8_t* rgb, std::uint8_t* grey,
                                       std::int64_t count) {
    const std::uint8_t* tr = kTables.red.data();
    const std::uint8_t* tg = kTables.green.data();
    const std::uint8_t* tb = kTables.blue.data();
    for (std::int64_t i = 0; i < count; ++i, rgb += 3) {
        grey[i] = static_cast<std::uint8_t>(tr[rgb[0]] + tg[rgb[1]] + tb[rgb[2]]);
    }
}

}  // namespace tessary
