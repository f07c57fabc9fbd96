#pragma once

#include <array>
#include <cstdint>

#include "model/data_buffer.h"

namespace tessary {

// A DataBuffer that fills itself from rows of another format: one bit per
// pixel, or one-byte indices into a table of 256 colours.
//
// While a converting source kind is set, the inherited storage and row-bytes
// setters describe the source rows instead of the buffer, and the plane,
// layout and step setters only record the caller's values; the buffer itself
// is one plane (plane 0, step 1) for one-bit sources, or three interleaved
// samples (planes 0-2, step 3) for indexed sources. convert() then allocates
// the buffer for its current rectangle and fills it from the source.
class ProDataBuffer : public DataBuffer {
public:
    static constexpr std::int32_t kSourceNone = -1;
    static constexpr std::int32_t kSourceOneBit = 1;
    static constexpr std::int32_t kSourceIndexed = 4;

    ProDataBuffer() = default;

    // Sets the source kind. Kinds 1 and 4 reshape the buffer's planes and
    // layout as described above and drop any storage it had; any other kind
    // leaves the buffer as it is and makes the setters act on it directly.
    void setSourceKind(std::int32_t kind);
    std::int32_t sourceKind() const { return m_sourceKind; }
    bool converting() const {
        return m_sourceKind == kSourceOneBit || m_sourceKind == kSourceIndexed;
    }

    // The 256-entry colour table of indexed sources, colours with the first
    // component in bits 0-7, the second in 8-15, the third in 16-23.
    void setColourTable(const std::uint32_t* colours);
    // Entry i = third[i] * 65536 + second[i] * 256 + first[i].
    void setColourTable(const std::uint8_t* first, const std::uint8_t* second,
                        const std::uint8_t* third);
    std::uint32_t colour(std::uint8_t index) const { return m_colours[index]; }

    // Allocates storage for the buffer's rectangle and fills it from the
    // source rows (height() rows, sourceRowBytes() apart):
    //   one bit: eight pixels per source byte, most significant bit first;
    //            a set bit gives 0, a clear bit 255;
    //   indexed: each source byte gives the three samples of its colour,
    //            bits 0-7, 8-15, 16-23 of the entry.
    // False, with nothing converted, for any other kind, without a source,
    // when a source row is shorter than the buffer's width needs, or when
    // storage cannot be had.
    bool convert();

    bool move(std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom) override;
    void setFirstPlane(int plane) override;
    void setLastPlane(int plane) override;
    void setLayout(std::int32_t layout) override;
    void setStorage(std::uint8_t* storage) override;
    void setRowBytes(std::int64_t rowBytes) override;
    void setSampleStep(std::int32_t step) override;

    const std::uint8_t* source() const { return m_source; }
    std::int64_t sourceRowBytes() const { return m_sourceRowBytes; }
    // The values the caller last gave the plane, layout and step setters.
    int savedFirstPlane() const { return m_savedFirstPlane; }
    int savedLastPlane() const { return m_savedLastPlane; }
    std::int32_t savedLayout() const { return m_savedLayout; }
    std::int32_t savedSampleStep() const { return m_savedSampleStep; }

private:
    void convertOneBitRow(const std::uint8_t* src, std::uint8_t* dst) const;
    void convertIndexedRow(const std::uint8_t* src, std::uint8_t* dst) const;

    std::int32_t m_sourceKind = kSourceNone;
    const std::uint8_t* m_source = nullptr;
    std::int64_t m_sourceRowBytes = 0;
    int m_savedFirstPlane = 0;
    int m_savedLastPlane = 0;
    std::int32_t m_savedLayout = kPlanar;
    std::int32_t m_savedSampleStep = 1;
    std::array<std::uint32_t, 256> m_colours{};
};

}  // namespace tessary
