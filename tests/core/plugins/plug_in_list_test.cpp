#include "plugins/plug_in_list.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <string>
#include <vector>

namespace tessary {
namespace {

std::unique_ptr<PlugInRecord> record(std::int32_t kind, std::string_view name = "",
                                     std::string_view extension = "") {
    auto result = std::make_unique<PlugInRecord>();
    result->kind = kind;
    copyText(result->name, name);
    copyText(result->readExtension, extension);
    return result;
}

TEST(PlugInList, CommandIdsCountPerKindInRegistrationOrder) {
    PlugInList list;
    const std::vector<std::int32_t> kinds = {2, 1, 2, 4, 3, 2, -1, 1, 4};
    for (std::int32_t kind : kinds) ASSERT_EQ(list.push(record(kind)), 0);

    // Newest first; ids follow a per-kind count in registration order.
    const std::vector<std::uint32_t> expectedNewestFirst = {42001, 40001, 0,     43002, 41000,
                                                            42000, 43001, 40000, 43000};
    std::vector<std::uint32_t> ids;
    for (const PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
        ids.push_back(r->commandId);
    EXPECT_EQ(ids, expectedNewestFirst);
    EXPECT_EQ(list.size(), kinds.size());
    EXPECT_EQ(list.counter(kPlugInKindFilter), 3u);
    EXPECT_EQ(list.counter(kPlugInKindUnknown), 0u);

    list.resetCounters();
    ASSERT_EQ(list.push(record(kPlugInKindFilter)), 0);
    EXPECT_EQ(list.head()->commandId, 43000u);
}

// Each kind's range holds 1000 ids; the 1001st record of a kind is refused
// instead of taking an id of the next range.
TEST(PlugInList, RangeOfAKindHoldsAThousand) {
    PlugInList list;
    for (std::uint32_t i = 0; i < kCommandsPerKind; ++i)
        ASSERT_EQ(list.push(record(kPlugInKindImport)), 0);
    EXPECT_EQ(list.head()->commandId, 40999u);
    EXPECT_EQ(list.push(record(kPlugInKindImport)), kPlugInCommandRangeFull);
    EXPECT_EQ(list.size(), kCommandsPerKind);
    EXPECT_EQ(list.head()->commandId, 40999u);
    // Other kinds are unaffected.
    ASSERT_EQ(list.push(record(kPlugInKindExport)), 0);
    EXPECT_EQ(list.head()->commandId, 41000u);
}

TEST(PlugInList, FindByCommandTakesTheFirstOfThatKind) {
    PlugInList list;
    list.push(record(kPlugInKindFilter, "first filter"));   // 43000
    list.push(record(kPlugInKindImport, "import"));         // 40000
    list.push(record(kPlugInKindFilter, "second filter"));  // 43001
    EXPECT_EQ(textOf(list.FindPlugInByCommand(43000, kPlugInKindFilter)->name), "first filter");
    EXPECT_EQ(textOf(list.FindPlugInByCommand(43001, kPlugInKindFilter)->name), "second filter");
    EXPECT_EQ(list.FindPlugInByCommand(43000, kPlugInKindImport), nullptr);
    EXPECT_EQ(list.FindPlugInByCommand(43002, kPlugInKindFilter), nullptr);
    EXPECT_EQ(textOf(list.FindPlugInByCommand(40000, kPlugInKindImport)->name), "import");

    // Two records with one id and kind (possible only by hand): list order.
    auto duplicate = record(kPlugInKindUnknown, "by hand");
    list.push(std::move(duplicate));
    list.head()->kind = kPlugInKindFilter;
    list.head()->commandId = 43000;
    EXPECT_EQ(textOf(list.FindPlugInByCommand(43000, kPlugInKindFilter)->name), "by hand");
}

TEST(PlugInList, FindByExtensionComparesTextExactly) {
    PlugInList list;
    list.push(record(kPlugInKindFormat, "old bmp", "BMP"));
    list.push(record(kPlugInKindFormat, "pcx", "PCX"));
    list.push(record(kPlugInKindFilter, "filter", "TIF"));
    list.push(record(kPlugInKindFormat, "new bmp", "BMP"));
    list.push(record(kPlugInKindFormat, "unknown", ""));
    EXPECT_EQ(textOf(list.FindPlugInByExtension("BMP", kPlugInKindFormat)->name), "new bmp");
    EXPECT_EQ(textOf(list.FindPlugInByExtension("PCX", kPlugInKindFormat)->name), "pcx");
    EXPECT_EQ(list.FindPlugInByExtension("pcx", kPlugInKindFormat), nullptr);
    EXPECT_EQ(list.FindPlugInByExtension("PC", kPlugInKindFormat), nullptr);
    EXPECT_EQ(list.FindPlugInByExtension("PCXX", kPlugInKindFormat), nullptr);
    EXPECT_EQ(list.FindPlugInByExtension("TIF", kPlugInKindFormat), nullptr);
    EXPECT_EQ(textOf(list.FindPlugInByExtension("TIF", kPlugInKindFilter)->name), "filter");
    // No extension never picks the module whose read extension is unknown.
    EXPECT_EQ(list.FindPlugInByExtension("", kPlugInKindFormat), nullptr);
}

TEST(PlugInList, FreeEmptiesTheListAndKeepsCounters) {
    PlugInList list;
    list.push(record(kPlugInKindFilter));
    list.push(record(kPlugInKindFilter));
    list.FreePlugInList();
    EXPECT_EQ(list.head(), nullptr);
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.FindPlugInByCommand(43000, kPlugInKindFilter), nullptr);
    ASSERT_EQ(list.push(record(kPlugInKindFilter)), 0);
    EXPECT_EQ(list.head()->commandId, 43002u);
}

// Destroying a long list must not recurse once per record: run it on a
// thread with a small stack that a recursive destruction would overflow.
TEST(PlugInList, LongListIsFreedWithoutDeepRecursion) {
    struct Work {
        static void* run(void*) {
            PlugInList list;
            for (int i = 0; i < 20000; ++i) list.push(record(kPlugInKindUnknown));
            list.FreePlugInList();
            for (int i = 0; i < 20000; ++i) list.push(record(kPlugInKindUnknown));
            return nullptr;  // the destructor frees the second batch
        }
    };
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, &Work::run, nullptr), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
}

TEST(PlugInRecordText, CopyIsCutAndTerminated) {
    char field[6];
    EXPECT_TRUE(copyText(field, "abc"));
    EXPECT_EQ(textOf(field), "abc");
    EXPECT_EQ(field[5], '\0');
    EXPECT_FALSE(copyText(field, "abcdefgh"));
    EXPECT_EQ(textOf(field), "abcde");
    EXPECT_TRUE(copyText(field, ""));
    EXPECT_EQ(textOf(field), "");
    char full[3] = {'x', 'y', 'z'};  // no NUL at all
    EXPECT_EQ(textOf(full), "xyz");
}

}  // namespace
}  // namespace tessary
