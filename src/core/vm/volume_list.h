#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/system_info.h"

namespace tessary {

// The folders on which the tile store may put its swap files, with the drive
// kind and the share (in KB) each may take. Built from one folder: the
// working folder, so in practice it holds exactly one volume.
class VolumeList {
public:
    explicit VolumeList(platform::SystemInfo& system = platform::systemInfo());

    // Discards earlier records and creates one for `folder` from its drive:
    // the record's path is `folder`, its share the free space in KB (bytes /
    // 1024 truncated, saturating at the largest u32). Returns 0, or -1 when
    // the folder or its drive is missing or the drive is of unknown kind.
    // Removable: usable, not fixed. Fixed disk, RAM disk: usable, fixed.
    // CD-ROM: not usable, not fixed. Network: not usable, fixed.
    int build(const std::filesystem::path& folder);
    // Measures the record's drive again, refreshes the flags and the share
    // with the free KB and returns it. 0 for an index out of range or a drive
    // that can no longer be measured (the record is then left as it was).
    std::uint32_t measure(int index);

    bool valid() const { return m_valid; }
    int count() const { return static_cast<int>(m_records.size()); }
    std::filesystem::path path(int index) const;
    std::uint16_t reference(int index) const;
    std::uint32_t share(int index) const;
    void setShare(int index, std::uint32_t kilobytes);
    bool usable(int index) const;
    bool fixed(int index) const;
    void setPath(int index, const std::filesystem::path& path);

private:
    struct Record {
        std::filesystem::path path;
        std::uint16_t reference = 0;
        bool notUsable = false;
        bool fixed = true;
        std::uint32_t share = 0;  // free KB when measured, then the budget
    };
    bool describe(const std::filesystem::path& folder, Record& record) const;

    platform::SystemInfo& m_system;
    bool m_valid = false;
    std::vector<Record> m_records;
};

// The four memory-budget preferences.
struct BudgetPrefs {
    std::int32_t vmMethod = 0;  // 0 fixed MB, 1 percent of free, 2 leave MB free, else half
    std::int32_t mbToUse = 20;
    std::int32_t percentToUse = 50;
    std::int32_t mbToLeaveFree = 1;
};

// Smallest free space (KB) with which the program starts at all.
inline constexpr std::uint32_t kMinimumFreeKB = 1025;

// The swap budget in KB for `freeKB` of free space (KB of volume 0 as
// measured when the list was built). False, with budgetKB 0, when freeKB is
// below kMinimumFreeKB. Method 0: min(MBtoUse x 1024, F - 1024); method 1:
// min(PercentToUse x F / 100, F - 1024); method 2: F - 1024 when F <=
// MBToLeaveFree x 1024, else min(F - MBToLeaveFree x 1024, F - 1024); any
// other method: F x 50 / 100. Products are formed in 64 bits so that no
// free space or preference value wraps, and negative preference values count
// as 0; the result never exceeds freeKB.
bool computeBudgetKB(const BudgetPrefs& prefs, std::uint32_t freeKB, std::uint32_t& budgetKB);

}  // namespace tessary
