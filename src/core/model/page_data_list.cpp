#include "model/page_data_list.h"

#include <algorithm>
#include <new>

#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

PageDataList::~PageDataList() {
    for (PageData* entry : m_entries) entry->detachFromList();
}

bool PageDataList::add(PageData* data) {
    TS_ASSERT(data != nullptr && !contains(data));
    try {
        m_entries.insert(m_entries.begin(), data);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_cursor = 0;
    return true;
}

void PageDataList::remove(PageData* data) {
    const auto found = std::find(m_entries.begin(), m_entries.end(), data);
    if (found == m_entries.end()) return;
    m_entries.erase(found);
    m_cursor = 0;
}

bool PageDataList::contains(const PageData* data) const {
    return std::find(m_entries.begin(), m_entries.end(), data) != m_entries.end();
}

void PageDataList::advanceCursor() {
    ++m_cursor;
    if (m_cursor >= count()) m_cursor = 0;
}

bool PageDataList::visit(int phase, PageData* entry, PageData* requester, bool& passRequester) {
    const bool isRequester = entry == requester;
    const int undoBefore = entry->undoCount();
    switch (phase) {
        case 1: {
            bool freed = false;
            if (entry->redoCount() > 0) {
                entry->clearRedo();
                freed = true;
            }
            if (!isRequester) {
                entry->trimUndo();
            } else if (undoBefore > 2) {
                entry->dropOldestUndo();
                passRequester = true;
            }
            return freed || entry->undoCount() < undoBefore;
        }
        case 2:
            // An open change needs its newest undo state to be aborted.
            if (isRequester || entry->changeOpen()) {
                entry->trimUndo();
            } else {
                entry->clearUndo();
            }
            return entry->undoCount() < undoBefore;
        default:
            if (isRequester) return false;
            if (entry->changeOpen()) {
                entry->trimUndo();
            } else {
                entry->clearUndo();
            }
            return entry->undoCount() < undoBefore;
    }
}

bool PageDataList::purge(PageData* requester) {
    for (int phase = 1; phase <= 3; ++phase) {
        // Each phase visits every entry once, starting at the cursor. Freeing
        // states never adds or removes entries, but the cursor is brought back
        // into range before every visit all the same.
        const int visits = count();
        for (int i = 0; i < visits && !m_entries.empty(); ++i) {
            if (m_cursor >= count()) m_cursor = 0;
            PageData* entry = m_entries[static_cast<std::size_t>(m_cursor)];
            bool passRequester = false;
            if (visit(phase, entry, requester, passRequester)) {
                if (passRequester) advanceCursor();
                return true;
            }
            advanceCursor();
        }
    }
    return false;
}

}  // namespace tessary
