// The two filter modules, run through their entry points on pages held by
// the test host, against reference results computed here from the formulas.

#include <gtest/gtest.h>

#include <cmath>

#include "modules_shipped/module_host.h"
#include "posterize/posterize_table.h"
#include "unsharp/unsharp_kernel.h"

namespace tessary::test {
namespace {

bool inside(const TsPiRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Posterize to n levels: bin floor(v n / 256) shown as bin × 255 / (n − 1).
std::uint8_t posterized(int value, int levels) {
    const int bin = static_cast<int>(std::floor(value * levels / 256.0));
    return static_cast<std::uint8_t>(std::lround(bin * 255.0 / (levels - 1)));
}

// c + (c − mean of the 3 × 3 neighbourhood), edges repeated, rounded half up.
Image unsharpReference(const Image& page, const TsPiRect& area) {
    Image out = page;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            for (int c = 0; c < page.channels; ++c) {
                double sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += page.at(std::clamp(x + dx, 0, page.width - 1),
                                       std::clamp(y + dy, 0, page.height - 1), c);
                const double value = std::floor(2.0 * page.at(x, y, c) - sum / 9.0 + 0.5);
                out.at(x, y, c) = static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
            }
    return out;
}

TEST(PosterizeTable, MatchesTheFormulaForEveryLevelCount) {
    for (int levels = modules::PosterizeTable::kMinLevels;
         levels <= modules::PosterizeTable::kMaxLevels; ++levels) {
        const modules::PosterizeTable table(levels);
        for (int v = 0; v < 256; ++v)
            ASSERT_EQ(table[static_cast<std::uint8_t>(v)], posterized(v, levels))
                << levels << " " << v;
    }
    EXPECT_EQ(modules::PosterizeTable(1).levels(), 2);
    EXPECT_EQ(modules::PosterizeTable(1000).levels(), 255);
}

TEST(UnsharpKernel, RoundsHalfUpAndClamps) {
    for (int centre = 0; centre < 256; centre += 5)
        for (int sum = 0; sum <= 9 * 255; sum += 7)
            ASSERT_EQ(modules::UnsharpKernel::sharpen(centre, sum),
                      std::clamp(std::floor(2.0 * centre - sum / 9.0 + 0.5), 0.0, 255.0))
                << centre << " " << sum;
}

class FilterModule : public ::testing::Test {
protected:
    HostProcedures m_host;
};

TEST_F(FilterModule, PosterizeTakesTheWholeRectangleAtOnce) {
    LoadedModule module("Posterize.8bf");
    ASSERT_TRUE(module.loaded()) << module.error();
    for (int channels : {1, 3}) {
        SCOPED_TRACE(channels);
        const Image page = noiseImage(60, 90, channels, 10);
        const TsPiRect area{10, 5, 80, 41};
        TsPiHandle parameters = nullptr;
        ScopedEnvironment levels("TESSARY_POSTERIZE_LEVELS", "3");
        const FilterRunResult run =
            runFilter(module, page, area, 1 << 30, true, m_host, &parameters);
        ASSERT_EQ(run.result, 0);
        ASSERT_EQ(run.outputRequests.size(), 1u);
        EXPECT_TRUE(run.inputRequests.empty());
        EXPECT_EQ(run.outputRequests[0].top, area.top);
        EXPECT_EQ(run.outputRequests[0].bottom, area.bottom);
        Image expected = page;
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x)
                for (int c = 0; c < channels; ++c)
                    if (inside(area, x, y)) expected.at(x, y, c) = posterized(page.at(x, y, c), 3);
        expectSameImage(run.page, expected, "posterize");
        ASSERT_NE(parameters, nullptr);  // the levels are kept for Last Filter

        // Last Filter: no Parameters call, the saved levels are used even
        // when the environment now says otherwise.
        ScopedEnvironment other("TESSARY_POSTERIZE_LEVELS", "9");
        const FilterRunResult again =
            runFilter(module, page, area, 1 << 30, false, m_host, &parameters);
        ASSERT_EQ(again.result, 0);
        expectSameImage(again.page, expected, "posterize-again");
        HostProcedures::handleSuite()->disposeProc(parameters);
    }
}

TEST_F(FilterModule, PosterizeWorksInBandsWhenMemoryIsShort) {
    LoadedModule module("Posterize.8bf");
    ASSERT_TRUE(module.loaded()) << module.error();
    const Image page = noiseImage(50, 40, 3, 11);
    const TsPiRect area{0, 0, 40, 50};
    TsPiHandle parameters = nullptr;
    const FilterRunResult run =
        runFilter(module, page, area, 2 * 150 * 16, true, m_host, &parameters);
    ASSERT_EQ(run.result, 0);
    EXPECT_EQ(run.outputRequests.size(), 3u);  // 16 rows of 150 bytes at a time
    Image expected = page;
    for (std::uint8_t& v : expected.pixels)
        v = posterized(v, modules::PosterizeTable::kDefaultLevels);
    expectSameImage(run.page, expected, "posterize-bands");
    HostProcedures::handleSuite()->disposeProc(parameters);
}

TEST_F(FilterModule, UnsharpWorksBandByBandWithContextRows) {
    LoadedModule module("Unsharp.8bf");
    ASSERT_TRUE(module.loaded()) << module.error();
    struct Case {
        int channels;
        TsPiRect area;
    };
    for (const Case& c : {Case{1, {0, 0, 150, 33}}, Case{3, {0, 0, 150, 33}},
                          Case{3, {7, 3, 140, 30}}, Case{1, {149, 32, 150, 33}}}) {
        SCOPED_TRACE(std::to_string(c.channels) + " planes, from row " +
                     std::to_string(c.area.top));
        const Image page = noiseImage(33, 150, c.channels, 12);
        TsPiHandle parameters = nullptr;
        m_host.progress.clear();
        const FilterRunResult run =
            runFilter(module, page, c.area, 1 << 30, true, m_host, &parameters);
        ASSERT_EQ(run.result, 0);
        expectSameImage(run.page, unsharpReference(page, c.area), "unsharp");
        // Bands of 64 rows with one row and column of context, cut to the page.
        const int rows = c.area.bottom - c.area.top;
        ASSERT_EQ(run.outputRequests.size(), static_cast<std::size_t>((rows + 63) / 64));
        for (std::size_t i = 0; i < run.outputRequests.size(); ++i) {
            const TsPiRect& out = run.outputRequests[i];
            const TsPiRect& in = run.inputRequests[i];
            EXPECT_EQ(out.top, c.area.top + 64 * static_cast<int>(i));
            EXPECT_EQ(in.top, std::max(out.top - 1, 0));
            EXPECT_EQ(in.bottom, std::min(out.bottom + 1, 150));
            EXPECT_EQ(in.left, std::max(c.area.left - 1, 0));
            EXPECT_EQ(in.right, std::min(c.area.right + 1, 33));
        }
        ASSERT_EQ(m_host.progress.size(), run.outputRequests.size());
        EXPECT_EQ(m_host.progress.back(), std::make_pair(rows, rows));
        EXPECT_EQ(m_host.buffersLive, 0);  // the scratch buffer went back to the host
    }
    EXPECT_GT(m_host.buffersAllocated, 0);
}

TEST_F(FilterModule, UnsharpHonoursTheAbortProcedure) {
    LoadedModule module("Unsharp.8bf");
    ASSERT_TRUE(module.loaded()) << module.error();
    const Image page = noiseImage(20, 300, 1, 13);
    m_host.abortAfter = 2;  // the third band is cancelled
    TsPiHandle parameters = nullptr;
    const FilterRunResult run =
        runFilter(module, page, TsPiRect{0, 0, 300, 20}, 1 << 30, true, m_host, &parameters);
    EXPECT_EQ(run.result, TSPI_ERR_USER_CANCELED);
    EXPECT_EQ(run.outputRequests.size(), 3u);
    EXPECT_EQ(m_host.buffersLive, 0);
}

TEST_F(FilterModule, RefusesOtherImageModesAndAsksNothingForAnEmptyArea) {
    for (const char* name : {"Posterize.8bf", "Unsharp.8bf"}) {
        LoadedModule module(name);
        ASSERT_TRUE(module.loaded()) << module.error();
        TsPiFilterBlock block{};
        block.imageMode = TSPI_MODE_CMYK;
        block.planes = 4;
        block.filterRect = TsPiRect{0, 0, 10, 10};
        block.imageSize = TsPiPoint{10, 10};
        EXPECT_EQ(module.call(TSPI_FILTER_START, &block), TSPI_ERR_FILTER_BAD_MODE);
        const Image page = noiseImage(4, 4, 3, 1);
        TsPiHandle parameters = nullptr;
        const FilterRunResult run =
            runFilter(module, page, TsPiRect{2, 2, 2, 2}, 1 << 30, false, m_host, &parameters);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.outputRequests.empty());
        EXPECT_EQ(run.page, page);
    }
}

}  // namespace
}  // namespace tessary::test
