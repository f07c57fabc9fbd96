#include "vm/volume_list.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessary {

namespace {

constexpr std::uint32_t kKilobytesKeptFree = 1024;

// Free bytes as whole KB, truncated, saturating at the largest u32.
std::uint32_t kilobytesOf(double bytes) {
    if (!(bytes > 0)) return 0;  // also NaN
    const double kb = std::floor(bytes / 1024.0);
    constexpr double kMax = static_cast<double>(std::numeric_limits<std::uint32_t>::max());
    return kb >= kMax ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(kb);
}

// A negative preference is treated as 0 rather than reinterpreted as a huge
// unsigned amount.
std::uint64_t nonNegative(std::int32_t value) {
    return value < 0 ? 0 : static_cast<std::uint64_t>(value);
}

}  // namespace

VolumeList::VolumeList(platform::SystemInfo& system) : m_system(system) {}

bool VolumeList::describe(const std::filesystem::path& folder, Record& record) const {
    platform::DriveInfo drive;
    if (!m_system.driveOf(folder, drive)) return false;
    switch (drive.kind) {
        case platform::DriveKind::Removable:
            record.notUsable = false;
            record.fixed = false;
            break;
        case platform::DriveKind::Fixed:
        case platform::DriveKind::RamDisk:
            record.notUsable = false;
            record.fixed = true;
            break;
        case platform::DriveKind::CdRom:
            record.notUsable = true;
            record.fixed = false;
            break;
        case platform::DriveKind::Remote:
            record.notUsable = true;
            record.fixed = true;
            break;
        case platform::DriveKind::Unknown:
        case platform::DriveKind::NoRootDir:
            return false;
    }
    record.share = kilobytesOf(drive.freeBytes);
    return true;
}

int VolumeList::build(const std::filesystem::path& folder) {
    m_records.clear();
    m_valid = false;
    Record record;
    if (!describe(folder, record)) return -1;
    record.path = folder;
    m_records.push_back(std::move(record));
    m_valid = true;
    return 0;
}

std::uint32_t VolumeList::measure(int index) {
    if (index < 0 || index >= count()) return 0;
    Record& record = m_records[static_cast<std::size_t>(index)];
    Record fresh = record;
    if (!describe(record.path, fresh)) return 0;
    record = fresh;
    return record.share;
}

std::filesystem::path VolumeList::path(int index) const {
    if (index < 0 || index >= count()) return {};
    return m_records[static_cast<std::size_t>(index)].path;
}

std::uint16_t VolumeList::reference(int index) const {
    if (index < 0 || index >= count()) return 0;
    return m_records[static_cast<std::size_t>(index)].reference;
}

std::uint32_t VolumeList::share(int index) const {
    if (index < 0 || index >= count()) return 0;
    return m_records[static_cast<std::size_t>(index)].share;
}

void VolumeList::setShare(int index, std::uint32_t kilobytes) {
    if (index < 0 || index >= count()) return;
    m_records[static_cast<std::size_t>(index)].share = kilobytes;
}

bool VolumeList::usable(int index) const {
    if (index < 0 || index >= count()) return false;
    return !m_records[static_cast<std::size_t>(index)].notUsable;
}

bool VolumeList::fixed(int index) const {
    if (index < 0 || index >= count()) return false;
    return m_records[static_cast<std::size_t>(index)].fixed;
}

void VolumeList::setPath(int index, const std::filesystem::path& path) {
    if (index < 0 || index >= count()) return;
    m_records[static_cast<std::size_t>(index)].path = path;
}

bool computeBudgetKB(const BudgetPrefs& prefs, std::uint32_t freeKB, std::uint32_t& budgetKB) {
    budgetKB = 0;
    if (freeKB < kMinimumFreeKB) return false;

    // Products are formed in 64 bits: PercentToUse x F alone passes 2^32 once
    // F is above about 42 GB, and MB x 1024 for a large preference value.
    const std::uint64_t free = freeKB;
    const std::uint64_t allButReserve = free - kKilobytesKeptFree;
    std::uint64_t budget = 0;
    switch (prefs.vmMethod) {
        case 0:
            budget = std::min(nonNegative(prefs.mbToUse) * 1024, allButReserve);
            break;
        case 1:
            budget = std::min(nonNegative(prefs.percentToUse) * free / 100, allButReserve);
            break;
        case 2: {
            const std::uint64_t leave = nonNegative(prefs.mbToLeaveFree) * 1024;
            budget = free <= leave ? allButReserve : std::min(free - leave, allButReserve);
            break;
        }
        default:
            budget = free * 50 / 100;
            break;
    }
    budgetKB = static_cast<std::uint32_t>(budget);  // never above freeKB
    return true;
}

}  // namespace tessary
