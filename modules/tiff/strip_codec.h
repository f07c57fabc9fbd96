#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessary::modules {

enum class TiffCompression : std::uint8_t { Lzw, Deflate };

// One strip of whole rows of 8-bit samples, `step` samples a pixel, as TIFF
// stores it: with the horizontal predictor (each sample less the same
// sample of the pixel before) and LZW or deflate (zlib) compression. Safe
// to call on several threads at once.

// Applies the predictor to `strip` in place and returns it compressed;
// deflate at zlib level `deflateLevel`. Throws std::bad_alloc when zlib
// cannot get memory.
std::vector<std::uint8_t> encodeStrip(TiffCompression compression, std::vector<std::uint8_t>& strip,
                                      std::size_t rowBytes, std::size_t step, int deflateLevel);

// Decodes `size` bytes into exactly `outSize` bytes of `out` (whole rows
// of `rowBytes`) and undoes the predictor when `predicted`. Data past what
// fills `out` is ignored. False when the data ends early or is not valid;
// `out` is then partly written. Throws std::bad_alloc when zlib cannot get
// memory.
bool decodeStrip(TiffCompression compression, const std::uint8_t* data, std::size_t size,
                 std::uint8_t* out, std::size_t outSize, std::size_t rowBytes, std::size_t step,
                 bool predicted);

}  // namespace tessary::modules
