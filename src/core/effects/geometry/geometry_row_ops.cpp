#include "effects/geometry/geometry_row_ops.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessary {

namespace {

#if defined(__SSE2__)

// The 16 bytes of v in reverse order, with SSE2 only: reverse the four
// 32-bit lanes, then the 16-bit halves of each, then the bytes of each half.
inline __m128i reversed16(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

// Transposes one 16 x 16 block in four rounds of interleaving: bytes of row
// pairs, then 16-bit units of row quads, 32-bit units of row octets, and
// 64-bit halves, after which register c holds column c.
void transpose16(const std::uint8_t* in, std::size_t inStride, std::uint8_t* out,
                 std::size_t outStride) {
    __m128i r[16];
    for (int i = 0; i < 16; ++i) {
        r[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * inStride));
    }
    __m128i t[16];
    for (int i = 0; i < 8; ++i) {
        t[2 * i] = _mm_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
    }
    // s[4g + q]: columns 4q .. 4q + 3 of rows 4g .. 4g + 3.
    __m128i s[16];
    for (int g = 0; g < 4; ++g) {
        s[4 * g + 0] = _mm_unpacklo_epi16(t[4 * g], t[4 * g + 2]);
        s[4 * g + 1] = _mm_unpackhi_epi16(t[4 * g], t[4 * g + 2]);
        s[4 * g + 2] = _mm_unpacklo_epi16(t[4 * g + 1], t[4 * g + 3]);
        s[4 * g + 3] = _mm_unpackhi_epi16(t[4 * g + 1], t[4 * g + 3]);
    }
    // v[8h + m]: columns 2m and 2m + 1 of rows 8h .. 8h + 7.
    __m128i v[16];
    for (int h = 0; h < 2; ++h) {
        for (int q = 0; q < 4; ++q) {
            v[8 * h + 2 * q] = _mm_unpacklo_epi32(s[8 * h + q], s[8 * h + 4 + q]);
            v[8 * h + 2 * q + 1] = _mm_unpackhi_epi32(s[8 * h + q], s[8 * h + 4 + q]);
        }
    }
    for (int m = 0; m < 8; ++m) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (2 * m) * outStride),
                         _mm_unpacklo_epi64(v[m], v[8 + m]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (2 * m + 1) * outStride),
                         _mm_unpackhi_epi64(v[m], v[8 + m]));
    }
}

#endif

void transposeScalar(const std::uint8_t* in, std::size_t inStride, std::uint8_t* out,
                     std::size_t outStride, std::size_t rows, std::size_t columns) {
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = in + r * inStride;
        for (std::size_t c = 0; c < columns; ++c) out[c * outStride + r] = row[c];
    }
}

}  // namespace

void reverseRow(const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + count - 16 - i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), reversed16(v));
    }
#endif
    for (; i < count; ++i) out[i] = in[count - 1 - i];
}

void transposeBlock(const std::uint8_t* in, std::size_t inStride, std::uint8_t* out,
                    std::size_t outStride, std::size_t rows, std::size_t columns) {
#if defined(__SSE2__)
    const std::size_t fullRows = rows & ~std::size_t{15};
    const std::size_t fullColumns = columns & ~std::size_t{15};
    for (std::size_t r = 0; r < fullRows; r += 16) {
        for (std::size_t c = 0; c < fullColumns; c += 16) {
            transpose16(in + r * inStride + c, inStride, out + c * outStride + r, outStride);
        }
    }
    // The ragged right and bottom edges.
    if (fullColumns < columns) {
        transposeScalar(in + fullColumns, inStride, out + fullColumns * outStride, outStride,
                        fullRows, columns - fullColumns);
    }
    if (fullRows < rows) {
        transposeScalar(in + fullRows * inStride, inStride, out + fullRows, outStride,
                        rows - fullRows, columns);
    }
#else
    transposeScalar(in, inStride, out, outStride, rows, columns);
#endif
}

}  // namespace tessary
