// A module that abuses its block must leave the host, its own page and
// every other page intact.

#include <gtest/gtest.h>

#include "core/plugins_host/host_rig.h"
#include "plugins/filter_run.h"
#include "plugins/movable_memory.h"

namespace tessary {
namespace {

using test::FakeView;
using test::HostRig;
using test::testModule;

class HostileModule : public ::testing::TestWithParam<probe::Attack> {
protected:
    void SetUp() override {
        rig.install({testModule("HostileFilter.8bf")});
        rig.record("Hostile Filter").plugInData = reinterpret_cast<std::intptr_t>(&script);
        script.attack = GetParam();
    }
    HostRig rig;
    probe::HostileScript script{};
};

TEST_P(HostileModule, LeavesTheHostAndOtherPagesIntact) {
    auto page = rig.picture(Page::kTypeRgb, 64, 48, 1);
    ASSERT_EQ(page->addMask(), kErrNone);
    page->setSelectionRect(Rect{8, 8, 40, 30});
    auto other = rig.picture(Page::kTypeRgb, 64, 48, 2);
    const auto otherBefore = test::allPlanes(*other);
    const auto maskBefore = test::samples(*page, 3, page->bounds());
    const std::size_t handlesBefore = plugInHandlePool().liveCount();

    PlugInRecord& record = rig.record("Hostile Filter");
    FakeView view(page.get());
    const bool done = RunPlugInFilter(rig.host, record, true, view);

    EXPECT_EQ(test::allPlanes(*other), otherBefore);
    EXPECT_EQ(test::samples(*page, 3, page->bounds()), maskBefore) << "the mask was written";
    EXPECT_EQ(record.parameters, nullptr);  // never an invented or disposed handle
    EXPECT_EQ(plugInBufferPool().liveCount(), 0u);
    EXPECT_LE(plugInHandlePool().liveCount(), handlesBefore);
    EXPECT_EQ(record.currentBlock, nullptr);
    EXPECT_EQ(view.historyOffset(), 0);
    EXPECT_FALSE(page->pageData()->changeOpen());

    switch (GetParam()) {
        case probe::kAttackHugeRequest:
        case probe::kAttackReversedRect:
        case probe::kAttackNegativePlanes:
        case probe::kAttackPlanesPastEnd:
            EXPECT_FALSE(done);
            EXPECT_EQ(page->pageData()->undoCount(), 0);
            break;
        case probe::kAttackOutputToMask: {
            // The colour planes of the selection were zeroed and blended
            // through the mask over the (clipped) scribbled filter rectangle.
            EXPECT_TRUE(done);
            const auto red = test::samples(*page, 0, page->bounds());
            for (std::int32_t y = 8; y < 30; ++y)
                for (std::int32_t x = 8; x < 40; ++x)
                    ASSERT_EQ(red[y * 64 + x], 0) << x << "," << y;
            break;
        }
        case probe::kAttackGarbageHandles:
            EXPECT_TRUE(done);
            ASSERT_EQ(script.advanceCalls, 1);
            EXPECT_EQ(script.advanceResults[0], 0);
            break;
    }
    // The host still runs a well-behaved module afterwards.
    script.attack = 0;
    EXPECT_TRUE(RunPlugInFilter(rig.host, record, true, view));
}

INSTANTIATE_TEST_SUITE_P(Attacks, HostileModule,
                         ::testing::Values(probe::kAttackHugeRequest, probe::kAttackReversedRect,
                                           probe::kAttackNegativePlanes,
                                           probe::kAttackPlanesPastEnd, probe::kAttackOutputToMask,
                                           probe::kAttackGarbageHandles));

}  // namespace
}  // namespace tessary
