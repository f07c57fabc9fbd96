// Blur & Sharpen, Despeckle and spike removal run on the tiled worker, which
// lays each kernel result over the state before the change with the global
// opacity and then through the selection mask. The full-strength result of
// every filter is checked against its formula in the filter's own test; here
// it is the starting point of the blends, which are written out from their
// definitions.

#include "effects/framework/tiled_worker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/effects/effects_test_support.h"
#include "effects/neighbourhood/neighbourhood_commands.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

using DialogCommand = ErrorCode (*)(Page&, const Rect&, const CVector3D&, bool,
                                    const EffectContext&);

// Runs a dialog command over `rect` in a change of its own.
void runCommand(DialogCommand command, std::int32_t x, Page& page, const Rect& rect,
                const EffectContext& context) {
    ASSERT_TRUE(page.pageData()->beginChange());
    ASSERT_EQ(command(page, rect, CVector3D{x, 0, 0}, true, context), kErrNone);
    page.pageData()->endChange();
}

TEST(TiledWorker, OpacityAndMaskBlendTheKernelResultOverTheOriginal) {
    struct Case {
        const char* name;
        DialogCommand command;
        std::int32_t x;
    } cases[] = {
        {"blur", blurSharpenCommand, -2},
        {"despeckle", despeckleCommand, 2},
        {"spike_removal", noiseCommand, -12},
    };
    // Whole tiles and partial ones; the selection cuts through tiles.
    constexpr std::int32_t kW = 300, kH = 170;
    const Rect whole{0, 0, kW, kH};
    const Rect selection{37, 20, 290, 160};
    constexpr int kOpacity = 100;
    const Plane original[3] = {test::patternPlane(kW, kH, 81), test::patternPlane(kW, kH, 82),
                               test::patternPlane(kW, kH, 83)};
    Plane mask = test::patternPlane(kW, kH, 84);
    for (std::int32_t y = 0; y < kH; ++y) {
        for (std::int32_t x = 0; x < kW; ++x) {
            if (x < selection.left || x >= selection.right || y < selection.top ||
                y >= selection.bottom)
                mask[static_cast<std::size_t>(y) * kW + x] = 0;
        }
    }
    EffectsRig rig(1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The kernel's result at full strength over the whole image.
        rig.context.opacity = 255;
        auto full = rig.makePage(Page::kTypeRgb, kW, kH, {original[0], original[1], original[2]});
        runCommand(c.command, c.x, *full, whole, rig.context);

        rig.context.opacity = kOpacity;
        auto plain = rig.makePage(Page::kTypeRgb, kW, kH, {original[0], original[1], original[2]});
        runCommand(c.command, c.x, *plain, whole, rig.context);
        auto masked = rig.makePage(Page::kTypeRgb, kW, kH,
                                   {original[0], original[1], original[2], mask}, selection);
        runCommand(c.command, c.x, *masked, selection, rig.context);

        for (int p = 0; p < 3; ++p) {
            const Plane filtered = EffectsRig::read(*full, p);
            ASSERT_NE(filtered, original[p]) << "the filter must change the picture";
            Plane atOpacity(filtered.size()), throughMask(filtered.size());
            for (std::size_t i = 0; i < filtered.size(); ++i) {
                atOpacity[i] = test::opacityMix(kOpacity, original[p][i], filtered[i]);
                throughMask[i] = test::maskMix(mask[i], original[p][i], atOpacity[i]);
            }
            const std::string name = std::string(c.name) + "_" + std::to_string(p);
            EXPECT_TRUE(
                test::samePlane(EffectsRig::read(*plain, p), atOpacity, kW, name + "_opacity"));
            EXPECT_TRUE(
                test::samePlane(EffectsRig::read(*masked, p), throughMask, kW, name + "_mask"));
        }
    }
}

}  // namespace
}  // namespace tessary
