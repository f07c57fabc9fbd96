#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>

namespace tessary {

// Allocator for the tile store's per-tile and per-slot tables, which run to
// megabytes on a large machine and are filled once at start-up. Large tables
// come straight from the kernel with huge pages advised, so filling them
// costs a few faults of 2 MB rather than one fault per 4 KB page (thousands
// at start-up), and freeing them returns the memory at once. Small tables
// come from the heap.
template <class T>
class TableAllocator {
public:
    using value_type = T;
    static constexpr std::size_t kLargeBytes = std::size_t{2} << 20;

    TableAllocator() = default;
    template <class U>
    TableAllocator(const TableAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBytes) return std::allocator<T>().allocate(count);
        void* memory =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::bad_alloc();
        ::madvise(memory, bytes, MADV_HUGEPAGE);  // advice only
        return static_cast<T*>(memory);
    }

    void deallocate(T* table, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBytes) {
            std::allocator<T>().deallocate(table, count);
        } else {
            ::munmap(table, bytes);
        }
    }

    template <class U>
    bool operator==(const TableAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace tessary
