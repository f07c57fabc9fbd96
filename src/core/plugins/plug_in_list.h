#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "plugins/plug_in_record.h"

namespace tessary {

// Result of `PlugInList::push` when the record's kind has used up its range
// of command ids; the record is destroyed.
inline constexpr std::int16_t kPlugInCommandRangeFull = 6701;

// The plug-in list: a singly linked list of records, newest at its head,
// that owns its records, plus one counter per kind giving the next command
// id of that kind.
class PlugInList {
public:
    PlugInList() = default;
    ~PlugInList();
    PlugInList(const PlugInList&) = delete;
    PlugInList& operator=(const PlugInList&) = delete;

    // Sets the four per-kind counters to 0.
    void resetCounters() { m_counters.fill(0); }

    // Puts `record` at the head of the list. A record of kind 1 to 4 gets
    // the next command id of its kind (base + counter) and the counter
    // moves on; other kinds get no id. Returns 0, or
    // kPlugInCommandRangeFull (the record is destroyed, the list unchanged)
    // when the kind already has kCommandsPerKind records.
    std::int16_t push(std::unique_ptr<PlugInRecord> record);

    // The first record in list order with this command id and kind, or null.
    PlugInRecord* FindPlugInByCommand(std::uint32_t commandId, std::int32_t kind) const;

    // The first record in list order of this kind whose read extension
    // equals `extension` byte for byte (callers pass the file's extension
    // upper-cased, without the dot), or null. An empty extension matches
    // nothing, so a file without extension never picks a module whose read
    // extension is unknown.
    PlugInRecord* FindPlugInByExtension(std::string_view extension, std::int32_t kind) const;

    // Destroys every record; the list is empty afterwards. The counters
    // stay as they are.
    void FreePlugInList();

    PlugInRecord* head() const { return m_head.get(); }
    std::size_t size() const;
    std::uint32_t counter(std::int32_t kind) const;

private:
    std::unique_ptr<PlugInRecord> m_head;
    std::array<std::uint32_t, 4> m_counters{};
};

}  // namespace tessary
