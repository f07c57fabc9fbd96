// Import runs of the probe import module: pictures it delivers become
// documents through a fake document port.

#include "plugins/import_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/plugins_host/host_rig.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::FakeDocuments;
using test::HostRig;
using test::samples;
using test::selectorsOf;
using test::testModule;
using Selectors = std::vector<std::int16_t>;

probe::ImportImage image(std::int16_t mode, std::int16_t width, std::int16_t height,
                         std::int16_t planes, std::int32_t seed, const char* title = "") {
    probe::ImportImage out{};
    out.mode = mode;
    out.width = width;
    out.height = height;
    out.planes = planes;
    out.seed = seed;
    out.bandRows = 7;
    std::strncpy(out.title, title, sizeof out.title - 1);
    return out;
}

class ImportRun : public ::testing::Test {
protected:
    void SetUp() override { rig.install({testModule("ProbeImport.8ba")}); }
    bool run() {
        PlugInRecord& record = rig.record("Probe Import");
        record.plugInData = reinterpret_cast<std::intptr_t>(script.get());
        return PlugInImportCommand(rig.host, rig.list, record.commandId, documents,
                                   rig.environment());
    }
    void expectPicture(const Page& page, const probe::ImportImage& source) {
        ASSERT_EQ(page.bounds(), (Rect{0, 0, source.width, source.height}));
        for (int p = 0; p < page.colourPlaneCount(); ++p) {
            const auto got = samples(page, p, page.bounds());
            for (std::int32_t y = 0; y < source.height; ++y)
                for (std::int32_t x = 0; x < source.width; ++x)
                    ASSERT_EQ(got[y * source.width + x], probe::pixel(source.seed, p, x, y))
                        << "plane " << p << " at " << x << "," << y;
        }
    }

    HostRig rig;
    FakeDocuments documents;
    std::unique_ptr<probe::ImportScript> script = std::make_unique<probe::ImportScript>();
};

TEST_F(ImportRun, AcquireAgainDeliversOneDocumentPerImageWithItsTitle) {
    script->imageCount = 3;
    script->images[0] = image(TSPI_MODE_GRAYSCALE, 40, 30, 1, 1, "First");
    script->images[1] = image(TSPI_MODE_RGB, 33, 17, 3, 2);
    script->images[1].interleaved = 1;
    script->images[1].rowPadding = 5;
    script->images[2] = image(TSPI_MODE_RGB, 20, 20, 3, 3, "Third (page 3)");
    script->images[2].reversePlanes = 1;  // planar B, G, R with plane map 2, 1, 0
    script->acquireAgain = 1;
    script->wantFinalize = 1;
    ASSERT_TRUE(run());

    ASSERT_EQ(documents.documents.size(), 3u);
    EXPECT_EQ(documents.documents[0].title, "First");
    EXPECT_EQ(documents.documents[1].title, "");  // the document keeps its default title
    EXPECT_EQ(documents.documents[2].title, "Third (page 3)");
    EXPECT_EQ(documents.documents[0].page->type(), Page::kTypeGrey);
    EXPECT_EQ(documents.documents[1].page->type(), Page::kTypeRgb);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(documents.documents[i].page->modified());
        expectPicture(*documents.documents[i].page, script->images[i]);
    }
    EXPECT_EQ(script->finalizeCalls, 1);
    EXPECT_EQ(rig.record("Probe Import").plugInData, 0);
    const Selectors calls = selectorsOf(script->log);
    EXPECT_EQ(calls.front(), TSPI_IMPORT_PREPARE);
    EXPECT_EQ(calls.back(), TSPI_IMPORT_FINALIZE);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), TSPI_IMPORT_START), 3);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), TSPI_IMPORT_FINISH), 3);
    EXPECT_EQ(rig.progress.text[0], "Working...");
}

TEST_F(ImportRun, IndexedImageBecomesRgbThroughItsColourTables) {
    script->imageCount = 1;
    script->images[0] = image(TSPI_MODE_INDEXED, 50, 20, 1, 4);
    ASSERT_TRUE(run());
    ASSERT_EQ(documents.documents.size(), 1u);
    const Page& page = *documents.documents[0].page;
    EXPECT_EQ(page.type(), Page::kTypeRgb);
    EXPECT_EQ(page.planeCount(), 3);
    const auto red = samples(page, 0, page.bounds());
    const auto green = samples(page, 1, page.bounds());
    const auto blue = samples(page, 2, page.bounds());
    for (std::int32_t y = 0; y < 20; ++y) {
        for (std::int32_t x = 0; x < 50; ++x) {
            const int index = probe::pixel(4, 0, x, y);
            const std::size_t i = static_cast<std::size_t>(y) * 50 + x;
            ASSERT_EQ(red[i], probe::redOf(index));
            ASSERT_EQ(green[i], probe::greenOf(index));
            ASSERT_EQ(blue[i], probe::blueOf(index));
        }
    }
}

TEST_F(ImportRun, BitmapImageBecomesBlackAndWhiteGrey) {
    script->imageCount = 1;
    script->images[0] = image(TSPI_MODE_BITMAP, 21, 9, 1, 5);
    ASSERT_TRUE(run());
    ASSERT_EQ(documents.documents.size(), 1u);
    const Page& page = *documents.documents[0].page;
    EXPECT_EQ(page.type(), Page::kTypeGrey);
    const auto grey = samples(page, 0, page.bounds());
    for (std::int32_t y = 0; y < 9; ++y)
        for (std::int32_t x = 0; x < 21; ++x)
            ASSERT_EQ(grey[y * 21 + x], (probe::pixel(5, 0, x, y) & 1) ? 0 : 255) << x << "," << y;
}

TEST_F(ImportRun, FailedCycleKeepsTheDocumentsMadeBefore) {
    script->imageCount = 2;
    script->images[0] = image(TSPI_MODE_GRAYSCALE, 10, 10, 1, 1, "Kept");
    script->images[1] = image(TSPI_MODE_GRAYSCALE, 10, 10, 1, 2);
    script->acquireAgain = 1;
    script->failStartOf = 2;
    EXPECT_FALSE(run());
    ASSERT_EQ(documents.documents.size(), 1u);
    EXPECT_EQ(documents.documents[0].title, "Kept");
}

TEST_F(ImportRun, UnusableImagesMakeNoDocument) {
    struct Case {
        const char* what;
        probe::ImportImage image;
    };
    std::vector<Case> cases;
    cases.push_back({"RGB with two planes cannot be shaped", image(TSPI_MODE_RGB, 8, 8, 2, 1)});
    cases.push_back({"negative size", image(TSPI_MODE_GRAYSCALE, -8, 8, 1, 1)});
    cases.push_back({"rows shorter than the width", image(TSPI_MODE_GRAYSCALE, 8, 8, 1, 1)});
    cases.back().image.rowPadding = -1;
    cases.push_back({"plane map past the planes", image(TSPI_MODE_RGB, 8, 8, 3, 1)});
    cases.back().image.badPlaneMap = 1;
    for (const Case& c : cases) {
        *script = probe::ImportScript{};
        script->imageCount = 1;
        script->images[0] = c.image;
        EXPECT_FALSE(run()) << c.what;
        EXPECT_TRUE(documents.documents.empty()) << c.what;
        EXPECT_EQ(selectorsOf(script->log).back(), TSPI_IMPORT_FINISH) << c.what;
    }
    // More tiles than the whole store holds: refused before any band moves.
    *script = probe::ImportScript{};
    script->imageCount = 1;
    script->images[0] = image(TSPI_MODE_GRAYSCALE, 30000, 30000, 1, 1);
    EXPECT_FALSE(run());
    const Selectors calls = selectorsOf(script->log);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), TSPI_IMPORT_CONTINUE), 0);
}

TEST_F(ImportRun, RefusedDocumentEndsTheImport) {
    script->imageCount = 3;
    for (int i = 0; i < 3; ++i) script->images[i] = image(TSPI_MODE_GRAYSCALE, 6, 6, 1, i);
    script->acquireAgain = 1;
    documents.refuse = true;
    EXPECT_FALSE(run());  // the cycle's result becomes -1 and acquire again is cleared
    EXPECT_EQ(documents.offered, 1);
}

}  // namespace
}  // namespace tessary
