#include "vm/free_tile_map.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace tessary {
namespace {

// The lowest element of the reference set, 0 when empty.
std::uint32_t lowestOf(const std::set<std::uint32_t>& free) {
    return free.empty() ? 0 : *free.begin();
}

TEST(FreeTileMap, EverythingIsFreeAfterReset) {
    for (std::uint32_t count : {1u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 70000u}) {
        SCOPED_TRACE(count);
        FreeTileMap map;
        map.reset(count);
        EXPECT_EQ(map.lowestFree(), 1u);
        for (std::uint32_t t = 1; t <= count; ++t) ASSERT_TRUE(map.isFree(t));
        // Taking tiles in order walks through every number exactly once.
        for (std::uint32_t t = 1; t <= count; ++t) {
            ASSERT_EQ(map.lowestFree(), t);
            map.markUsed(t);
        }
        EXPECT_EQ(map.lowestFree(), 0u);
    }
}

TEST(FreeTileMap, EmptyAndClearedMapsHaveNothingFree) {
    FreeTileMap map;
    EXPECT_EQ(map.lowestFree(), 0u);
    map.reset(0);
    EXPECT_EQ(map.lowestFree(), 0u);
    map.reset(10);
    map.clear();
    EXPECT_EQ(map.tileCount(), 0u);
    EXPECT_EQ(map.lowestFree(), 0u);
}

TEST(FreeTileMap, LowestFreeAgreesWithAReferenceSetUnderRandomChurn) {
    for (std::uint32_t count : {5u, 64u, 129u, 4096u, 9000u, 300000u}) {
        SCOPED_TRACE(count);
        FreeTileMap map;
        map.reset(count);
        std::set<std::uint32_t> free;
        for (std::uint32_t t = 1; t <= count; ++t) free.insert(t);

        std::mt19937 random(count);
        std::uniform_int_distribution<std::uint32_t> anyTile(1, count);
        for (int step = 0; step < 20000; ++step) {
            const std::uint32_t tile = anyTile(random);
            if (random() % 3 == 0) {
                map.markFree(tile);
                free.insert(tile);
            } else if (random() % 2 == 0) {
                map.markUsed(tile);
                free.erase(tile);
            } else if (const std::uint32_t lowest = map.lowestFree(); lowest != 0) {
                map.markUsed(lowest);  // what allocation does
                free.erase(lowest);
            }
            ASSERT_EQ(map.lowestFree(), lowestOf(free)) << "step " << step;
            ASSERT_EQ(map.isFree(tile), free.count(tile) == 1);
        }
    }
}

TEST(FreeTileMap, FreeingBelowTheSearchPointIsFound) {
    FreeTileMap map;
    map.reset(20000);
    for (std::uint32_t t = 1; t <= 20000; ++t) map.markUsed(t);
    ASSERT_EQ(map.lowestFree(), 0u);  // the search has moved past the end
    map.markFree(19999);
    map.markFree(7);
    map.markFree(5000);
    EXPECT_EQ(map.lowestFree(), 7u);
    map.markUsed(7);
    EXPECT_EQ(map.lowestFree(), 5000u);
    map.markUsed(5000);
    EXPECT_EQ(map.lowestFree(), 19999u);
}

}  // namespace
}  // namespace tessary
