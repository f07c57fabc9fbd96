#pragma once

#include <cstdint>

namespace tessary {

class BlendTable;

// The per-row operations every worker is built from. Rows are `count`
// samples; an output may be the same buffer as one of the inputs.

// out[i] = table[in[i]].
void mapRow(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* table,
            std::int64_t count);

// Maps rows through one 256-entry table by the quickest routine that gives
// the same bytes as mapRow: a copy for the identity table, a vectorised
// complement for the table 255 - v (Invert), the lookup otherwise. The
// table is examined once, when the mapper is made; it must outlive it.
class RowMapper {
public:
    enum class Kind { Lookup, Identity, Complement };

    explicit RowMapper(const std::uint8_t* table);

    Kind kind() const { return m_kind; }
    void operator()(const std::uint8_t* in, std::uint8_t* out, std::int64_t count) const;

private:
    const std::uint8_t* m_table;
    Kind m_kind = Kind::Lookup;
};

// out[i] = T[255 - opacity][orig[i]] + T[opacity][filtered[i]]: the filtered
// row laid over the original with the global opacity. Exact at 0 and 255.
void opacityBlendRow(const std::uint8_t* orig, const std::uint8_t* filtered, std::uint8_t* out,
                     std::uint8_t opacity, const BlendTable& blend, std::int64_t count);

// out[i] = T[mask[i]][filtered[i]] + T[255 - mask[i]][orig[i]]: the filtered
// row where the selection mask is 255, the original where it is 0.
void maskBlendRow(const std::uint8_t* mask, const std::uint8_t* orig, const std::uint8_t* filtered,
                  std::uint8_t* out, const BlendTable& blend, std::int64_t count);

// The same over `rows` rows of `width` samples, each buffer with its own
// stride (bytes from one row to the next); the result replaces `filtered`.
void opacityBlendRows(const std::uint8_t* orig, std::int64_t origStride, std::uint8_t* filtered,
                      std::int64_t filteredStride, std::int32_t width, std::int32_t rows,
                      std::uint8_t opacity, const BlendTable& blend);
void maskBlendRows(const std::uint8_t* mask, std::int64_t maskStride, const std::uint8_t* orig,
                   std::int64_t origStride, std::uint8_t* filtered, std::int64_t filteredStride,
                   std::int32_t width, std::int32_t rows, const BlendTable& blend);

}  // namespace tessary
