// The shipped filter, import and export modules driven end to end by the
// host (skipped while they are not built).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>

#include "core/plugins_host/host_rig.h"
#include "plugins/filter_run.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::FakeView;
using test::HostRig;
using test::samples;
using test::shippedModule;

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { ::unsetenv(m_name); }

private:
    const char* m_name;
};

class ShippedModules : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Posterize.8bf", "Unsharp.8bf", "TiffPages.8ba", "WebJpeg.8be"})
            if (!test::fs::exists(shippedModule(name))) GTEST_SKIP() << name << " is not built";
        rig.install({shippedModule("Posterize.8bf"), shippedModule("Unsharp.8bf"),
                     shippedModule("TiffPages.8ba"), shippedModule("WebJpeg.8be")});
    }
    HostRig rig;
    test::TempDir files;
    std::unique_ptr<Filter> lastFilter;
};

TEST_F(ShippedModules, PosterizeChangesOnlyTheSelectionToFourLevels) {
    auto page = rig.picture(Page::kTypeRgb, 80, 60, 2);
    ASSERT_EQ(page->addMask(), kErrNone);
    const Rect selection{10, 5, 50, 40};
    HostRig::fillPlane(*page, 3, page->bounds(), [&](std::int32_t x, std::int32_t y) {
        return x >= 10 && x < 50 && y >= 5 && y < 40 ? 255 : 0;
    });
    page->setSelectionRect(selection);
    const auto before = test::allPlanes(*page);
    FakeView view(page.get());
    ASSERT_TRUE(PlugInFilterCommand(rig.host, rig.list, view, rig.record("Posterize").commandId,
                                    lastFilter));
    for (int p = 0; p < 3; ++p) {
        const auto after = samples(*page, p, page->bounds());
        std::set<int> levels;
        for (std::int32_t y = 0; y < 60; ++y) {
            for (std::int32_t x = 0; x < 80; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * 80 + x;
                if (x >= 10 && x < 50 && y >= 5 && y < 40) {
                    levels.insert(after[i]);
                } else {
                    ASSERT_EQ(after[i], before[p][i]) << x << "," << y;
                }
            }
        }
        EXPECT_LE(levels.size(), 4u);
        EXPECT_GE(levels.size(), 2u);
    }
    EXPECT_EQ(page->undoKind(), 6u);
    FakeView again(page.get());
    EXPECT_TRUE(RunLastPlugInFilter(rig.host, rig.list, again, *lastFilter));
    EXPECT_EQ(page->pageData()->undoCount(), 2);
}

TEST_F(ShippedModules, UnsharpPushesAnEdgeApartAndCanBeCancelled) {
    auto page = rig.picture(Page::kTypeGrey, 40, 150, 1);
    HostRig::fillPlane(*page, 0, page->bounds(),
                       [](std::int32_t x, std::int32_t) { return x < 20 ? 100 : 150; });
    const auto before = test::allPlanes(*page);
    PlugInRecord& unsharp = rig.record("Unsharp Mask 3x3");
    FakeView view(page.get());

    rig.progress.cancelAt = 1;
    EXPECT_FALSE(RunPlugInFilter(rig.host, unsharp, true, view));
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);

    rig.progress.cancelAt = -1;
    ASSERT_TRUE(RunPlugInFilter(rig.host, unsharp, true, view));
    const auto after = samples(*page, 0, page->bounds());
    for (std::int32_t y = 0; y < 150; ++y) {
        EXPECT_EQ(after[y * 40 + 5], 100);
        EXPECT_LT(after[y * 40 + 19], 100) << y;
        EXPECT_GT(after[y * 40 + 20], 150) << y;
        EXPECT_EQ(after[y * 40 + 35], 150);
    }
}

// c + (c - mean of the 3 x 3 neighbourhood), edges repeated, rounded half up.
int unsharpReference(const std::vector<std::uint8_t>& plane, std::int32_t width,
                     std::int32_t height, std::int32_t x, std::int32_t y) {
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            sum +=
                plane[std::clamp(y + dy, 0, height - 1) * width + std::clamp(x + dx, 0, width - 1)];
    const double value = std::floor(2.0 * plane[y * width + x] - sum / 9.0 + 0.5);
    return static_cast<int>(std::clamp(value, 0.0, 255.0));
}

// One-pixel images, one-pixel-wide and -high ones, and a one-pixel selection
// at the origin: every pixel of the area comes back filtered, nothing else
// changes.
TEST_F(ShippedModules, FiltersWorkOnTheSmallestImagesAndSelections) {
    struct Case {
        std::int32_t type, width, height;
        Rect selection;  // empty: none
    };
    const Case cases[] = {{Page::kTypeGrey, 1, 1, {}},
                          {Page::kTypeRgb, 1, 1, {}},
                          {Page::kTypeRgb, 1, 5, {}},
                          {Page::kTypeGrey, 5, 1, {}},
                          {Page::kTypeRgb, 6, 4, {0, 0, 1, 1}}};
    for (const Case& c : cases) {
        for (const bool posterize : {true, false}) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) +
                         (posterize ? " posterize" : " unsharp"));
            auto page = rig.picture(c.type, c.width, c.height, 3);
            const Rect area = c.selection.empty() ? page->bounds() : c.selection;
            if (!c.selection.empty()) {
                ASSERT_EQ(page->addMask(), kErrNone);
                HostRig::fillPlane(*page, 3, page->bounds(), [&](std::int32_t x, std::int32_t y) {
                    return x < area.right && y < area.bottom ? 255 : 0;
                });
                page->setSelectionRect(area);
            }
            const auto before = test::allPlanes(*page);
            FakeView view(page.get());
            ASSERT_TRUE(RunPlugInFilter(
                rig.host, rig.record(posterize ? "Posterize" : "Unsharp Mask 3x3"), true, view));
            for (int p = 0; p < page->colourPlaneCount(); ++p) {
                const auto after = samples(*page, p, page->bounds());
                for (std::int32_t y = 0; y < c.height; ++y) {
                    for (std::int32_t x = 0; x < c.width; ++x) {
                        const std::size_t i = static_cast<std::size_t>(y) * c.width + x;
                        int expected = before[p][i];
                        if (x < area.right && y < area.bottom)
                            expected = posterize
                                           ? before[p][i] / 64 * 85  // 4 levels
                                           : unsharpReference(before[p], c.width, c.height, x, y);
                        ASSERT_EQ(after[i], expected) << p << " " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST_F(ShippedModules, TiffPagesImportsEveryPageAsADocument) {
    if (!test::fs::exists("/usr/bin/convert")) GTEST_SKIP() << "/usr/bin/convert is missing";
    const test::fs::path tiff = files / "scan.tif";
    const std::string command =
        "/usr/bin/convert -size 30x20 xc:red -size 25x15 xc:blue "
        "-size 10x10 xc:gray50 -colorspace sRGB " +
        tiff.native() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ScopedEnvironment file("TESSARY_IMPORT_FILE", tiff.native());
    test::FakeDocuments documents;
    PlugInRecord& import = rig.record("TIFF Pages...");
    EXPECT_TRUE(
        PlugInImportCommand(rig.host, rig.list, import.commandId, documents, rig.environment()));
    ASSERT_EQ(documents.documents.size(), 3u);
    EXPECT_EQ(documents.documents[0].page->bounds(), (Rect{0, 0, 30, 20}));
    EXPECT_EQ(documents.documents[1].page->bounds(), (Rect{0, 0, 25, 15}));
    EXPECT_NE(documents.documents[0].title.find("(page 1)"), std::string::npos);
    EXPECT_NE(documents.documents[2].title.find("(page 3)"), std::string::npos);
    EXPECT_EQ(samples(*documents.documents[0].page, 0, Rect{0, 0, 1, 1})[0], 255);
    EXPECT_EQ(samples(*documents.documents[1].page, 2, Rect{0, 0, 1, 1})[0], 255);
    EXPECT_EQ(import.plugInData, 0);
}

TEST_F(ShippedModules, WebJpegExportWritesAJpegWithinTheLimit) {
    auto page = rig.picture(Page::kTypeRgb, 120, 90, 4);
    const test::fs::path out = files / "web.jpg";
    ScopedEnvironment file("TESSARY_EXPORT_FILE", out.native());
    ScopedEnvironment limit("TESSARY_EXPORT_LIMIT_KB", "20");
    PlugInRecord* exporter = nullptr;
    for (PlugInRecord* r = rig.list.head(); r != nullptr; r = r->next.get())
        if (r->kind == kPlugInKindExport) exporter = r;
    ASSERT_NE(exporter, nullptr);
    ASSERT_TRUE(PlugInExportCommand(rig.host, rig.list, exporter->commandId, page.get()));
    ASSERT_TRUE(test::fs::exists(out));
    EXPECT_LE(test::fs::file_size(out), 20u * 1024);
    std::ifstream in(out, std::ios::binary);
    EXPECT_EQ(in.get(), 0xFF);
    EXPECT_EQ(in.get(), 0xD8);
}

}  // namespace
}  // namespace tessary
