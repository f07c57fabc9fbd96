// Format reads, writes and rereads with the probe format module, which
// reads files ending in .prb (and has a second property list whose read
// extension ends in a blank).

#include "plugins/format_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "core/plugins_host/host_rig.h"

namespace tessary {
namespace {

using test::HostRig;
using test::samples;
using test::selectorsOf;
using test::testModule;
using Selectors = std::vector<std::int16_t>;

class FormatRun : public ::testing::Test {
protected:
    void SetUp() override {
        rig.install({testModule("ProbeFormat.8bi")});
        rig.record("Probe Format").plugInData = reinterpret_cast<std::intptr_t>(script.get());
        script->mode = TSPI_MODE_RGB;
        script->width = 37;
        script->height = 21;
        script->planes = 3;
        script->seed = 12;
        script->resolution = 300 << 16;
        file = files / "picture.prb";
        std::ofstream(file) << "anything";
    }
    bool read(Page& page, const test::fs::path& path) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        const bool ok = FormatRead(rig.host, rig.list, path, fd, page);
        ::close(fd);
        return ok;
    }
    void expectPicture(const Page& page) {
        for (int p = 0; p < 3; ++p) {
            const auto got = samples(page, p, page.bounds());
            for (std::int32_t y = 0; y < 21; ++y)
                for (std::int32_t x = 0; x < 37; ++x)
                    ASSERT_EQ(got[y * 37 + x], probe::pixel(12, p, x, y));
        }
    }

    HostRig rig;
    test::TempDir files;
    test::fs::path file;
    std::unique_ptr<probe::FormatScript> script = std::make_unique<probe::FormatScript>();
};

TEST(FormatExtension, TextAfterTheLastDotUpperCasedAtMost32Characters) {
    EXPECT_EQ(formatExtensionOf("/a/b/photo.Png"), "PNG");
    EXPECT_EQ(formatExtensionOf("/a.dir/archive.tar.gz"), "GZ");
    EXPECT_EQ(formatExtensionOf("/a.dir/noextension"), "");
    EXPECT_EQ(formatExtensionOf("x." + std::string(40, 'q')), std::string(32, 'Q'));
    EXPECT_EQ(formatExtensionOf("name.blk "), "BLK");
}

TEST_F(FormatRun, ExtensionsMatchWhateverTheirCaseButAReadExtensionWithABlankNever) {
    EXPECT_EQ(findFormatModule(rig.list, "a.prb"), &rig.record("Probe Format"));
    EXPECT_EQ(findFormatModule(rig.list, "a.PRB"), &rig.record("Probe Format"));
    EXPECT_EQ(findFormatModule(rig.list, "a.Prb"), &rig.record("Probe Format"));
    ASSERT_NE(rig.find("Blank Format"), nullptr);
    EXPECT_EQ(findFormatModule(rig.list, "a.blk"), nullptr);
    EXPECT_EQ(findFormatModule(rig.list, "a.BLK "), nullptr);
    EXPECT_EQ(findFormatModule(rig.list, "a.pr"), nullptr);
    Page page(rig.environment());
    EXPECT_FALSE(read(page, files / "a.blk"));
}

TEST_F(FormatRun, ReadShapesThePageAndTakesThePixelsBandByBand) {
    Page page(rig.environment());
    ASSERT_TRUE(read(page, file));
    EXPECT_EQ(page.type(), Page::kTypeRgb);
    EXPECT_EQ(page.bounds(), (Rect{0, 0, 37, 21}));
    expectPicture(page);
    EXPECT_EQ(std::string(script->pathSeen), file.native());
    EXPECT_GE(script->descriptorSeen, 0);
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 3, 3, 4}));
}

// A plane described past the colour planes (an alpha plane) is not kept: it
// would become a selection mask without a selection rectangle.
TEST_F(FormatRun, PlanesPastTheColourPlanesAreDropped) {
    const std::vector<std::pair<int, int>> cases = {{TSPI_MODE_GRAYSCALE, 2}, {TSPI_MODE_RGB, 4}};
    for (const auto& [mode, planes] : cases) {
        script->mode = static_cast<std::int16_t>(mode);
        script->planes = static_cast<std::int16_t>(planes);
        Page page(rig.environment());
        ASSERT_TRUE(read(page, file)) << planes;
        EXPECT_EQ(page.planeCount(), planes - 1);
        EXPECT_FALSE(page.hasMask());
        EXPECT_EQ(page.selectionRect(), page.bounds());
        for (int p = 0; p < planes - 1; ++p)
            EXPECT_EQ(samples(page, p, Rect{36, 20, 37, 21})[0], probe::pixel(12, p, 36, 20));
    }
}

TEST_F(FormatRun, ResolutionIsRoundedToOneDecimalAndBelowOneBecomes72) {
    const std::vector<std::pair<std::int32_t, double>> cases = {{300 << 16, 300.0},
                                                                {0, 72.0},
                                                                {19658670, 300.0} /* 299.967 */,
                                                                {(72 << 16) + 6554, 72.1},
                                                                {32768, 72.0} /* 0.5 */,
                                                                {-(5 << 16), 72.0}};
    for (const auto& [fixed, expected] : cases) {
        script->resolution = fixed;
        Page page(rig.environment());
        ASSERT_TRUE(read(page, file));
        EXPECT_DOUBLE_EQ(page.horizontalResolution(), expected) << fixed;
        EXPECT_DOUBLE_EQ(page.verticalResolution(), expected) << fixed;
    }
}

TEST_F(FormatRun, WriteHandsTheWholeImageToTheModuleRowByRow) {
    auto page = rig.picture(Page::kTypeGrey, 19, 7, 2);
    page->setResolution(300.0, 300.0);
    const test::fs::path target = files / "out.prb";
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_TRUE(FormatWrite(rig.host, rig.list, target, fd, *page));
    ::close(fd);
    const TsPiFormatBlock& b = script->atWriteStart;
    EXPECT_EQ(b.imageMode, TSPI_MODE_GRAYSCALE);
    EXPECT_EQ(b.imageSize.h, 19);
    EXPECT_EQ(b.depth, 8);
    EXPECT_EQ(b.planes, 1);
    EXPECT_EQ(b.imageHRes, 300 << 16);
    EXPECT_EQ(script->rowsWritten, 7);
    std::ifstream in(target, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    ASSERT_EQ(written.size(), 4u + 19 * 7);
    EXPECT_EQ(written.substr(0, 4), "PRB1");
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x)
            ASSERT_EQ(static_cast<std::uint8_t>(written[4 + y * 19 + x]), probe::pixel(2, 0, x, y));
    const Selectors calls = selectorsOf(script->log);
    EXPECT_EQ(calls.front(), TSPI_FORMAT_OPTIONS_PREPARE);
    EXPECT_EQ(calls.back(), TSPI_FORMAT_WRITE_FINISH);
}

TEST_F(FormatRun, RereadIsOneUndoableRevertAndAFailedOneChangesNothing) {
    auto page = rig.picture(Page::kTypeGrey, 10, 10, 1);
    page->setResolution(96.0, 96.0);
    const auto before = test::allPlanes(*page);
    const int fd = ::open(file.c_str(), O_RDONLY);

    script->failSelector = TSPI_FORMAT_READ_CONTINUE;
    script->failResult = TSPI_ERR_FORMAT_CANNOT_READ;
    EXPECT_FALSE(FormatReread(rig.host, rig.list, file, fd, *page));
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 10, 10}));
    EXPECT_DOUBLE_EQ(page->horizontalResolution(), 96.0);
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_FALSE(page->modified());
    EXPECT_EQ(selectorsOf(script->log).back(), TSPI_FORMAT_READ_FINISH);

    script->failSelector = 0;
    ASSERT_TRUE(FormatReread(rig.host, rig.list, file, fd, *page));
    ::close(fd);
    expectPicture(*page);
    EXPECT_TRUE(page->modified());
    EXPECT_EQ(page->undoKind(), 4u);
    EXPECT_EQ(page->undo(), (Rect{0, 0, 37, 21}));
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    EXPECT_EQ(test::allPlanes(*page), before);
}

TEST_F(FormatRun, FailedStartSkipsFinishAndUnshapeablePictureFails) {
    Page page(rig.environment());
    script->failSelector = TSPI_FORMAT_READ_START;
    script->failResult = TSPI_ERR_FORMAT_CANNOT_READ;
    EXPECT_FALSE(read(page, file));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2}));

    script->failSelector = 0;
    script->log.count = 0;
    script->planes = 2;  // RGB with two planes cannot be shaped
    EXPECT_FALSE(read(page, file));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 4}));

    // More tiles than the whole store holds: refused as memory full before
    // a single band moves.
    script->log.count = 0;
    script->planes = 3;
    script->width = script->height = 30000;
    const int fd = ::open(file.c_str(), O_RDONLY);
    std::int16_t result = 0;
    EXPECT_FALSE(FormatReadWith(rig.host, rig.record("Probe Format"), file, fd, page, &result));
    ::close(fd);
    EXPECT_EQ(result, TSPI_ERR_MEMORY_FULL);
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 4}));
}

}  // namespace
}  // namespace tessary
