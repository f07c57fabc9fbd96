#pragma once

#include <array>
#include <cstdint>

namespace tessary {

// The colour-to-grey weights: three 256-entry tables whose entries for one
// level v add up to v exactly, so grey = Tr[r] + Tg[g] + Tb[b] never exceeds
// 255 and a neutral colour (v, v, v) keeps its level.
//
// The tables are built level by level: going from v to v + 1, the one new
// unit goes to the channel furthest below its share of v + 1 in the
// proportions 30 : 59 : 11 (weight x (v + 1) / 100 minus its entry for v),
// ties to red, then green, then blue. So no table ever decreases (a brighter
// channel never gives a darker grey), every entry is within one level of
// weight x v / 100, white gives 77 + 150 + 28, and for example level 4 gives
// 1 + 2 + 1, level 5 gives 1 + 3 + 1 and level 50 gives 15 + 30 + 5.
class GreyWeights {
public:
    using Table = std::array<std::uint8_t, 256>;

    static const Table& red() { return kTables.red; }
    static const Table& green() { return kTables.green; }
    static const Table& blue() { return kTables.blue; }

    static std::uint8_t grey(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return static_cast<std::uint8_t>(kTables.red[r] + kTables.green[g] + kTables.blue[b]);
    }
    // The grey of a colour with red in bits 0-7, green 8-15, blue 16-23.
    static std::uint8_t greyOfColour(std::uint32_t colour) {
        return grey(static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
                    static_cast<std::uint8_t>(colour >> 16));
    }
    // grey[i] = grey(red[i], green[i], blue[i]) for i in [0, count). The
    // output may be one of the inputs.
    static void rgbRowToGrey(const std::uint8_t* red, const std::uint8_t* green,
                             const std::uint8_t* blue, std::uint8_t* grey, std::int64_t count);
    // The same for interleaved rows (r, g, b, r, g, b, ...).
    static void interleavedRowToGrey(const std::uint8_t* rgb, std::uint8_t* grey,
                                     std::int64_t count);

private:
    struct Tables {
        Table red{}, green{}, blue{};
    };
    static constexpr Tables build();
    static const Tables kTables;
};

constexpr GreyWeights::Tables GreyWeights::build() {
    constexpr int kWeights[3] = {30, 59, 11};  // percent of red, green, blue
    Tables t;
    int entry[3] = {0, 0, 0};
    for (int v = 1; v < 256; ++v) {
        // Shortfall below the share of level v, in hundredths of a level.
        int best = 0;
        int bestShortfall = 0;
        for (int c = 0; c < 3; ++c) {
            const int shortfall = kWeights[c] * v - 100 * entry[c];
            if (c == 0 || shortfall > bestShortfall) {
                best = c;
                bestShortfall = shortfall;
            }
        }
        ++entry[best];
        t.red[v] = static_cast<std::uint8_t>(entry[0]);
        t.green[v] = static_cast<std::uint8_t>(entry[1]);
        t.blue[v] = static_cast<std::uint8_t>(entry[2]);
    }
    return t;
}

inline constexpr GreyWeights::Tables GreyWeights::kTables = GreyWeights::build();

}  // namespace tessary
