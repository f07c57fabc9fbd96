#pragma once

// A tile store over a temporary working folder, with a fake machine and a
// counting file layer, plus the tile contents the tests write and check.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/platform/platform_fakes.h"
#include "support/temp_dir.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace tessary::test {

// Physical memory that gives exactly `slots` memory slots:
// S = (P / 2 x 50 / 100) / 24,624, so P = 4 x 24,624 x S.
constexpr std::uint64_t physicalForSlots(std::uint64_t slots) {
    return 4 * 24624 * slots;
}

struct StoreRig {
    TempDir dir;
    FakeSystemInfo system;
    CountingFileLayer files;
    VolumeList volumes{system};
    VMTile store{files, system};

    // Builds the volume list on the temporary folder, gives it `shareKB` and
    // initialises the store with `physical` bytes of memory.
    bool start(std::uint64_t physical, std::uint32_t shareKB) {
        system.physicalBytes = physical;
        if (volumes.build(dir.path()) != 0) return false;
        volumes.setShare(0, shareKB);
        return store.initialise(volumes, 128, 128);
    }
};

// A tile's worth of samples that differs for every seed (xorshift stream).
inline void fillPattern(std::uint8_t* block, std::uint32_t seed) {
    std::uint32_t x = seed * 2654435761u + 0x9E3779B9u;
    x |= 1;
    for (std::size_t i = 0; i < VMTile::kTileBytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        block[i] = static_cast<std::uint8_t>(x >> 24);
    }
}

inline bool matchesPattern(const std::uint8_t* block, std::uint32_t seed) {
    std::uint8_t expected[VMTile::kTileBytes];
    fillPattern(expected, seed);
    return std::memcmp(block, expected, VMTile::kTileBytes) == 0;
}

// Locks the tile, writes the pattern over all its samples, unlocks.
inline void writePattern(VMTile& store, VMTile::TileNumber tile, std::uint32_t seed) {
    std::uint8_t* block = store.lock(tile);
    ASSERT_NE(block, nullptr) << "tile " << tile;
    fillPattern(block, seed);
    store.unlock(tile);
}

inline void expectPattern(VMTile& store, VMTile::TileNumber tile, std::uint32_t seed) {
    std::uint8_t* block = store.lock(tile);
    ASSERT_NE(block, nullptr) << "tile " << tile;
    EXPECT_TRUE(matchesPattern(block, seed)) << "tile " << tile;
    store.unlock(tile);
}

}  // namespace tessary::test
