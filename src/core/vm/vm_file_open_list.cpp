#include "vm/vm_file_open_list.h"

#include "platform/assert.h"

namespace tessary {

void VMFileOpenList::open() {
    m_entries.clear();
    m_entries.reserve(kMaxFiles);
    m_valid = true;
}

void VMFileOpenList::clear() {
    m_entries.clear();
    m_valid = false;
}

bool VMFileOpenList::add(const std::filesystem::path& path, platform::FileHandle handle,
                         std::uint64_t size) {
    if (full()) return false;
    m_entries.push_back(Entry{path, handle, size});
    return true;
}

const VMFileOpenList::Entry& VMFileOpenList::entry(int index) const {
    TS_ASSERT(index >= 0 && index < count());
    return m_entries[static_cast<std::size_t>(index)];
}

std::uint64_t VMFileOpenList::totalBytes() const {
    std::uint64_t total = 0;
    for (const Entry& e : m_entries) total += e.size;
    return total;
}

}  // namespace tessary
