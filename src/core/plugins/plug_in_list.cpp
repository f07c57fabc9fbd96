#include "plugins/plug_in_list.h"

#include "platform/assert.h"

namespace tessary {

PlugInList::~PlugInList() {
    FreePlugInList();
}

std::int16_t PlugInList::push(std::unique_ptr<PlugInRecord> record) {
    TS_ASSERT(record != nullptr);
    const std::uint32_t base = commandBaseOfKind(record->kind);
    if (base != 0) {
        std::uint32_t& counter = m_counters[static_cast<std::size_t>(record->kind - 1)];
        if (counter >= kCommandsPerKind) return kPlugInCommandRangeFull;
        record->commandId = base + counter;
        ++counter;
    }
    record->next = std::move(m_head);
    m_head = std::move(record);
    return 0;
}

PlugInRecord* PlugInList::FindPlugInByCommand(std::uint32_t commandId, std::int32_t kind) const {
    for (PlugInRecord* record = m_head.get(); record != nullptr; record = record->next.get()) {
        if (record->commandId == commandId && record->kind == kind) return record;
    }
    return nullptr;
}

PlugInRecord* PlugInList::FindPlugInByExtension(std::string_view extension,
                                                std::int32_t kind) const {
    if (extension.empty()) return nullptr;
    for (PlugInRecord* record = m_head.get(); record != nullptr; record = record->next.get()) {
        if (record->kind == kind && textOf(record->readExtension) == extension) return record;
    }
    return nullptr;
}

void PlugInList::FreePlugInList() {
    // One record at a time: destroying the head alone would recurse through
    // the whole chain.
    while (m_head) {
        std::unique_ptr<PlugInRecord> rest = std::move(m_head->next);
        m_head = std::move(rest);
    }
}

std::size_t PlugInList::size() const {
    std::size_t count = 0;
    for (const PlugInRecord* record = m_head.get(); record != nullptr; record = record->next.get())
        ++count;
    return count;
}

std::uint32_t PlugInList::counter(std::int32_t kind) const {
    if (kind < kPlugInKindImport || kind > kPlugInKindFormat) return 0;
    return m_counters[static_cast<std::size_t>(kind - 1)];
}

}  // namespace tessary
