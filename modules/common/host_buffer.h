#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tessary_plugin.h"

namespace tessary::modules {

// Working memory a module takes from the host's buffer suite, or from its
// own heap when the host offers no suite or the suite refuses. Memory from
// the suite is what a host can hand across without copying (a host that
// runs the module in a helper process serves it from memory both sides
// see), so band buffers the host reads or fills come from here.
class HostBuffer {
public:
    HostBuffer() = default;
    ~HostBuffer() { release(); }
    HostBuffer(const HostBuffer&) = delete;
    HostBuffer& operator=(const HostBuffer&) = delete;

    // Makes room for `bytes` zeroed bytes, releasing what was
    // held before. Without a usable suite the memory comes from the heap;
    // when the suite refuses, from the heap too with `heapFallback`, else
    // the suite's error is returned. The heap may throw std::bad_alloc.
    TsPiResult allocate(const TsPiBufferSuite* suite, std::size_t bytes, bool heapFallback = true);
    void release();

    std::uint8_t* data() const { return m_data; }

private:
    TsPiBufferSuite m_suite{};  // a copy: the host's block may go first
    TsPiBufferId m_id = nullptr;
    std::uint8_t* m_data = nullptr;
    std::vector<std::uint8_t> m_heap;
};

}  // namespace tessary::modules
