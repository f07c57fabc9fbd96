#pragma once

#include <cstddef>
#include <vector>

namespace tessary {

class PageData;

// Every PageData of the application, for the purge: when a pixel operation
// runs out of tiles or memory, older image states of all open pages are
// discarded in a fixed order until something was freed.
//
// New entries go first; adding or removing an entry puts the rotating cursor
// back to the first entry. The cursor makes successive purges start at
// different pages, so the pain of a shortage is spread over the documents.
//
// The list does not own its entries. A PageData removes itself when it is
// destroyed; a list destroyed before its entries tells them to forget it.
class PageDataList {
public:
    PageDataList() = default;
    ~PageDataList();
    PageDataList(const PageDataList&) = delete;
    PageDataList& operator=(const PageDataList&) = delete;

    // Inserts `data` at index 0 and resets the cursor. False, with the list
    // unchanged, when the list cannot grow (the page is then not registered).
    bool add(PageData* data);
    // Removes `data` if present, closing the gap, and resets the cursor.
    void remove(PageData* data);

    int count() const { return static_cast<int>(m_entries.size()); }
    PageData* at(int index) const { return m_entries[static_cast<std::size_t>(index)]; }
    bool contains(const PageData* data) const;
    // Index of the entry the next purge starts at; always below count() (0
    // for an empty list).
    int cursor() const { return m_cursor; }

    // Frees something on behalf of `requester`, which ran out of tiles or
    // memory; true when something was freed, false when nothing is left to
    // give. Three phases, each visiting every entry once from the cursor and
    // stopping at the first visit that frees something:
    //  1. clear the entry's redo chain; for others than the requester trim
    //     the undo chain to its newest state; the requester drops its oldest
    //     undo state only while it holds more than two.
    //  2. others clear their undo chain; the requester trims its undo chain
    //     to the newest state.
    //  3. others clear their undo chain.
    // The cursor stays on the entry that freed something, except when the
    // requester dropped its oldest undo state: then it moves past it, so that
    // the next purge asks someone else first.
    //
    // A page other than the requester whose change is open keeps the newest
    // undo state (the state its open change started from) in phases 2 and 3:
    // without it the change could not be aborted.
    //
    // The requester need not be registered (it then never counts as
    // "the requester" of any visit).
    bool purge(PageData* requester);

private:
    // Frees according to `phase` at the cursor's entry; true when freed.
    bool visit(int phase, PageData* entry, PageData* requester, bool& passRequester);
    void advanceCursor();

    std::vector<PageData*> m_entries;
    int m_cursor = 0;
};

}  // namespace tessary
