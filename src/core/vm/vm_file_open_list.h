#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/file_layer.h"

namespace tessary {

// The swap files the tile store holds open: path, handle and usable size of
// each, in the order the store fills them with tiles. Holds at most kMaxFiles
// entries. The list does not own the handles; the store closes and deletes
// the files.
class VMFileOpenList {
public:
    static constexpr int kMaxFiles = 50;

    struct Entry {
        std::filesystem::path path;
        platform::FileHandle handle = platform::kNoFile;
        std::uint64_t size = 0;  // bytes the store uses: a whole number of tile slots
    };

    // Empties the list and marks it valid (in use by an initialised store).
    void open();
    // Empties the list and marks it not valid.
    void clear();

    // Appends an entry; false (and nothing added) when the list is full.
    bool add(const std::filesystem::path& path, platform::FileHandle handle, std::uint64_t size);

    bool valid() const { return m_valid; }
    int count() const { return static_cast<int>(m_entries.size()); }
    bool full() const { return count() >= kMaxFiles; }
    // The entry at `index`, 0 <= index < count().
    const Entry& entry(int index) const;
    // Sum of the entries' sizes.
    std::uint64_t totalBytes() const;

private:
    bool m_valid = false;
    std::vector<Entry> m_entries;
};

}  // namespace tessary
