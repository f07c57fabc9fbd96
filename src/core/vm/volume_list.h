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

    // Discards earlier records and creates one for `folder` from its drive.
    // Returns 0, or -1 when the drive is missing or of unknown kind.
    int build(const std::filesystem::path& folder);
    // Measures the drive again, refreshes the flags and returns the free KB
    // (0 for an index out of range).
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
    std::int32_t vmMethod = 0;       // 0 fixed MB, 1 percent of free, 2 leave MB free, else half
    std::int32_t mbToUse = 20;
    std::int32_t percentToUse = 50;
    std::int32_t mbToLeaveFree = 1;
};

// Smallest free space (KB) with which the program starts at all.
inline constexpr std::uint32_t kMinimumFreeKB = 1025;

// The swap budget in KB for `freeKB` of free space, computed in unsigned
// 32-bit KB arithmetic. False when freeKB is below kMinimumFreeKB.
bool computeBudgetKB(const BudgetPrefs& prefs, std::uint32_t freeKB, std::uint32_t& budgetKB);

}  // namespace tessary
