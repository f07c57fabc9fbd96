#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <type_traits>
#include <utility>

namespace tessary {

// A fixed-size array of trivially copyable records whose initial contents
// are all zero bytes, for the tile store's per-tile and per-slot tables.
//
// The records are never written at creation: large tables come straight
// from the kernel as untouched anonymous memory, whose pages are zero-filled
// on first access, so a table of many megabytes costs nothing until parts of
// it are used and only the parts used are ever paid for. Small tables come
// zeroed from the heap. The store's records are laid out so that all zero
// bytes is each record's starting state.
template <class T>
class ZeroedTable {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // Tables from this size on are mapped rather than taken from the heap.
    static constexpr std::size_t kMappedBytes = std::size_t{256} << 10;

    ZeroedTable() = default;
    ~ZeroedTable() { reset(); }
    ZeroedTable(const ZeroedTable&) = delete;
    ZeroedTable& operator=(const ZeroedTable&) = delete;

    // Replaces the table with `count` zeroed records; false, leaving the
    // table empty, when the memory cannot be had.
    bool allocate(std::size_t count) {
        reset();
        if (count == 0) return true;
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) return false;
        const std::size_t bytes = count * sizeof(T);
        void* memory = nullptr;
        if (bytes >= kMappedBytes) {
            memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                            -1, 0);
            if (memory == MAP_FAILED) return false;
        } else {
            memory = std::calloc(count, sizeof(T));
            if (memory == nullptr) return false;
        }
        m_records = static_cast<T*>(memory);
        m_count = count;
        return true;
    }

    // Frees the table; it is then empty.
    void reset() {
        if (m_records == nullptr) return;
        const std::size_t bytes = m_count * sizeof(T);
        if (bytes >= kMappedBytes)
            ::munmap(m_records, bytes);
        else
            std::free(m_records);
        m_records = nullptr;
        m_count = 0;
    }

    std::size_t size() const { return m_count; }
    T* data() { return m_records; }
    const T* data() const { return m_records; }
    T& operator[](std::size_t i) { return m_records[i]; }
    const T& operator[](std::size_t i) const { return m_records[i]; }

private:
    T* m_records = nullptr;
    std::size_t m_count = 0;
};

}  // namespace tessary
