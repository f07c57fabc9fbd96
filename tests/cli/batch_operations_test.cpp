// The batch operations against the engine: each family gives exactly what
// the engine's command function gives when called directly, or what a small
// reference routine written from the operation's definition gives.

#include "cli/batch_operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>

#include "cli/batch_engine.h"
#include "cli/batch_test_support.h"
#include "effects/framework/c_vector_3d.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/geometry/canvas_resolution.h"
#include "effects/geometry/crop.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/noise_generator.h"
#include "effects/shadow/drop_shadow.h"
#include "effects/shadow/extrude.h"
#include "effects/tonal/auto_tone.h"
#include "effects/tonal/tonal_commands.h"
#include "effects/tonal/type_conversion.h"
#include "model/page_data.h"

namespace tessary::test {
namespace {

class BatchOperationsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<TempDir>();
        installModules(s_folder->path());
        s_engine = std::make_unique<BatchEngine>(s_folder->path());
        std::string error;
        ASSERT_TRUE(s_engine->start(error)) << error;
    }
    static void TearDownTestSuite() {
        s_engine.reset();
        s_folder.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(s_engine && s_engine->started());
        s_engine->setOpacity(255);
        s_engine->setForeground(0x000000);
        s_engine->setBackground(0xFFFFFF);
    }

    std::unique_ptr<Page> newPage(std::int32_t type, std::int32_t w, std::int32_t h,
                                  std::uint32_t seed = 7) {
        auto page = std::make_unique<Page>(s_engine->environment());
        fillPage(*page, type, w, h, seed);
        return page;
    }

    // Parses `text` as the command line would and runs it on `page`.
    static BatchOutcome apply(Page& page, const std::string& text) {
        std::string error;
        const auto options = parseBatchArguments({"in.bmp", text, "-o", "out.bmp"}, error);
        EXPECT_TRUE(options) << error;
        if (!options) return {false, kErrGeneral, error};
        const auto command = prepareBatchCommand(options->steps.at(0), error);
        EXPECT_TRUE(command) << text << ": " << error;
        if (!command) return {false, kErrGeneral, error};
        return runBatchCommand(*s_engine, page, *command);
    }

    // The dialog's OK: the effect in a change of its own over the standard
    // target's rectangle, undo kind 6.
    static ErrorCode directDialog(Page& page,
                                  ErrorCode (*effect)(Page&, const Rect&, const CVector3D&, bool,
                                                      const EffectContext&),
                                  CVector3D value) {
        EXPECT_TRUE(page.pageData()->beginChange());
        const Rect rect = standardTarget(page).rect;
        const ErrorCode code = effect(page, rect, value, true, s_engine->effectContext());
        EXPECT_EQ(code, kErrNone);
        EXPECT_TRUE(page.saveState(kUndoKindFilter, 0, rect));
        page.pageData()->endChange();
        return code;
    }

    // Runs `text` through the batch on one copy and `direct` on another of
    // the same generated page (optionally with a rectangle selected first),
    // and expects identical results.
    void expectSame(std::int32_t type, const std::string& text,
                    const std::function<void(Page&)>& direct, const Rect* selection = nullptr) {
        auto viaBatch = newPage(type, 45, 37);
        auto viaEngine = newPage(type, 45, 37);
        if (selection != nullptr) {
            ASSERT_EQ(selectRectangle(*viaBatch, *selection), kErrNone);
            ASSERT_EQ(selectRectangle(*viaEngine, *selection), kErrNone);
        }
        processNoiseGenerator().setState(NoiseGenerator::kFirstState);
        const BatchOutcome outcome = apply(*viaBatch, text);
        ASSERT_TRUE(outcome.ok) << text << ": " << outcome.message;
        processNoiseGenerator().setState(NoiseGenerator::kFirstState);
        direct(*viaEngine);
        EXPECT_EQ(pageDifference(*viaBatch, *viaEngine), "")
            << text << (type == Page::kTypeGrey ? " (grey)" : " (RGB)")
            << (selection ? " with selection" : "");
        EXPECT_EQ(viaBatch->undoKind(), viaEngine->undoKind()) << text;
    }

    static std::unique_ptr<TempDir> s_folder;
    static std::unique_ptr<BatchEngine> s_engine;
};

std::unique_ptr<TempDir> BatchOperationsTest::s_folder;
std::unique_ptr<BatchEngine> BatchOperationsTest::s_engine;

const Rect kSelection{5, 4, 31, 29};

TEST_F(BatchOperationsTest, MenuEffectsMatchTheirCommandFunctions) {
    using Command = ErrorCode (*)(Page&, const EffectContext&);
    const std::pair<const char*, Command> cases[] = {
        {"invert", &invertCommand},
        {"ntsc", &ntscVideoSafeCommand},
        {"scratch-removal", &scratchRemovalCommand},
        {"red-eye", &redEyeRemovalCommand},
        {"auto-contrast", &autoContrastCommand},
        {"auto-enhance", &autoEnhanceCommand},
    };
    for (const auto& [text, command] : cases) {
        for (std::int32_t type : {Page::kTypeRgb, Page::kTypeGrey}) {
            for (const Rect* selection : {static_cast<const Rect*>(nullptr), &kSelection}) {
                expectSame(
                    type, text,
                    [&, command = command](Page& page) {
                        EXPECT_EQ(command(page, s_engine->effectContext()), kErrNone);
                    },
                    selection);
            }
        }
    }
}

TEST_F(BatchOperationsTest, DialogEffectsMatchTheirDialogsOk) {
    struct Case {
        const char* text;
        ErrorCode (*effect)(Page&, const Rect&, const CVector3D&, bool, const EffectContext&);
        CVector3D value;  // x, y, z
        bool rgbOnly;
    };
    const Case cases[] = {
        {"brightness-contrast=20,-30", &brightnessContrastCommand, {20, -30, 0}, false},
        {"brightness-contrast=-40,60", &brightnessContrastCommand, {-40, 60, 0}, false},
        {"color-variations=10,-20,30", &colorVariationsCommand, {10, -20, 30}, true},
        {"blur-sharpen=-2", &blurSharpenCommand, {-2, 0, 0}, false},
        {"blur-sharpen=3", &blurSharpenCommand, {3, 0, 0}, false},
        {"despeckle=2", &despeckleCommand, {2, 0, 0}, false},
        {"noise=-5", &noiseCommand, {-5, 0, 0}, false},
        {"noise=7", &noiseCommand, {7, 0, 0}, false},
    };
    for (const Case& c : cases) {
        for (std::int32_t type : {Page::kTypeRgb, Page::kTypeGrey}) {
            if (c.rgbOnly && type == Page::kTypeGrey) continue;
            for (const Rect* selection : {static_cast<const Rect*>(nullptr), &kSelection}) {
                expectSame(
                    type, c.text, [&](Page& page) { directDialog(page, c.effect, c.value); },
                    selection);
            }
        }
    }
}

TEST_F(BatchOperationsTest, OpacityAndColoursReachTheCommands) {
    s_engine->setOpacity(128);
    expectSame(Page::kTypeRgb, "invert", [](Page& page) {
        EXPECT_EQ(invertCommand(page, s_engine->effectContext()), kErrNone);
    });
    expectSame(Page::kTypeRgb, "blur-sharpen=-1", [](Page& page) {
        directDialog(page, &blurSharpenCommand, {-1, 0, 0});
    });
    // The blend at opacity 128 against a reference: T[127][old] + T[128][new].
    auto page = newPage(Page::kTypeGrey, 20, 9);
    const auto before = readPlane(*page, 0);
    ASSERT_TRUE(apply(*page, "invert").ok);
    const auto after = readPlane(*page, 0);
    const auto table = [](int a, int b) {
        if (a < 128) return a * b / 255;
        const int c = 255 - a;
        return b - c * b / 255;
    };
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_EQ(after[i], table(127, before[i]) + table(128, 255 - before[i])) << i;
}

TEST_F(BatchOperationsTest, DeInterlaceMatchesItsCommandForEveryChoice) {
    for (bool odd : {true, false}) {
        for (bool interpolate : {true, false}) {
            const std::string text = std::string("de-interlace=") + (odd ? "odd" : "even") + "," +
                                     (interpolate ? "interpolate" : "duplicate");
            expectSame(Page::kTypeRgb, text, [&](Page& page) {
                DeInterlaceChoice choice;
                choice.replaceOddFields = odd;
                choice.interpolate = interpolate;
                EXPECT_EQ(deInterlaceCommand(page, choice, s_engine->effectContext()), kErrNone);
            });
        }
    }
}

TEST_F(BatchOperationsTest, InvertBoxBlurAndMaskedInvertAgreeWithReferences) {
    auto page = newPage(Page::kTypeGrey, 23, 17, 3);
    const auto source = readPlane(*page, 0);
    ASSERT_TRUE(apply(*page, "invert").ok);
    const auto inverted = readPlane(*page, 0);
    for (std::size_t i = 0; i < source.size(); ++i) ASSERT_EQ(inverted[i], 255 - source[i]);
    EXPECT_EQ(page->undoKind(), kUndoKindFilter);

    // 3 x 3 box mean with edge replication, truncated.
    ASSERT_TRUE(apply(*page, "blur-sharpen=-1").ok);
    const auto blurred = readPlane(*page, 0);
    const int w = 23, h = 17;
    const auto at = [&](int x, int y) {
        x = std::clamp(x, 0, w - 1);
        y = std::clamp(y, 0, h - 1);
        return int(inverted[std::size_t(y) * w + x]);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) sum += at(x + dx, y + dy);
            ASSERT_EQ(blurred[std::size_t(y) * w + x], sum / 9) << x << "," << y;
        }
    }
    // A batch keeps no undo states.
    EXPECT_EQ(page->pageData()->undoCount(), 0);

    // With a rectangle selected, the filter leaves the rest alone.
    ASSERT_TRUE(apply(*page, "select-rect=5,4,15,12").ok);
    ASSERT_TRUE(apply(*page, "invert").ok);
    const auto masked = readPlane(*page, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 4 && y < 12;
            const int before = blurred[std::size_t(y) * w + x];
            ASSERT_EQ(masked[std::size_t(y) * w + x], inside ? 255 - before : before)
                << x << "," << y;
        }
    }
}

TEST_F(BatchOperationsTest, TypeConversionsMatchTheEngine) {
    expectSame(Page::kTypeRgb, "grayscale",
               [](Page& page) { EXPECT_EQ(convertPageType(page, Page::kTypeGrey), kErrNone); });
    expectSame(Page::kTypeGrey, "rgb",
               [](Page& page) { EXPECT_EQ(convertPageType(page, Page::kTypeRgb), kErrNone); });
    auto page = newPage(Page::kTypeGrey, 8, 8);
    const auto grey = readPlane(*page, 0);
    ASSERT_TRUE(apply(*page, "rgb").ok);
    EXPECT_EQ(page->type(), Page::kTypeRgb);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(readPlane(*page, p), grey) << p;
}

TEST_F(BatchOperationsTest, FlipsAndTurnsMatchTheEngineAndReferences) {
    const std::pair<const char*, int> cases[] = {
        {"flip-horizontal", kFlipHorizontal},
        {"flip-vertical", kFlipVertical},
        {"rotate-180", kHalfTurn},
        {"rotate-270", kQuarterTurnCounterClockwise},
        {"rotate-90", kQuarterTurnClockwise},
        {"flip-rotate=5", kQuarterTurnClockwise},
    };
    for (const auto& [text, code] : cases) {
        for (const Rect* selection : {static_cast<const Rect*>(nullptr), &kSelection}) {
            expectSame(
                Page::kTypeRgb, text,
                [code = code](Page& page) { EXPECT_EQ(flipRotate(page, code, nullptr), kErrNone); },
                selection);
        }
    }
    // References: mirror and clockwise quarter turn of a 5 x 3 grey image.
    auto page = newPage(Page::kTypeGrey, 5, 3, 11);
    const auto s = readPlane(*page, 0);
    ASSERT_TRUE(apply(*page, "flip-horizontal").ok);
    const auto m = readPlane(*page, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(m[y * 5 + x], s[y * 5 + (4 - x)]);
    ASSERT_TRUE(apply(*page, "flip-horizontal").ok);
    ASSERT_TRUE(apply(*page, "rotate-90").ok);
    ASSERT_EQ(page->bounds().width(), 3);
    ASSERT_EQ(page->bounds().height(), 5);
    const auto r = readPlane(*page, 0);
    // Clockwise: the left column, read bottom to top, becomes the top row.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(r[y * 3 + x], s[(2 - x) * 5 + y]) << x << "," << y;
}

TEST_F(BatchOperationsTest, ScaleTakesPixelsAndPercentages) {
    expectSame(Page::kTypeRgb, "scale=20,70",
               [](Page& page) { EXPECT_EQ(scalePage(page, 20, 70, true, nullptr), kErrNone); });
    expectSame(Page::kTypeGrey, "scale=90,74,nearest",
               [](Page& page) { EXPECT_EQ(scalePage(page, 90, 74, false, nullptr), kErrNone); });
    // 45 x 37 at 200 % and 50 %: 90 x 74, then 45 x 37 again.
    expectSame(Page::kTypeRgb, "scale=200%,200%",
               [](Page& page) { EXPECT_EQ(scalePage(page, 90, 74, true, nullptr), kErrNone); });
    auto page = newPage(Page::kTypeGrey, 40, 30);
    ASSERT_TRUE(apply(*page, "scale=50%,50%").ok);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 20, 15}));
    ASSERT_TRUE(apply(*page, "scale=100%,10").ok);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 20, 10}));
    ASSERT_TRUE(apply(*page, "scale=1%,1%").ok);  // never below one pixel
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 1, 1}));
}

TEST_F(BatchOperationsTest, CanvasSizeFillsTheNewAreaWithTheBackground) {
    s_engine->setBackground(0x3366CC);  // red 0xCC, green 0x66, blue 0x33
    expectSame(Page::kTypeRgb, "canvas-size=60,50,centre", [](Page& page) {
        EXPECT_EQ(changeCanvasSize(page, 60, 50, CanvasAnchor::kCentre, 0x3366CC, nullptr),
                  kErrNone);
    });
    auto page = newPage(Page::kTypeRgb, 10, 6);
    const auto red = readPlane(*page, 0);
    ASSERT_TRUE(apply(*page, "canvas-size=14,8,bottom-right").ok);
    ASSERT_EQ(page->bounds(), (Rect{0, 0, 14, 8}));
    const std::uint8_t expected[3] = {0xCC, 0x66, 0x33};
    for (int p = 0; p < 3; ++p) {
        const auto plane = readPlane(*page, p);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 14; ++x) {
                const bool old = x >= 4 && y >= 2;
                if (old) {
                    if (p == 0) {
                        EXPECT_EQ(plane[y * 14 + x], red[(y - 2) * 10 + (x - 4)]);
                    }
                } else {
                    EXPECT_EQ(plane[y * 14 + x], expected[p]) << p << ":" << x << "," << y;
                }
            }
        }
    }
}

TEST_F(BatchOperationsTest, ResolutionTakesOneOrTwoValues) {
    auto page = newPage(Page::kTypeGrey, 10, 10);
    ASSERT_TRUE(apply(*page, "resolution=300,150.5").ok);
    EXPECT_DOUBLE_EQ(page->horizontalResolution(), 300.0);
    EXPECT_DOUBLE_EQ(page->verticalResolution(), 150.5);
    ASSERT_TRUE(apply(*page, "resolution=96").ok);
    EXPECT_DOUBLE_EQ(page->verticalResolution(), 96.0);
    EXPECT_DOUBLE_EQ(page->horizontalResolution(), 96.0);
}

TEST_F(BatchOperationsTest, RectangleSelectionMakesTheMaskAndCropUsesIt) {
    auto page = newPage(Page::kTypeRgb, 30, 20);
    const auto green = readPlane(*page, 1);
    ASSERT_TRUE(apply(*page, "select-rect=-5,3,12,40").ok);
    ASSERT_TRUE(page->hasMask());
    EXPECT_EQ(page->selectionRect(), (Rect{0, 3, 12, 20}));
    const auto mask = readPlane(*page, page->maskPlane());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(mask[y * 30 + x], (x < 12 && y >= 3) ? 255 : 0) << x << "," << y;
    EXPECT_EQ(page->undoKind(), 5u);

    ASSERT_TRUE(apply(*page, "crop").ok);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 12, 17}));
    EXPECT_FALSE(page->hasMask());
    const auto cropped = readPlane(*page, 1);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(cropped[y * 12 + x], green[(y + 3) * 30 + x]);

    // A rectangle outside the image selects nothing; select-none drops a mask.
    ASSERT_TRUE(apply(*page, "select-rect=100,100,120,120").ok);
    EXPECT_FALSE(page->hasMask());
    ASSERT_TRUE(apply(*page, "select-all").ok);
    EXPECT_TRUE(page->hasMask());
    ASSERT_TRUE(apply(*page, "select-inverse").ok);
    ASSERT_TRUE(apply(*page, "select-none").ok);
    EXPECT_FALSE(page->hasMask());
}

TEST_F(BatchOperationsTest, EllipseSelectionIsTheInscribedEllipseClippedToTheImage) {
    auto page = newPage(Page::kTypeGrey, 40, 30);
    // A 21 x 15 box whose left part hangs off the image.
    ASSERT_TRUE(apply(*page, "select-ellipse=-6,4,15,19").ok);
    ASSERT_TRUE(page->hasMask());
    EXPECT_EQ(page->undoKind(), 5u);
    const auto mask = readPlane(*page, page->maskPlane());
    // Row by row against the ellipse's own formula: a = 7.5, b = 10.5.
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            int expected = 0;
            if (y >= 4 && y < 19) {
                const double dy = std::abs((y - 4) - 7);
                const int x0 = 10 - static_cast<int>(10.5 * std::sqrt(1 - dy * dy / 56.25));
                const int bx = x + 6;
                expected = bx >= x0 && bx < 21 - x0 ? 255 : 0;
            }
            ASSERT_EQ(mask[y * 40 + x], expected) << x << "," << y;
        }
    }
    EXPECT_EQ(page->selectionRect(), (Rect{0, 4, 15, 19}));

    // Anti-aliased with 3 x 3 subsamples: soft edge pixels in steps of 255 / 9.
    ASSERT_TRUE(apply(*page, "select-ellipse=5,5,35,25,3").ok);
    const auto soft = readPlane(*page, page->maskPlane());
    int partial = 0;
    for (std::uint8_t v : soft) {
        EXPECT_EQ(v, ((v * 9 + 254) / 255) * 255 / 9);
        partial += v > 0 && v < 255;
    }
    EXPECT_GT(partial, 0);
    EXPECT_EQ(soft[15 * 40 + 20], 255);
    EXPECT_EQ(soft[5 * 40 + 5], 0);
}

TEST_F(BatchOperationsTest, ShadowAndExtrudeMatchTheEngine) {
    s_engine->setForeground(0x102030);
    expectSame(
        Page::kTypeRgb, "drop-shadow=4,-3,2,70",
        [](Page& page) {
            DropShadowRequest request;
            request.colour = 0x102030;
            request.horizontalOffset = 4;
            request.verticalOffset = -3;
            request.feather = 2;
            request.opacity = dropShadowOpacity(70);
            Rect painted;
            EXPECT_EQ(dropShadow(page, request, painted, nullptr), kErrNone);
        },
        &kSelection);
    for (const char* mode : {"fill", "select"}) {
        expectSame(
            Page::kTypeGrey, std::string("extrude=3,5,") + mode,
            [&](Page& page) {
                ExtrudeRequest request;
                request.colour = 0x102030;
                extrudeOffset(3, 5, request.dx, request.dy);
                request.select = std::string(mode) == "select";
                Rect affected;
                EXPECT_EQ(extrude(page, request, affected, nullptr), kErrNone);
            },
            &kSelection);
    }
}

// Posterize to `levels` levels written from its definition: the bin of v
// among `levels` equal bins, spread evenly over 0 ... 255 and rounded.
std::uint8_t posterizeReference(std::uint8_t v, int levels) {
    const int bin = v * levels / 256;
    return static_cast<std::uint8_t>(std::lround(bin * 255.0 / (levels - 1)));
}

// The module by its name in any case; its levels from the step, or without
// them in the step from its own setting (an environment variable).
TEST_F(BatchOperationsTest, PosterizeRunsByNameWithTheLevelsOfTheStep) {
    const std::tuple<std::string, int, const char*> cases[] = {
        {"plugin=\"posterize\"", 2, "2"},
        {"plugin=Posterize,levels=2", 2, nullptr},
        {"plugin=Posterize,levels=4", 4, nullptr},
        {"plugin=Posterize,levels=7", 7, nullptr},
    };
    for (const auto& [step, levels, setting] : cases) {
        auto page = newPage(Page::kTypeRgb, 29, 17, static_cast<std::uint32_t>(levels));
        std::vector<std::vector<std::uint8_t>> before;
        for (int p = 0; p < 3; ++p) before.push_back(readPlane(*page, p));
        if (setting != nullptr) ::setenv("TESSARY_POSTERIZE_LEVELS", setting, 1);
        const BatchOutcome outcome = apply(*page, step);
        ::unsetenv("TESSARY_POSTERIZE_LEVELS");
        ASSERT_TRUE(outcome.ok) << step << ": " << outcome.message;
        for (int p = 0; p < 3; ++p) {
            const auto after = readPlane(*page, p);
            for (std::size_t i = 0; i < after.size(); ++i)
                ASSERT_EQ(after[i], posterizeReference(before[p][i], levels))
                    << step << " plane " << p << " sample " << i;
        }
        EXPECT_EQ(page->undoKind(), kUndoKindFilter) << step;
        EXPECT_EQ(page->pageData()->undoCount(), 0) << step;  // no history in a batch
        EXPECT_NE(s_engine->lastFilter(), nullptr) << step;
    }
    auto page = newPage(Page::kTypeRgb, 12, 9);
    const BatchOutcome missing = apply(*page, "plugin=No Such Filter");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("No Such Filter"), std::string::npos) << missing.message;
}

// Answers a module did not ask for or cannot take, and failures of the
// engine, fail the step with a message naming them.
TEST_F(BatchOperationsTest, StepsThatCannotRunFailWithTheirMessage) {
    struct Case {
        std::string step;
        const char* messagePart;
    };
    const Case cases[] = {
        {"plugin=Posterize,levels=1", "from 2 to 255"},
        {"plugin=Posterize,levels=256", "from 2 to 255"},
        {"plugin=Posterize,lvls=3", "lvls"},
        {"plugin=Posterize,levels=3,depth=2", "depth"},
        {"export=Web JPEG," + (s_folder->path() / "unused.jpg").string() + ",levels=3", "levels"},
        {"color-variations=1,2,3", "RGB-Millions"},  // the engine's message: RGB only
    };
    for (const Case& c : cases) {
        auto page = newPage(Page::kTypeGrey, 12, 9);
        const BatchOutcome outcome = apply(*page, c.step);
        EXPECT_FALSE(outcome.ok) << c.step;
        EXPECT_NE(outcome.message.find(c.messagePart), std::string::npos)
            << c.step << ": " << outcome.message;
    }
    // A rejected answer leaves the image and its history alone.
    auto page = newPage(Page::kTypeGrey, 12, 9);
    const auto before = readPlane(*page, 0);
    EXPECT_FALSE(apply(*page, "plugin=Posterize,levels=1").ok);
    EXPECT_EQ(readPlane(*page, 0), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
}

TEST_F(BatchOperationsTest, ExportAndImportTakeTheirFilesFromTheStep) {
    auto page = newPage(Page::kTypeRgb, 64, 48);
    const std::vector<std::uint8_t> red = readPlane(*page, 0);
    const std::filesystem::path jpeg = s_folder->path() / "small.jpg";
    const BatchOutcome exported = apply(*page, "export=\"web jpeg\"," + jpeg.string() + ",limit=3");
    ASSERT_TRUE(exported.ok) << exported.message;
    ASSERT_TRUE(std::filesystem::exists(jpeg));
    EXPECT_LE(std::filesystem::file_size(jpeg), 3u * 1024);
    EXPECT_EQ(readPlane(*page, 0), red);  // exporting changes nothing
    EXPECT_EQ(page->pageData()->undoCount(), 0);

    // A two-page TIFF written by the format module; the import's first page
    // replaces the image.
    const std::filesystem::path tiff = s_folder->path() / "pages.tif";
    ASSERT_EQ(s_engine->files().save(*page, tiff), PageFileError::None);
    std::unique_ptr<Page> current = newPage(Page::kTypeGrey, 5, 5);
    std::string error;
    const auto options =
        parseBatchArguments({"import=TIFF Pages," + tiff.string(), "-o", "out.bmp"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->input.empty());
    const auto command = prepareBatchCommand(options->steps.at(0), error);
    ASSERT_TRUE(command) << error;
    const BatchOutcome imported = runBatchStep(*s_engine, current, *command);
    ASSERT_TRUE(imported.ok) << imported.message;
    ASSERT_TRUE(current);
    EXPECT_EQ(current->bounds(), (Rect{0, 0, 64, 48}));
    EXPECT_EQ(current->type(), Page::kTypeRgb);
    EXPECT_EQ(readPlane(*current, 0), red);

    std::unique_ptr<Page> none;
    const auto missing = parseBatchArguments(
        {"import=TIFF Pages," + (s_folder->path() / "none.tif").string(), "-o", "o.bmp"}, error);
    ASSERT_TRUE(missing) << error;
    EXPECT_FALSE(
        runBatchStep(*s_engine, none, *prepareBatchCommand(missing->steps.at(0), error)).ok);
    EXPECT_FALSE(none);
}

TEST(BatchCommandCheck, RejectsUnknownNamesAndBadParameters) {
    const char* bad[] = {
        "sharpen",
        "invert=3",
        "blur-sharpen=17",
        "blur-sharpen=x",
        "blur-sharpen",
        "despeckle=0",
        "noise=1,2",
        "brightness-contrast=5",
        "scale=0,10",
        "scale=50%",
        "scale=-5%,10",
        "scale=10,10,cubic",
        "canvas-size=10,10,middle",
        "resolution=0",
        "resolution=abc",
        "select-rect=5,5,2,2",
        "select-ellipse=5,5,35,25,17",
        "select-ellipse=5,5",
        "de-interlace=odd",
        "de-interlace=odd,blend",
        "extrude=8,3",
        "drop-shadow=1,1,17,50",
        "flip-rotate=6",
        "plugin=",
        "plugin=Posterize,levels",
        "plugin=Posterize,levels=x",
        "plugin=Posterize,=3",
        "plugin=Posterize,levels=2,levels=3",
        "import=TIFF Pages",
        "import=,pages.tif",
        "export=Web JPEG,",
        "export",
        "color-variations=300,0,0",
    };
    for (const char* text : bad) {
        BatchStep step;
        step.text = text;
        const std::string s(text);
        const auto equals = s.find('=');
        step.name = s.substr(0, equals);
        step.hasArgument = equals != std::string::npos;
        if (step.hasArgument) step.argument = s.substr(equals + 1);
        std::string error;
        EXPECT_FALSE(prepareBatchCommand(step, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(BatchCommandCheck, EveryListedOperationIsKnown) {
    for (const BatchOperationInfo& info : batchOperationTable()) {
        BatchStep step;
        step.name = std::string(info.name);
        step.text = step.name;
        std::string error;
        const bool takesNoParameters = info.form == info.name;
        const auto command = prepareBatchCommand(step, error);
        EXPECT_EQ(bool(command), takesNoParameters) << info.name << ": " << error;
        if (!takesNoParameters) {
            EXPECT_EQ(error.find("unknown operation"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tessary::test
