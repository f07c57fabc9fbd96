#include "effects/framework/row_operations.h"

#include <cstring>

#include "model/blend_table.h"

namespace tessary {

void mapRow(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* table,
            std::int64_t count) {
    std::int64_t i = 0;
    // Four independent lookups per turn keep the loads in flight.
    for (; i + 4 <= count; i += 4) {
        const std::uint8_t a = table[in[i]];
        const std::uint8_t b = table[in[i + 1]];
        const std::uint8_t c = table[in[i + 2]];
        const std::uint8_t d = table[in[i + 3]];
        out[i] = a;
        out[i + 1] = b;
        out[i + 2] = c;
        out[i + 3] = d;
    }
    for (; i < count; ++i) out[i] = table[in[i]];
}

RowMapper::RowMapper(const std::uint8_t* table) : m_table(table) {
    bool identity = true;
    bool complement = true;
    for (int v = 0; v < 256; ++v) {
        identity = identity && table[v] == v;
        complement = complement && table[v] == 255 - v;
    }
    if (identity) m_kind = Kind::Identity;
    if (complement) m_kind = Kind::Complement;
}

void RowMapper::operator()(const std::uint8_t* in, std::uint8_t* out, std::int64_t count) const {
    switch (m_kind) {
        case Kind::Identity:
            if (in != out && count > 0) std::memmove(out, in, static_cast<std::size_t>(count));
            return;
        case Kind::Complement:
            // Element by element, so `out` may be `in`; the compiler turns
            // this into whole-register complements.
            for (std::int64_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(~in[i]);
            return;
        case Kind::Lookup:
            mapRow(in, out, m_table, count);
            return;
    }
}

void opacityBlendRow(const std::uint8_t* orig, const std::uint8_t* filtered, std::uint8_t* out,
                     std::uint8_t opacity, const BlendTable& blend, std::int64_t count) {
    const std::uint8_t* keep = blend.row(static_cast<std::uint8_t>(255 - opacity));
    const std::uint8_t* take = blend.row(opacity);
    for (std::int64_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(keep[orig[i]] + take[filtered[i]]);
    }
}

void maskBlendRow(const std::uint8_t* mask, const std::uint8_t* orig, const std::uint8_t* filtered,
                  std::uint8_t* out, const BlendTable& blend, std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
        out[i] = blend.blend(mask[i], filtered[i], orig[i]);
    }
}

void opacityBlendRows(const std::uint8_t* orig, std::int64_t origStride, std::uint8_t* filtered,
                      std::int64_t filteredStride, std::int32_t width, std::int32_t rows,
                      std::uint8_t opacity, const BlendTable& blend) {
    for (std::int32_t y = 0; y < rows; ++y) {
        std::uint8_t* row = filtered + y * filteredStride;
        opacityBlendRow(orig + y * origStride, row, row, opacity, blend, width);
    }
}

void maskBlendRows(const std::uint8_t* mask, std::int64_t maskStride, const std::uint8_t* orig,
                   std::int64_t origStride, std::uint8_t* filtered, std::int64_t filteredStride,
                   std::int32_t width, std::int32_t rows, const BlendTable& blend) {
    for (std::int32_t y = 0; y < rows; ++y) {
        std::uint8_t* row = filtered + y * filteredStride;
        maskBlendRow(mask + y * maskStride, orig + y * origStride, row, row, blend, width);
    }
}

}  // namespace tessary
