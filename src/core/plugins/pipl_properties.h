#pragma once

#include <cstdint>
#include <span>

#include "tessary_plugin.h"

namespace tessary {

// Results of property lookups.
inline constexpr std::int16_t kPiPLFound = 0;
inline constexpr std::int16_t kPiPLNotVersionZero = 1;  // also: too short to hold a version
inline constexpr std::int16_t kPiPLPropertyNotFound = TSPI_ERR_PROPERTY_UNDEFINED;

// Where one property's data lies inside a property list.
struct PiPLPropertyLookup {
    std::int16_t code = kPiPLPropertyNotFound;  // kPiPLFound, kPiPLNotVersionZero or not found
    std::span<const std::uint8_t> data;         // the property's data when found
};

// Finds the first property with `key` (vendor and id are not compared).
// The list must have version 0 and a count of at least 1. Properties are
// walked in order, each 16 + length bytes rounded up to a multiple of 4
// after its start; the walk ends after `count` properties or at the first
// property whose header or data does not lie wholly inside `pipl`, so a
// list with lengths past its end or a huge count is never read outside
// its bytes.
PiPLPropertyLookup findPiPLProperty(std::span<const std::uint8_t> pipl, std::uint32_t key);

// Copies a property's data into `destination` and returns kPiPLFound, or
// returns kPiPLNotVersionZero or kPiPLPropertyNotFound with `destination`
// untouched. `size` is the number of bytes wanted; -1 means the property's
// own length, cut to the destination's size. When the property holds at
// least `size` bytes its first `size` bytes are copied; when it is shorter,
// all of its bytes are copied so that they end at byte `size` of the
// destination (right-aligned) and the bytes before them keep their values.
// A `size` larger than the destination is a programming error.
std::int16_t GetPiPLProperty(std::span<const std::uint8_t> pipl, std::uint32_t key,
                             std::span<std::uint8_t> destination, std::int32_t size);

}  // namespace tessary
