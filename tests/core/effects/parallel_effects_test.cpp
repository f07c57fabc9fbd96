// Effects give the same samples on every number of worker threads, and a
// cancel with several threads leaves the page as it was.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/image_map.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/despeckle_fltr.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/noise_fltr.h"
#include "effects/shadow/drop_shadow.h"
#include "effects_test_support.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::patternPlane;
using test::Plane;

using Effect = std::function<ErrorCode(Page&, EffectsRig&)>;

ErrorCode runFilter(Page& page, EffectsRig& rig, const Filter& filter) {
    return runEffect(page, filter, standardTarget(page), false, true, rig.context);
}

struct Case {
    const char* name;
    Effect run;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"box9",
         [](Page& p, EffectsRig& r) { return runFilter(p, r, *makeBlurSharpenFilter(-4)); }},
        {"sharpen",
         [](Page& p, EffectsRig& r) { return runFilter(p, r, *makeBlurSharpenFilter(2)); }},
        {"weighted",
         [](Page& p, EffectsRig& r) {
             ConvolutionFltr filter;
             filter.divisor = 16;
             filter.mode = 1;
             filter.offset = 3;
             const int weights[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
             std::copy(weights, weights + 9, filter.weights.begin());
             return runFilter(p, r, filter);
         }},
        {"median", [](Page& p, EffectsRig& r) { return runFilter(p, r, *makeDespeckleFilter(1)); }},
        {"despeckle4",
         [](Page& p, EffectsRig& r) {
             DespeckleFltr filter;
             filter.radius = 4;
             filter.threshold = 20;
             return runFilter(p, r, filter);
         }},
        {"noiseRemove",
         [](Page& p, EffectsRig& r) { return runFilter(p, r, *makeNoiseFilter(-6)); }},
        {"noiseAdd", [](Page& p, EffectsRig& r) { return runFilter(p, r, *makeNoiseFilter(30)); }},
        {"map",
         [](Page& p, EffectsRig& r) {
             ImageMap map(0, 2);
             map.invert(0, 2);
             map.contrast(0, 2, 40);
             return runFilter(p, r, map);
         }},
        {"scale200",
         [](Page& p, EffectsRig& r) {
             return scalePage(p, 2 * p.bounds().width(), 2 * p.bounds().height(), true, &r.factory);
         }},
        {"scale37",
         [](Page& p, EffectsRig& r) {
             return scalePage(p, p.bounds().width() * 37 / 100, p.bounds().height() * 37 / 100,
                              true, &r.factory);
         }},
        {"flip", [](Page& p, EffectsRig& r) { return flipRotate(p, kFlipHorizontal, &r.factory); }},
        {"turn",
         [](Page& p, EffectsRig& r) { return flipRotate(p, kQuarterTurnClockwise, &r.factory); }},
        {"shadow",
         [](Page& p, EffectsRig& r) {
             Rect painted;
             return dropShadow(p, DropShadowRequest{.colour = 0x336699, .feather = 9}, painted,
                               &r.factory);
         }},
    };
    return all;
}

// A page of `width` x `height`: grey without a selection, or RGB with a
// patterned mask under a selection not aligned to tiles.
std::unique_ptr<Page> makeTestPage(EffectsRig& rig, bool rgbMasked, std::int32_t width,
                                   std::int32_t height) {
    std::vector<Plane> planes;
    for (int p = 0; p < (rgbMasked ? 4 : 1); ++p)
        planes.push_back(patternPlane(width, height, static_cast<std::uint32_t>(p + 1)));
    return rig.makePage(rgbMasked ? Page::kTypeRgb : Page::kTypeGrey, width, height, planes,
                        Rect{7, 5, width - 11, height - 3});
}

// Every plane of the page's current state, with its size in front.
std::vector<Plane> snapshot(const Page& page) {
    std::vector<Plane> out{Plane{static_cast<std::uint8_t>(page.bounds().width() & 0xFF),
                                 static_cast<std::uint8_t>(page.bounds().height() & 0xFF)}};
    for (int p = 0; p < page.pageData()->planeCount(); ++p)
        out.push_back(EffectsRig::read(page, p));
    return out;
}

std::vector<Plane> runOn(int threads, const Case& effect, bool rgbMasked, std::int32_t width,
                         std::int32_t height, ErrorCode& code, std::uint32_t slots = 512) {
    EffectsRig rig(slots);
    rig.workers.setThreadCount(threads);
    rig.context.opacity = 200;
    auto page = makeTestPage(rig, rgbMasked, width, height);
    code = effect.run(*page, rig);
    auto out = snapshot(*page);
    const std::uint32_t state = rig.noise.state();
    out.push_back(Plane{static_cast<std::uint8_t>(state), static_cast<std::uint8_t>(state >> 8),
                        static_cast<std::uint8_t>(state >> 16),
                        static_cast<std::uint8_t>(state >> 24)});
    return out;
}

TEST(ParallelEffectsTest, ResultsAreTheSameOnOneTwoAndFourThreads) {
    const struct {
        bool rgbMasked;
        std::int32_t width, height;
    } pages[] = {{false, 300, 200}, {true, 129, 257}, {true, 260, 131},
                 {true, 40, 1100},  {false, 4300, 9}};
    for (const Case& effect : cases()) {
        for (const auto& shape : pages) {
            SCOPED_TRACE(std::string(effect.name) + " " + std::to_string(shape.width) + "x" +
                         std::to_string(shape.height));
            ErrorCode one = -1;
            const auto expected = runOn(1, effect, shape.rgbMasked, shape.width, shape.height, one);
            ASSERT_EQ(one, kErrNone);
            // On the smaller store the tiled filters' threads cannot keep
            // their tiles locked and hand results back to be written.
            for (const std::uint32_t slots : {512u, 200u}) {
                for (const int threads : {2, 4}) {
                    ErrorCode code = -1;
                    const auto actual = runOn(threads, effect, shape.rgbMasked, shape.width,
                                              shape.height, code, slots);
                    EXPECT_EQ(code, kErrNone);
                    EXPECT_TRUE(actual == expected) << threads << " threads, " << slots << " slots";
                }
            }
        }
    }
}

TEST(ParallelEffectsTest, ACancelOnFourThreadsLeavesThePageAsItWas) {
    for (const Case& effect : cases()) {
        SCOPED_TRACE(effect.name);
        std::uint32_t noiseState[2] = {};
        for (const int threads : {1, 4}) {
            EffectsRig rig;
            rig.workers.setThreadCount(threads);
            auto page = makeTestPage(rig, true, 390, 270);
            const auto before = snapshot(*page);
            const int undo = page->pageData()->undoCount();
            rig.factory.log.cancelAtUpdate = 7;
            EXPECT_EQ(effect.run(*page, rig), kErrCancelled);
            EXPECT_TRUE(snapshot(*page) == before);
            EXPECT_EQ(page->pageData()->undoCount(), undo);
            noiseState[threads == 1 ? 0 : 1] = rig.noise.state();
        }
        // The generator moved on by the rows that were done, as on one thread.
        EXPECT_EQ(noiseState[1], noiseState[0]);
    }
}

}  // namespace
}  // namespace tessary
