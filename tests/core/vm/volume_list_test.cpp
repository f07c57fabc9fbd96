#include "vm/volume_list.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/platform/platform_fakes.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

using platform::DriveKind;
using test::FakeSystemInfo;
using test::TempDir;

constexpr std::uint32_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

TEST(VolumeListBuild, OneRecordForTheFolder) {
    TempDir dir;
    FakeSystemInfo system;
    system.freeBytes = 1048575.9;  // 1023.99 KB
    VolumeList volumes(system);
    EXPECT_EQ(volumes.count(), 0);
    EXPECT_FALSE(volumes.valid());

    ASSERT_EQ(volumes.build(dir.path()), 0);
    EXPECT_TRUE(volumes.valid());
    EXPECT_EQ(volumes.count(), 1);
    EXPECT_EQ(volumes.path(0), dir.path());
    EXPECT_EQ(volumes.reference(0), 0);
    EXPECT_EQ(volumes.share(0), 1023u);  // truncated
    EXPECT_TRUE(volumes.usable(0));
    EXPECT_TRUE(volumes.fixed(0));
}

TEST(VolumeListBuild, DriveKindsGiveTheirFlags) {
    struct Case {
        DriveKind kind;
        int result;
        bool usable;
        bool fixed;
    } cases[] = {
        {DriveKind::Fixed, 0, true, true},        {DriveKind::RamDisk, 0, true, true},
        {DriveKind::Removable, 0, true, false},   {DriveKind::CdRom, 0, false, false},
        {DriveKind::Remote, 0, false, true},      {DriveKind::Unknown, -1, false, false},
        {DriveKind::NoRootDir, -1, false, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        FakeSystemInfo system;
        system.kind = c.kind;
        VolumeList volumes(system);
        ASSERT_EQ(volumes.build(dir.path()), c.result);
        EXPECT_EQ(volumes.count(), c.result == 0 ? 1 : 0);
        EXPECT_EQ(volumes.valid(), c.result == 0);
        EXPECT_EQ(volumes.usable(0), c.usable);
        EXPECT_EQ(volumes.fixed(0), c.fixed);
    }
}

TEST(VolumeListBuild, AMissingFolderIsRefusedAndDiscardsEarlierRecords) {
    TempDir dir;
    FakeSystemInfo system;
    VolumeList volumes(system);
    ASSERT_EQ(volumes.build(dir.path()), 0);
    EXPECT_EQ(volumes.build(dir / "missing"), -1);
    EXPECT_EQ(volumes.count(), 0);
    EXPECT_FALSE(volumes.valid());
    EXPECT_EQ(volumes.path(0), std::filesystem::path());
    EXPECT_EQ(volumes.share(0), 0u);
}

TEST(VolumeListBuild, FreeSpaceSaturatesAt32Bits) {
    TempDir dir;
    FakeSystemInfo system;
    system.freeBytes = 10e12;  // 10 TB is more KB than 32 bits hold
    VolumeList volumes(system);
    ASSERT_EQ(volumes.build(dir.path()), 0);
    EXPECT_EQ(volumes.share(0), kMaxU32);

    system.freeBytes = 4294967295.0 * 1024;  // exactly the largest
    EXPECT_EQ(volumes.measure(0), kMaxU32);
    system.freeBytes = 4294967294.0 * 1024 + 1023;
    EXPECT_EQ(volumes.measure(0), kMaxU32 - 1);
    system.freeBytes = 0;
    EXPECT_EQ(volumes.measure(0), 0u);
}

TEST(VolumeListMeasure, RefreshesFreeSpaceAndFlags) {
    TempDir dir;
    FakeSystemInfo system;
    system.freeBytes = 2048.0 * 1024;
    VolumeList volumes(system);
    ASSERT_EQ(volumes.build(dir.path()), 0);
    volumes.setShare(0, 77);
    EXPECT_EQ(volumes.share(0), 77u);

    system.freeBytes = 5000.0 * 1024 + 512;
    system.kind = DriveKind::Removable;
    EXPECT_EQ(volumes.measure(0), 5000u);
    EXPECT_EQ(volumes.share(0), 5000u);
    EXPECT_TRUE(volumes.usable(0));
    EXPECT_FALSE(volumes.fixed(0));

    EXPECT_EQ(volumes.measure(1), 0u);
    EXPECT_EQ(volumes.measure(-1), 0u);

    // A drive that has gone away measures 0 and leaves the record alone.
    volumes.setPath(0, dir / "gone");
    EXPECT_EQ(volumes.path(0), dir / "gone");
    EXPECT_EQ(volumes.measure(0), 0u);
    EXPECT_EQ(volumes.share(0), 5000u);
}

TEST(VolumeListBuild, RealWorkingFolder) {
    TempDir dir;
    VolumeList volumes;
    ASSERT_EQ(volumes.build(dir.path()), 0);
    EXPECT_TRUE(volumes.usable(0));
    EXPECT_GT(volumes.share(0), 0u);
}

// ------------------------------------------------------------------ budget

struct BudgetCase {
    const char* what;
    BudgetPrefs prefs;
    std::uint32_t freeKB;
    std::uint32_t budgetKB;
};

TEST(MemoryBudget, Examples) {
    const BudgetCase cases[] = {
        {"method 0, 1025 KB free", {0, 20, 50, 1}, 1025, 1},
        {"method 0 defaults, 500 MB free", {0, 20, 50, 1}, 500 * 1024, 20480},
        {"method 0, less free than asked", {0, 20, 50, 1}, 10000, 8976},
        {"method 1 at 50 %", {1, 20, 50, 1}, 100000, 50000},
        {"method 1 at 100 % keeps 1 MB", {1, 20, 100, 1}, 100000, 98976},
        {"method 2, less free than to leave", {2, 20, 50, 100}, 50 * 1024, 50176},
        {"method 2, exactly what to leave", {2, 20, 50, 100}, 100 * 1024, 101376},
        {"method 2, more free than to leave", {2, 20, 50, 100}, 300 * 1024, 200 * 1024},
        {"method 2 leaving 0 MB keeps 1 MB", {2, 20, 50, 0}, 300 * 1024, 300 * 1024 - 1024},
        {"other method takes half", {3, 20, 50, 1}, 100001, 50000},
        {"negative method takes half", {-1, 20, 50, 1}, 5000, 2500},
    };
    for (const BudgetCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint32_t budget = 12345;
        ASSERT_TRUE(computeBudgetKB(c.prefs, c.freeKB, budget));
        EXPECT_EQ(budget, c.budgetKB);
    }
}

TEST(MemoryBudget, FailsBelow1025KB) {
    std::uint32_t budget = 12345;
    EXPECT_FALSE(computeBudgetKB(BudgetPrefs{}, 1024, budget));
    EXPECT_EQ(budget, 0u);
    EXPECT_FALSE(computeBudgetKB(BudgetPrefs{}, 0, budget));
    EXPECT_TRUE(computeBudgetKB(BudgetPrefs{}, kMinimumFreeKB, budget));
}

TEST(MemoryBudget, VeryLargeFreeSpaceDoesNotWrap) {
    // 4,294,967,295 KB (4 TB) free: every product below passes 2^32.
    const std::uint32_t f = kMaxU32;
    const BudgetCase cases[] = {
        {"100 % of F", {1, 20, 100, 1}, f, f - 1024},
        {"50 % of F", {1, 20, 50, 1}, f, 2147483647},  // floor(F / 2)
        {"1 % of F", {1, 20, 1, 1}, f, 42949672},
        {"half of F", {9, 20, 50, 1}, f, 2147483647},
        {"5,000,000 MB", {0, 5000000, 50, 1}, f, f - 1024},
        {"4,194,304 MB is 2^32 KB", {0, 4194304, 50, 1}, f, f - 1024},
        {"leave 5,000,000 MB", {2, 20, 50, 5000000}, f, f - 1024},
        {"leave 4,000,000 MB", {2, 20, 50, 4000000}, f, f - 4096000000u},
        {"50 % of 100 GB", {1, 20, 50, 1}, 100u * 1024 * 1024, 50u * 1024 * 1024},
    };
    for (const BudgetCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint32_t budget = 0;
        ASSERT_TRUE(computeBudgetKB(c.prefs, c.freeKB, budget));
        EXPECT_EQ(budget, c.budgetKB);
    }
}

TEST(MemoryBudget, NegativePreferencesCountAsZero) {
    std::uint32_t budget = 1;
    ASSERT_TRUE(computeBudgetKB({0, -1, 50, 1}, 100000, budget));
    EXPECT_EQ(budget, 0u);
    ASSERT_TRUE(computeBudgetKB({1, 20, -50, 1}, 100000, budget));
    EXPECT_EQ(budget, 0u);
    ASSERT_TRUE(computeBudgetKB({2, 20, 50, -10}, 100000, budget));
    EXPECT_EQ(budget, 100000u - 1024);
}

}  // namespace
}  // namespace tessary
