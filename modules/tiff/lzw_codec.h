#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessary::modules {

// TIFF's LZW: codes of 9 to 12 bits packed most significant bit first,
// 256 clears the table, 257 ends the data, new entries from 258 on. The
// code width grows one entry early (when the next entry is 2^n - 1 to the
// reader), as every TIFF reader expects.

// Appends the LZW codes of `size` bytes to `out`: a Clear first, a Clear
// whenever the table is full, an end code last.
void lzwEncode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out);

// Decodes `size` bytes of codes into exactly `outSize` bytes of `out`;
// codes past that are not looked at. False when the codes end or break
// off early or are not valid LZW; `out` is then partly written. Reads only
// `size` bytes and writes only `outSize` bytes, whatever the data.
bool lzwDecode(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

}  // namespace tessary::modules
