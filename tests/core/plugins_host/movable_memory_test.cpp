// Movable blocks behind the handle and buffer suites.

#include "plugins/movable_memory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "plugins/host_callbacks.h"

namespace tessary {
namespace {

TEST(MovableMemory, HandlesAreZeroFilledResizableAndKeepTheirDataOnFailure) {
    TsPiHandleSuite suite{};
    fillHandleSuite(suite);
    TsPiHandle handle = suite.newProc(6);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(suite.getSizeProc(handle), 6);
    auto* bytes = static_cast<std::uint8_t*>(suite.lockProc(handle, 1));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 6), std::vector<std::uint8_t>(6, 0));
    std::memcpy(bytes, "abcdef", 6);
    // A handle dereferences to its block, as modules of the interface expect.
    EXPECT_EQ(*reinterpret_cast<void**>(handle), bytes);
    suite.unlockProc(handle);

    ASSERT_EQ(suite.setSizeProc(handle, 10), TSPI_NO_ERR);
    bytes = static_cast<std::uint8_t*>(suite.lockProc(handle, 0));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 10), std::string("abcdef\0\0\0\0", 10));
    ASSERT_EQ(suite.setSizeProc(handle, 3), TSPI_NO_ERR);
    EXPECT_EQ(suite.getSizeProc(handle), 3);

    // Sizes past what a module can ask for are refused: the old block stays.
    EXPECT_FALSE(plugInHandlePool().resize(handle, std::int64_t{1} << 40));
    EXPECT_EQ(suite.setSizeProc(handle, -1), TSPI_ERR_PARAMETER);
    EXPECT_EQ(std::memcmp(plugInHandleData(handle), "abc", 3), 0);
    EXPECT_EQ(suite.getSizeProc(handle), 3);

    suite.disposeProc(handle);
    EXPECT_FALSE(isLivePlugInHandle(handle));
    // Stale, null and invented handles are ignored everywhere.
    suite.disposeProc(handle);
    suite.disposeProc(nullptr);
    EXPECT_EQ(suite.getSizeProc(nullptr), 0);
    EXPECT_EQ(suite.lockProc(handle, 0), nullptr);
    EXPECT_EQ(suite.setSizeProc(handle, 4), TSPI_ERR_PARAMETER);
    EXPECT_EQ(suite.newProc(-1), nullptr);
}

TEST(MovableMemory, BufferSuiteAllocatesZeroFilledBlocksAndChecksItsArguments) {
    TsPiBufferSuite suite{};
    fillBufferSuite(suite);
    EXPECT_EQ(suite.version, 2);
    EXPECT_EQ(suite.count, 5);
    const std::size_t before = plugInBufferPool().liveCount();
    TsPiBufferId id = nullptr;
    ASSERT_EQ(suite.allocateProc(100, &id), TSPI_NO_ERR);
    auto* bytes = static_cast<std::uint8_t*>(suite.lockProc(id, 0));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 100), std::vector<std::uint8_t>(100, 0));
    suite.unlockProc(id);
    EXPECT_EQ(suite.allocateProc(-4, &id), TSPI_ERR_PARAMETER);
    EXPECT_EQ(suite.allocateProc(4, nullptr), TSPI_ERR_PARAMETER);
    EXPECT_EQ(plugInBufferPool().liveCount(), before + 1);
    suite.freeProc(id);
    suite.freeProc(id);
    EXPECT_EQ(plugInBufferPool().liveCount(), before);
    EXPECT_GE(suite.spaceProc(), 0);

    // Buffer ids are not handles, and handles are not buffer ids.
    TsPiHandle handle = newPlugInHandle(1);
    EXPECT_EQ(suite.lockProc(reinterpret_cast<TsPiBufferId>(handle), 0), nullptr);
    disposePlugInHandle(handle);
}

}  // namespace
}  // namespace tessary
