#pragma once

#include <cstddef>
#include <cstdint>

namespace tessary {

// Byte-block primitives of the flips and quarter turns. Buffers must not
// overlap.

// out[i] = in[count - 1 - i] for i in [0, count).
void reverseRow(const std::uint8_t* in, std::uint8_t* out, std::size_t count);

// Transposes a block of `rows` x `columns` samples: out[c x outStride + r] =
// in[r x inStride + c] for r < rows, c < columns.
void transposeBlock(const std::uint8_t* in, std::size_t inStride, std::uint8_t* out,
                    std::size_t outStride, std::size_t rows, std::size_t columns);

}  // namespace tessary
