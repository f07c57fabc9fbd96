#include "vm/vm_file_open_list.h"

#include <gtest/gtest.h>

#include <string>

namespace tessary {
namespace {

TEST(VMFileOpenList, HoldsAtMostFiftyFilesInOrder) {
    VMFileOpenList list;
    EXPECT_FALSE(list.valid());
    list.open();
    EXPECT_TRUE(list.valid());
    EXPECT_EQ(list.count(), 0);

    for (int i = 0; i < VMFileOpenList::kMaxFiles; ++i) {
        ASSERT_TRUE(list.add("f" + std::to_string(i), 100 + i, 24576u * (i + 1)));
    }
    EXPECT_TRUE(list.full());
    EXPECT_FALSE(list.add("one-too-many", 999, 24576));
    EXPECT_EQ(list.count(), 50);

    EXPECT_EQ(list.entry(0).path, "f0");
    EXPECT_EQ(list.entry(49).handle, 149);
    EXPECT_EQ(list.entry(2).size, 3u * 24576);
    // 24,576 x (1 + 2 + ... + 50)
    EXPECT_EQ(list.totalBytes(), 24576u * 1275);
}

TEST(VMFileOpenList, ClearAndOpenEmptyTheList) {
    VMFileOpenList list;
    list.open();
    list.add("a", 3, 10);
    list.clear();
    EXPECT_FALSE(list.valid());
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.totalBytes(), 0u);
    list.open();
    list.add("b", 4, 20);
    list.open();
    EXPECT_EQ(list.count(), 0);
}

}  // namespace
}  // namespace tessary
