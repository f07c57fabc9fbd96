#pragma once

#include <cstddef>
#include <cstdint>

namespace tessary::modules {

// Moving samples between interleaved triplets (three samples per pixel, as
// 24-bit pixels are stored) and three separate rows, for `count` pixels.
// The loops are vectorised where the processor allows; the rows and the
// triplets must not overlap.

// in[3x], in[3x + 1], in[3x + 2] to first[x], second[x], third[x].
void splitTriplets(const std::uint8_t* in, std::uint8_t* first, std::uint8_t* second,
                   std::uint8_t* third, std::size_t count);
// The reverse: first[x], second[x], third[x] to out[3x], out[3x + 1], out[3x + 2].
void joinTriplets(const std::uint8_t* first, const std::uint8_t* second,
                  const std::uint8_t* third, std::uint8_t* out, std::size_t count);

}  // namespace tessary::modules
