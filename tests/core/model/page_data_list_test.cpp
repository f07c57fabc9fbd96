#include "model/page_data_list.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "model/page_data.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::emptyEdit;
using test::TestStore;

// A 1 x 1 grey page with `undo` undo states and `redo` redo states (states
// without tiles: the purge counts states, not tiles).
void giveHistory(PageData& data, int undo, int redo) {
    const std::uint8_t fill = 0;
    ASSERT_TRUE(data.create(1, 1, 1, &fill));
    for (int i = 0; i < undo + redo; ++i) ASSERT_TRUE(emptyEdit(data, 2 + i));
    for (int i = 0; i < redo; ++i) data.undo();
    ASSERT_EQ(data.undoCount(), undo);
    ASSERT_EQ(data.redoCount(), redo);
}

TEST(PageDataListTest, RegistrationPutsNewEntriesFirstAndResetsTheCursor) {
    TestStore ts;
    PageDataList list;
    PageData a(ts.store(), &list);
    PageData b(ts.store(), &list);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0), &b);
    EXPECT_EQ(list.at(1), &a);
    EXPECT_EQ(a.list(), &list);

    giveHistory(a, 1, 0);
    ASSERT_TRUE(list.purge(&b));  // b has nothing: the visit of a frees, cursor on a
    EXPECT_EQ(list.cursor(), 1);
    {
        PageData c(ts.store(), &list);
        EXPECT_EQ(list.at(0), &c);
        EXPECT_EQ(list.cursor(), 0);
        giveHistory(b, 1, 0);
        ASSERT_TRUE(list.purge(&c));
        EXPECT_EQ(list.cursor(), 1);  // on b
    }
    // c removed itself, closing the gap.
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0), &b);
    EXPECT_EQ(list.at(1), &a);
    EXPECT_EQ(list.cursor(), 0);
}

TEST(PageDataListTest, ListDestroyedFirstDetachesItsEntries) {
    TestStore ts;
    auto list = std::make_unique<PageDataList>();
    PageData data(ts.store(), list.get());
    ASSERT_TRUE(list->contains(&data));
    list.reset();
    EXPECT_EQ(data.list(), nullptr);
    // Operations that fail no longer reach a purge; destruction no longer
    // reaches the list (a sanitizer build would catch a use after free).
    giveHistory(data, 1, 0);
}

TEST(PageDataListTest, CursorStaysInRangeWhenTheLastEntryGoes) {
    TestStore ts;
    PageDataList list;
    PageData a(ts.store(), &list);
    auto b = std::make_unique<PageData>(ts.store(), &list);
    PageData c(ts.store(), &list);
    // list: c, b, a. Let a purge stop on the last entry.
    giveHistory(a, 2, 0);
    ASSERT_TRUE(list.purge(&c));
    ASSERT_EQ(list.cursor(), 2);
    b.reset();
    EXPECT_EQ(list.count(), 2);
    EXPECT_LT(list.cursor(), list.count());
    // The next purge works from a valid entry.
    giveHistory(c, 0, 1);
    EXPECT_TRUE(list.purge(nullptr));
    EXPECT_EQ(c.redoCount(), 0);
}

// The order across three pages: other pages lose history before the
// requester; in phase 1 the requester keeps two undo states; then phase 2
// clears the others and trims the requester to one; then nothing is left.
// Expected counts worked out by hand from the rules, list order C, B, A.
TEST(PageDataListTest, PurgeOrderAcrossThreePages) {
    TestStore ts;
    PageDataList list;
    PageData a(ts.store(), &list);
    PageData b(ts.store(), &list);
    PageData c(ts.store(), &list);
    giveHistory(a, 4, 0);
    giveHistory(b, 4, 0);
    giveHistory(c, 4, 0);
    ASSERT_EQ(list.at(0), &c);
    ASSERT_EQ(list.cursor(), 0);

    struct Step {
        int a, b, c, cursor;
    };
    const std::array<Step, 7> expected = {{
        {4, 4, 3, 1},  // phase 1 at C (requester, 4 > 2): drops its oldest, cursor passes it
        {4, 1, 3, 1},  // phase 1 at B: trimmed to its newest state
        {1, 1, 3, 2},  // phase 1: B has nothing, A trimmed
        {1, 1, 2, 1},  // phase 1: A nothing, C (3 > 2) drops its oldest, cursor passes it
        {1, 0, 2, 1},  // phase 1 frees nothing (C keeps 2); phase 2 clears B
        {0, 0, 2, 2},  // phase 2: B nothing, A cleared
        {0, 0, 1, 0},  // phase 2: A nothing, C trimmed to its newest state
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(list.purge(&c));
        EXPECT_EQ(a.undoCount(), expected[i].a);
        EXPECT_EQ(b.undoCount(), expected[i].b);
        EXPECT_EQ(c.undoCount(), expected[i].c);
        EXPECT_EQ(list.cursor(), expected[i].cursor);
    }
    // Phase 3 has nothing left either: the requester keeps its last state.
    EXPECT_FALSE(list.purge(&c));
    EXPECT_EQ(c.undoCount(), 1);
}

TEST(PageDataListTest, PhaseOneClearsRedoBeforeTrimmingAndTheRequesterKeepsTwo) {
    TestStore ts;
    PageDataList list;
    PageData other(ts.store(), &list);
    PageData requester(ts.store(), &list);
    giveHistory(other, 1, 2);
    giveHistory(requester, 2, 1);
    // list: requester, other. The requester's redo goes first; with two undo
    // states it keeps them, and the cursor stays on it.
    ASSERT_TRUE(list.purge(&requester));
    EXPECT_EQ(requester.redoCount(), 0);
    EXPECT_EQ(requester.undoCount(), 2);
    EXPECT_EQ(other.redoCount(), 2);
    EXPECT_EQ(list.cursor(), 0);
    // Next: the requester has nothing for phase 1; the other page's redo.
    ASSERT_TRUE(list.purge(&requester));
    EXPECT_EQ(other.redoCount(), 0);
    EXPECT_EQ(other.undoCount(), 1);
    EXPECT_EQ(list.cursor(), 1);
    // Next: phase 2 from the other page: it is cleared before the requester
    // is trimmed.
    ASSERT_TRUE(list.purge(&requester));
    EXPECT_EQ(other.undoCount(), 0);
    EXPECT_EQ(requester.undoCount(), 2);
    ASSERT_TRUE(list.purge(&requester));
    EXPECT_EQ(requester.undoCount(), 1);
    EXPECT_FALSE(list.purge(&requester));
}

// A page with an open change that is not the requester (the scratch table of
// a search asking while the edited page has its change open) keeps the state
// its change started from, so the change can still be aborted.
TEST(PageDataListTest, OpenChangeOfAnotherPageKeepsItsStartingState) {
    TestStore ts;
    PageDataList list;
    PageData edited(ts.store(), &list);
    PageData requester(ts.store(), &list);
    const std::uint8_t fill = 40;
    ASSERT_TRUE(requester.create(1, 1, 1, &fill));
    giveHistory(edited, 2, 0);
    const ImageData* before = edited.current();
    const auto beforeSamples = test::readPlane(*before, 0);
    ASSERT_TRUE(edited.beginChange());
    const std::uint8_t changed = 99;
    ASSERT_TRUE(edited.writeRow(0, 0, 0, 1, &changed));

    while (list.purge(&requester)) {
    }
    EXPECT_EQ(edited.undoCount(), 1);
    EXPECT_EQ(edited.undoNewest(), before);
    edited.abortChange();
    EXPECT_EQ(edited.current(), before);
    EXPECT_EQ(test::readPlane(edited, 0), beforeSamples);
    EXPECT_EQ(edited.undoCount(), 0);
    EXPECT_EQ(edited.redoCount(), 0);

    // A closed change protects nothing.
    ASSERT_TRUE(test::emptyEdit(edited, 7));
    ASSERT_TRUE(test::emptyEdit(edited, 8));
    while (list.purge(&requester)) {
    }
    EXPECT_EQ(edited.undoCount(), 0);
}

}  // namespace
}  // namespace tessary
