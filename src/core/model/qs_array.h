#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tessary {

// A growable array of fixed-size elements kept in chunks, so that growing it
// never moves the elements already stored (their addresses stay valid).
//
// Element i lives in chunk i / perChunk at (i mod perChunk) * elementSize.
// The chunk table has room for max(perChunk, round(expected / perChunk), 100)
// chunks; every slot starts empty and chunks are allocated on first use. An
// index whose chunk lies beyond the table is refused (null / false), never
// used to address memory.
class QSArray {
public:
    // expected: the element count the caller foresees (sizes the table);
    // elementSize and perChunk must be at least 1. valid() is false when the
    // chunk table cannot be had; every operation then refuses.
    QSArray(std::size_t expected, std::size_t elementSize, std::size_t perChunk);
    ~QSArray();
    QSArray(const QSArray&) = delete;
    QSArray& operator=(const QSArray&) = delete;

    bool valid() const { return m_chunks != nullptr; }
    std::size_t count() const { return m_count; }
    std::size_t elementSize() const { return m_elementSize; }
    std::size_t perChunk() const { return m_perChunk; }
    std::size_t chunkTableLength() const { return m_tableLength; }
    // One past the highest index the table can ever hold.
    std::size_t capacity() const { return m_tableLength * m_perChunk; }

    // Address of element `index`, or null when its chunk was never allocated
    // or lies beyond the table.
    void* elementAddress(std::size_t index) const;
    // Copies elementSize bytes from `source` into element `index`, allocating
    // its chunk on first use. False when the index is beyond the table or the
    // chunk cannot be allocated. Does not change count().
    bool set(const void* source, std::size_t index);
    // set() at count(), then count() + 1. False (count unchanged) on failure.
    bool append(const void* source);

private:
    std::unique_ptr<std::uint8_t*[]> m_chunks;
    std::size_t m_tableLength = 0;
    std::size_t m_perChunk = 1;
    std::size_t m_elementSize = 1;
    std::size_t m_count = 0;
};

}  // namespace tessary
