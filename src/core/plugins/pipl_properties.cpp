#include "plugins/pipl_properties.h"

#include <algorithm>
#include <cstring>

#include "platform/assert.h"

namespace tessary {

namespace {

std::uint32_t littleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

}  // namespace

PiPLPropertyLookup findPiPLProperty(std::span<const std::uint8_t> pipl, std::uint32_t key) {
    PiPLPropertyLookup lookup;
    if (pipl.size() < TSPI_PIPL_OFFSET_COUNT + 4 ||
        littleEndian32(pipl.data() + TSPI_PIPL_OFFSET_VERSION) != TSPI_PIPL_VERSION) {
        lookup.code = kPiPLNotVersionZero;
        return lookup;
    }
    const auto count =
        static_cast<std::int32_t>(littleEndian32(pipl.data() + TSPI_PIPL_OFFSET_COUNT));
    if (count < 1) return lookup;

    std::size_t position = TSPI_PIPL_OFFSET_PROPERTIES;
    for (std::int32_t index = 0; index < count; ++index) {
        if (position > pipl.size() || pipl.size() - position < TSPI_PROPERTY_HEADER_SIZE) break;
        const std::uint8_t* property = pipl.data() + position;
        const std::uint32_t length = littleEndian32(property + TSPI_PROPERTY_OFFSET_LENGTH);
        const std::size_t room = pipl.size() - position - TSPI_PROPERTY_HEADER_SIZE;
        if (length > room) break;
        if (littleEndian32(property + TSPI_PROPERTY_OFFSET_KEY) == key) {
            lookup.code = kPiPLFound;
            lookup.data = pipl.subspan(position + TSPI_PROPERTY_HEADER_SIZE, length);
            return lookup;
        }
        // length <= room keeps this inside size_t; the padding may step just
        // past the end, which the next round's test catches.
        position += (TSPI_PROPERTY_HEADER_SIZE + std::size_t{length} + 3) & ~std::size_t{3};
    }
    return lookup;
}

std::int16_t GetPiPLProperty(std::span<const std::uint8_t> pipl, std::uint32_t key,
                             std::span<std::uint8_t> destination, std::int32_t size) {
    TS_ASSERT(size == -1 || (size >= 0 && static_cast<std::size_t>(size) <= destination.size()));
    const PiPLPropertyLookup lookup = findPiPLProperty(pipl, key);
    if (lookup.code != kPiPLFound) return lookup.code;

    const std::size_t length = lookup.data.size();
    const std::size_t wanted =
        size == -1 ? std::min(length, destination.size()) : static_cast<std::size_t>(size);
    if (length >= wanted) {
        if (wanted != 0) std::memcpy(destination.data(), lookup.data.data(), wanted);
    } else if (length != 0) {
        std::memcpy(destination.data() + (wanted - length), lookup.data.data(), length);
    }
    return kPiPLFound;
}

}  // namespace tessary
