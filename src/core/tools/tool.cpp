#include "tools/tool.h"

#include "platform/assert.h"

namespace tessary {
namespace {

constexpr int kSelectionBase = 32;
constexpr int kFloatingBase = 96;
constexpr int kRangeSize = 32;

}  // namespace

ErrorCode Tool::mouseDown(ToolEvent&) {
    return kErrNone;
}

std::int32_t Tool::actionForMask(int mask) const {
    if (mask < 0 || mask >= kTableSize) return 0;
    return m_actions[static_cast<std::size_t>(mask)];
}

std::int32_t Tool::cursorForMask(int mask) const {
    if (mask < 0 || mask >= kTableSize) return 0;
    return m_cursors[static_cast<std::size_t>(mask)];
}

void Tool::loadOptions(const ToolBoxPrefs*) {}

void Tool::storeOptions(ToolBoxPrefs&) const {}

void Tool::setAll(std::int32_t action, std::int32_t cursor) {
    setRange(0, kRangeSize - 1, action, cursor);
    setOverSelection(action, cursor);
}

void Tool::setOverSelection(std::int32_t action, std::int32_t cursor) {
    setRange(kSelectionBase, kSelectionBase + kRangeSize - 1, action, cursor);
    setOverFloating(action, cursor);
}

void Tool::setOverFloating(std::int32_t action, std::int32_t cursor) {
    setRange(kFloatingBase, kFloatingBase + kRangeSize - 1, action, cursor);
}

void Tool::setNormalEntry(int keys, std::int32_t action, std::int32_t cursor) {
    TS_ASSERT(keys >= 0 && keys < kRangeSize);
    setEntry(keys, action, cursor);
}

void Tool::setOverSelectionEntry(int keys, std::int32_t action, std::int32_t cursor) {
    TS_ASSERT(keys >= 0 && keys < kRangeSize);
    setEntry(kSelectionBase + keys, action, cursor);
}

void Tool::setOverFloatingEntry(int keys, std::int32_t action, std::int32_t cursor) {
    TS_ASSERT(keys >= 0 && keys < kRangeSize);
    setEntry(kFloatingBase + keys, action, cursor);
}

void Tool::setEntryInAllRanges(int keys, std::int32_t action, std::int32_t cursor) {
    setNormalEntry(keys, action, cursor);
    setOverSelectionEntry(keys, action, cursor);
    setOverFloatingEntry(keys, action, cursor);
}

void Tool::setRange(int first, int last, std::int32_t action, std::int32_t cursor) {
    for (int mask = first; mask <= last; ++mask) setEntry(mask, action, cursor);
}

void Tool::setEntry(int mask, std::int32_t action, std::int32_t cursor) {
    m_actions[static_cast<std::size_t>(mask)] = action;
    m_cursors[static_cast<std::size_t>(mask)] = cursor;
}

}  // namespace tessary
