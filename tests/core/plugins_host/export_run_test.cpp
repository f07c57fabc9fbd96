// Export runs of the probe export module.

#include "plugins/export_run.h"

#include <gtest/gtest.h>

#include "core/plugins_host/host_rig.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::HostRig;
using test::selectorsOf;
using test::testModule;

probe::ExportRequest request(std::int16_t top, std::int16_t left, std::int16_t bottom,
                             std::int16_t right, std::int16_t lo, std::int16_t hi) {
    return probe::ExportRequest{TsPiRect{top, left, bottom, right}, lo, hi};
}

class ExportRun : public ::testing::Test {
protected:
    void SetUp() override { rig.install({testModule("ProbeExport.8be")}); }
    bool run(Page* page) {
        PlugInRecord& record = rig.record("Probe Export");
        record.plugInData = reinterpret_cast<std::intptr_t>(script.get());
        return PlugInExportCommand(rig.host, rig.list, record.commandId, page);
    }
    HostRig rig;
    std::unique_ptr<probe::ExportScript> script = std::make_unique<probe::ExportScript>();
};

TEST_F(ExportRun, OnePlaneOfAnRgbPageArrivesPlanarAndSeveralInterleaved) {
    auto page = rig.picture(Page::kTypeRgb, 60, 40, 3);
    page->setResolution(300.0, 150.0);
    const auto before = test::allPlanes(*page);
    script->requestCount = 2;
    script->requests[0] = request(3, 5, 13, 25, 1, 1);
    script->requests[1] = request(0, 0, 4, 60, 0, 2);
    ASSERT_TRUE(run(page.get()));
    ASSERT_EQ(script->received, 2);

    EXPECT_EQ(script->rowBytes[0], 20);  // one plane: planar, the width
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(script->data[y * 20 + x], probe::pixel(3, 1, 5 + x, 3 + y));
    EXPECT_EQ(script->rowBytes[1], 180);  // three planes side by side
    const std::uint8_t* all = script->data + script->offsets[1];
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 60; ++x)
            for (int p = 0; p < 3; ++p)
                ASSERT_EQ(all[(y * 60 + x) * 3 + p], probe::pixel(3, p, x, y));
    // Finish still finds the last answer in the block's data.
    ASSERT_EQ(script->finishHadData, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(script->dataAtFinish, script->dataAtFinish + 8),
              std::vector<std::uint8_t>(all, all + 8));

    const TsPiExportBlock& b = script->atPrepare;
    EXPECT_EQ(b.imageMode, TSPI_MODE_RGB);
    EXPECT_EQ(b.imageSize.v, 40);
    EXPECT_EQ(b.imageSize.h, 60);
    EXPECT_EQ(b.depth, 8);
    EXPECT_EQ(b.planes, 3);
    EXPECT_EQ(b.imageHRes, 300 << 16);
    EXPECT_EQ(b.imageVRes, 150 << 16);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.filename + 1), b.filename[0]),
              "Untitled");
    EXPECT_EQ(b.hostByte1082, 1);
    EXPECT_EQ(b.hostByte1104, 255);
    EXPECT_EQ(b.hostByte1105, 255);
    EXPECT_EQ(b.hostWord1192, 3);
    EXPECT_EQ(selectorsOf(script->log), (std::vector<std::int16_t>{4, 1, 2, 2, 3}));
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
}

TEST_F(ExportRun, RequestsPastTheEdgesRepeatTheEdgeSamples) {
    auto page = rig.picture(Page::kTypeGrey, 10, 10, 4);
    script->requestCount = 1;
    script->requests[0] = request(-2, 8, 1, 12, 0, 0);
    ASSERT_TRUE(run(page.get()));
    EXPECT_EQ(script->atPrepare.imageMode, TSPI_MODE_GRAYSCALE);
    EXPECT_EQ(script->atPrepare.planes, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(script->data[y * 4 + x],
                      probe::pixel(4, 0, std::min(8 + x, 9), std::max(-2 + y, 0)))
                << x << "," << y;
}

TEST_F(ExportRun, MalformedRequestFailsButFinishIsStillCalled) {
    auto page = rig.picture(Page::kTypeRgb, 10, 10, 4);
    script->requestCount = 1;
    script->requests[0] = request(0, 0, 5, 5, 2, 1);
    EXPECT_FALSE(run(page.get()));
    EXPECT_EQ(selectorsOf(script->log), (std::vector<std::int16_t>{4, 1, 3}));
    EXPECT_FALSE(run(nullptr));  // no page: nothing runs
}

}  // namespace
}  // namespace tessary
