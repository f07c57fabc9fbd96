#include "tiff/strip_codec.h"

#include <zlib.h>

#include <new>

#include "tiff/lzw_codec.h"

namespace tessary::modules {

namespace {

void predictRow(std::uint8_t* row, std::size_t bytes, std::size_t step) {
    for (std::size_t i = bytes; i-- > step;)
        row[i] = static_cast<std::uint8_t>(row[i] - row[i - step]);
}

void unpredictRow(std::uint8_t* row, std::size_t bytes, std::size_t step) {
    for (std::size_t i = step; i < bytes; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - step]);
}

// zlib's stream into exactly `outSize` bytes; the stream may go on past
// them, as libtiff allows.
bool inflateInto(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                 std::size_t outSize) {
    uLongf produced = static_cast<uLongf>(outSize);
    uLong consumed = static_cast<uLong>(size);
    const int result = uncompress2(out, &produced, data, &consumed);
    if (result == Z_MEM_ERROR) throw std::bad_alloc();
    // Z_BUF_ERROR: `out` is full before the stream ends.
    return (result == Z_OK || result == Z_BUF_ERROR) && produced == outSize;
}

}  // namespace

std::vector<std::uint8_t> encodeStrip(TiffCompression compression, std::vector<std::uint8_t>& strip,
                                      std::size_t rowBytes, std::size_t step, int deflateLevel) {
    for (std::size_t at = 0; at < strip.size(); at += rowBytes)
        predictRow(strip.data() + at, rowBytes, step);
    std::vector<std::uint8_t> out;
    if (compression == TiffCompression::Lzw) {
        lzwEncode(strip.data(), strip.size(), &out);
        return out;
    }
    uLongf size = compressBound(static_cast<uLong>(strip.size()));
    out.resize(size);
    if (compress2(out.data(), &size, strip.data(), static_cast<uLong>(strip.size()),
                  deflateLevel) != Z_OK)
        throw std::bad_alloc();
    out.resize(size);
    return out;
}

bool decodeStrip(TiffCompression compression, const std::uint8_t* data, std::size_t size,
                 std::uint8_t* out, std::size_t outSize, std::size_t rowBytes, std::size_t step,
                 bool predicted) {
    const bool decoded = compression == TiffCompression::Lzw
                             ? lzwDecode(data, size, out, outSize)
                             : inflateInto(data, size, out, outSize);
    if (!decoded) return false;
    if (predicted)
        for (std::size_t at = 0; at + rowBytes <= outSize; at += rowBytes)
            unpredictRow(out + at, rowBytes, step);
    return true;
}

}  // namespace tessary::modules
