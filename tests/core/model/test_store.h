#pragma once

// A real tile store for the model tests: swap files in a temporary folder,
// and a pretend machine whose physical memory is chosen so that the store has
// a given number of memory slots. Reads and writes of the swap files can be
// made to fail, to check that image states survive a failing disk.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "platform/file_layer.h"
#include "platform/system_info.h"
#include "support/temp_dir.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace tessary::test {

// A machine with a chosen physical memory and a roomy fixed disk under every
// existing folder.
class SmallMachine : public platform::SystemInfo {
public:
    // No control groups: physicalBytes is the limit.
    SmallMachine() : SystemInfo(std::filesystem::path()) {}
    std::uint64_t physicalBytes = 0;

    std::uint64_t physicalMemoryBytes() override { return physicalBytes; }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = platform::DriveKind::Fixed;
        out.freeBytes = 1024.0 * 1024 * 1024;
        return true;
    }
    std::uint32_t tickCount() override { return 0; }
};

// The real file layer whose positioned reads and writes (the tile store's
// page-ins and page-outs) can be switched to fail.
class SwitchableFileLayer : public platform::FileLayer {
public:
    bool failReads = false;
    bool failWrites = false;
    // Sequential writes (filling the swap files) see a disk with this many
    // bytes left.
    std::uint64_t diskBytesLeft = UINT64_MAX;
    // When not negative: this many more reads succeed, then every read fails.
    int readsBeforeFailure = -1;
    int reads = 0;
    int writes = 0;

    platform::FileError readAt(platform::FileHandle file, std::uint64_t offset, void* buffer,
                               std::size_t count, std::size_t& done) override {
        ++reads;
        done = 0;
        if (failReads || readsBeforeFailure == 0) return platform::kIOErr;
        if (readsBeforeFailure > 0) --readsBeforeFailure;
        return FileLayer::readAt(file, offset, buffer, count, done);
    }
    platform::FileError write(platform::FileHandle file, const void* buffer, std::size_t count,
                              std::size_t& done) override {
        const auto allowed =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, diskBytesLeft));
        const platform::FileError result = FileLayer::write(file, buffer, allowed, done);
        diskBytesLeft -= done;
        if (result != platform::kNoErr) return result;
        return done < count ? platform::kDiskFull : platform::kNoErr;
    }
    platform::FileError writeAt(platform::FileHandle file, std::uint64_t offset, const void* buffer,
                                std::size_t count, std::size_t& done) override {
        ++writes;
        done = 0;
        if (failWrites) return platform::kIOErr;
        return FileLayer::writeAt(file, offset, buffer, count, done);
    }
};

// A tile store with `slots` memory slots (slots - 1 hold tiles) and swap
// files of about `swapKB` KB (0: none, so every tile lives in memory), or of
// `swapTiles` tiles when that is given (a disk that fills sooner).
class TestStore {
public:
    explicit TestStore(std::uint32_t slots = 64, std::uint32_t swapKB = 0,
                       std::uint32_t swapTiles = UINT32_MAX)
        : m_volumes(m_machine), m_store(m_files, m_machine) {
        if (swapTiles != UINT32_MAX)
            m_files.diskBytesLeft = std::uint64_t{swapTiles} * VMTile::kSlotBytes;
        // S = (physical / 2 x 50 / 100) / (24,576 + 48), so this gives S exactly.
        m_machine.physicalBytes =
            std::uint64_t{slots} * (VMTile::kSlotBytes + VMTile::kSlotOverhead) * 4;
        if (m_volumes.build(m_dir.path()) != 0)
            throw std::runtime_error("cannot build the volume list");
        m_volumes.setShare(0, swapKB);
        if (!m_store.initialise(m_volumes, 128, 128))
            throw std::runtime_error("cannot start the tile store");
        if (m_store.memorySlots() != slots) throw std::runtime_error("unexpected slot count");
        m_files.diskBytesLeft = UINT64_MAX;
    }

    VMTile& store() { return m_store; }
    SwitchableFileLayer& files() { return m_files; }

private:
    TempDir m_dir;
    SmallMachine m_machine;
    SwitchableFileLayer m_files;
    VolumeList m_volumes;
    VMTile m_store;
};

}  // namespace tessary::test
