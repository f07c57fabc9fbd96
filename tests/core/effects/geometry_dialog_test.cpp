#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "app/drop_shadow_prefs.h"
#include "app/extrude_prefs.h"
#include "app/string_table.h"
#include "effects/geometry/canvas_resolution_dialog.h"
#include "effects/geometry/canvas_size_dialog.h"
#include "effects/geometry/geometry_dialog_values.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/scale_dialog.h"
#include "effects/shadow/drop_shadow_dialog.h"
#include "effects/shadow/extrude_dialog.h"

namespace tessary {
namespace {

TEST(GeometryNamesTest, TheProgressTextsAreTheStringTablesOwn) {
    for (const auto& t :
         {geometry_name::kDropShadow, geometry_name::kExtrude, geometry_name::kEffect,
          geometry_name::kRotate, geometry_name::kFlip, geometry_name::kWorking,
          geometry_name::kScale, geometry_name::kFeathering, geometry_name::kCalculating,
          geometry_name::kErasingSelection}) {
        EXPECT_EQ(loadString(t.id), t.text) << t.id;
    }
}

TEST(GeometryDialogValuesTest, SizeTextsAndClamps) {
    EXPECT_EQ(kilobyteSizeText(640, 480, 5), "900.0 K");  // 921,600 bytes
    EXPECT_EQ(kilobyteSizeText(800.9, 800.2, 5), "1875.0 K");
    EXPECT_EQ(kilobyteSizeText(10, 10, 2), "0.0 K");   // 100 bytes: 0.09 K
    EXPECT_EQ(kilobyteSizeText(33, 31, 2), "0.9 K");   // 1,023 bytes
    EXPECT_EQ(kilobyteSizeText(100, 11, 2), "1.0 K");  // 1,100 bytes: 1.07 K
    EXPECT_EQ(kilobyteSizeText(-5, 10, 5), "0.0 K");
    EXPECT_EQ(twoDecimals(2.0), "2.00");
    EXPECT_EQ(twoDecimals(-0.283), "-0.28");
    EXPECT_EQ(clampValue(std::nan(""), 1, 5), 1);
    EXPECT_EQ(clampValue(7, 1, 5), 5);
    EXPECT_EQ(clampValue(-7, -2, 5), -2);
}

TEST(ScaleDialogTest, OpensOnTheOldSizeInTheDefaultUnit) {
    ScaleDialogModel d(640, 480, 72, 5, 2);  // default unit centimetres
    EXPECT_EQ(d.unitIndex(), 3);
    EXPECT_EQ(loadString(ScaleDialogModel::unitStringId(d.unitIndex())), "Centimeters");
    EXPECT_EQ(loadString(ScaleDialogModel::unitStringId(0)), "Percent");
    EXPECT_EQ(loadString(ScaleDialogModel::unitStringId(5)), "Points");
    EXPECT_EQ(ScaleDialogModel::unitStringId(6), -1);
    EXPECT_TRUE(d.keepAspect());
    EXPECT_EQ(d.oldWidthText(), "640.00");
    EXPECT_EQ(d.newWidth(), 640);
    EXPECT_EQ(d.newHeight(), 480);
    // 640 pixels at 72 per inch are 8.888... inches = 22.58 cm.
    EXPECT_EQ(d.shownWidthText(), "22.58");
    EXPECT_EQ(d.imageSizeText(), "900.0 K");
    EXPECT_EQ(ScaleDialogModel(10, 10, 72, 5, 9).unitIndex(), 1);  // pixels
}

TEST(ScaleDialogTest, EditsConvertClampAndKeepTheAspect) {
    ScaleDialogModel d(640, 480, 72, 5, 2);
    d.editWidth(10);  // cm: 10 / 2.54 x 72 = 283.46 pixels
    EXPECT_NEAR(d.newWidth(), 10 / 2.54 * 72, 1e-9);
    EXPECT_NEAR(d.newHeight(), 10 / 2.54 * 72 * 0.75, 1e-9);
    EXPECT_EQ(d.shownHeightText(), "7.50");
    EXPECT_EQ(d.resultWidth(), 283);
    EXPECT_EQ(d.resultHeight(), 212);

    d.setUnitIndex(ScaleDialogModel::kPercent);
    d.editHeight(50);
    EXPECT_DOUBLE_EQ(d.newHeight(), 240);
    EXPECT_DOUBLE_EQ(d.newWidth(), 320);
    EXPECT_EQ(d.shownWidthText(), "50.00");
    EXPECT_EQ(d.imageSizeText(), "225.0 K");

    d.setKeepAspect(false);
    d.editWidth(10);
    EXPECT_DOUBLE_EQ(d.newWidth(), 64);
    EXPECT_DOUBLE_EQ(d.newHeight(), 240);

    d.reset();
    EXPECT_EQ(d.newWidth(), 640);
    EXPECT_EQ(d.newHeight(), 480);
}

TEST(ScaleDialogTest, NeverOffersASizeOutsideOneTo16382Pixels) {
    const double values[] = {-5,
                             0,
                             0.001,
                             0.5,
                             1,
                             99.99,
                             16382,
                             16383,
                             1e9,
                             1e300,
                             -1e300,
                             std::nan(""),
                             std::numeric_limits<double>::infinity()};
    for (int unit = 0; unit < ScaleDialogModel::kUnitCount; ++unit) {
        for (bool keep : {true, false}) {
            // A very wide and a very tall image, so the aspect pushes the
            // other side past both ends.
            for (const auto& [w, h] : {std::pair{20000.0, 3.0}, std::pair{3.0, 20000.0}}) {
                ScaleDialogModel d(w, h, 300, 2, 0);
                d.setUnitIndex(unit);
                d.setKeepAspect(keep);
                for (double v : values) {
                    d.editWidth(v);
                    ASSERT_GE(d.newWidth(), 1.0);
                    ASSERT_LE(d.newWidth(), 16382.0);
                    if (keep) {
                        ASSERT_GE(d.newHeight(), 1.0);
                        ASSERT_LE(d.newHeight(), 16382.0);
                    }
                    d.editHeight(v);
                    ASSERT_GE(d.newHeight(), 1.0);
                    ASSERT_LE(d.newHeight(), 16382.0);
                    if (keep) {
                        ASSERT_GE(d.newWidth(), 1.0);
                        ASSERT_LE(d.newWidth(), 16382.0);
                    }
                }
            }
        }
    }
}

TEST(CanvasSizeDialogTest, ShowsTheUnitAndKeepsTheStartingRatio) {
    CanvasSizeDialogModel d(300, 150, 150, 2, 1);  // inches at 150 per inch
    EXPECT_EQ(d.groupTitle(), "New Dimensions (in inches)");
    EXPECT_EQ(d.currentWidthText(), "2.00 (Inches)");
    EXPECT_EQ(d.currentHeightText(), "1.00 (Inches)");
    d.editWidth(4);
    EXPECT_DOUBLE_EQ(d.newWidth(), 600);
    EXPECT_DOUBLE_EQ(d.newHeight(), 300);
    EXPECT_EQ(d.shownHeightText(), "2.00");
    EXPECT_EQ(d.imageSizeText(), "175.7 K");  // 180,000 bytes
    d.editHeight(1000);                       // 150,000 pixels: clamped, the width too
    EXPECT_EQ(d.newHeight(), 16382);
    EXPECT_EQ(d.newWidth(), 16382);
    d.editWidth(0.001);
    EXPECT_EQ(d.newWidth(), 1);
    EXPECT_EQ(d.newHeight(), 1);
    d.reset();
    EXPECT_EQ(d.resultWidth(), 300);
    EXPECT_EQ(d.resultHeight(), 150);

    CanvasSizeDialogModel pixels(640, 480, 72, 5, 0);
    EXPECT_EQ(pixels.groupTitle(), "New Dimensions (in pixels)");
    EXPECT_EQ(pixels.currentWidthText(), "640.00 (Pixels)");
    pixels.editWidth(100.7);
    EXPECT_EQ(pixels.resultWidth(), 100);
    EXPECT_EQ(pixels.resultHeight(), 75);
    EXPECT_EQ(CanvasSizeDialogModel(1, 1, 72, 5, 4).groupTitle(), "New Dimensions (in points)");
}

TEST(CanvasResolutionDialogTest, ConvertsPerCentimetreClampsAndKeepsTheRatio) {
    CanvasResolutionDialogModel d(72, 144, 2);
    EXPECT_FALSE(d.perInch());
    EXPECT_EQ(d.unitText(), "Pixels / Cm");
    EXPECT_EQ(d.shownHorizontalText(), "28.35");
    EXPECT_EQ(d.shownVerticalText(), "56.69");
    d.editHorizontal(100);  // per cm
    EXPECT_DOUBLE_EQ(d.horizontal(), 254);
    EXPECT_DOUBLE_EQ(d.vertical(), 508);
    d.editHorizontal(5000);
    EXPECT_EQ(d.horizontal(), 8191);
    EXPECT_EQ(d.vertical(), 8191);
    d.editVertical(0.1);
    EXPECT_EQ(d.vertical(), 1);
    EXPECT_EQ(d.horizontal(), 1);
    d.reset();
    EXPECT_EQ(d.horizontal(), 72);
    EXPECT_EQ(d.vertical(), 144);

    CanvasResolutionDialogModel inch(300, 300, 1);
    EXPECT_EQ(inch.unitText(), "Pixels / Inch");
    inch.setKeepAspect(false);
    inch.editVertical(96);
    EXPECT_EQ(inch.vertical(), 96);
    EXPECT_EQ(inch.horizontal(), 300);
}

TEST(DropShadowDialogTest, OffsetsAreClampedToTwentyPixelsInAnyUnit) {
    DropShadowPrefs prefs;
    DropShadowDialogModel d(prefs, 72, 144, 0);
    EXPECT_EQ(d.shownHorizontalOffsetText(), "16.00");
    d.editHorizontalOffset(30);
    EXPECT_EQ(d.shownHorizontalOffsetText(), "20.00");
    d.editVerticalOffset(-5.9);
    EXPECT_EQ(d.verticalOffset(), -5.9);
    d.setUnit(1);  // inches: each axis through its own resolution
    EXPECT_EQ(d.shownHorizontalOffsetText(), "0.28");  // 20 / 72
    EXPECT_EQ(d.shownVerticalOffsetText(), "-0.04");   // -5.9 / 144
    d.editVerticalOffset(-1);                          // -144 pixels
    EXPECT_EQ(d.verticalOffset(), -20);
    d.editVerticalOffset(0.05);  // 7.2 pixels
    EXPECT_DOUBLE_EQ(d.verticalOffset(), 7.2);

    d.setFeather(15);
    EXPECT_EQ(d.feather(), 10);
    d.setFeather(-1);
    EXPECT_EQ(d.feather(), 0);
    d.setIntensity(50);
    const DropShadowRequest r = d.request(0x123456);
    EXPECT_EQ(r.opacity, 127);
    EXPECT_EQ(r.horizontalOffset, 20);
    EXPECT_EQ(r.verticalOffset, 7);
    EXPECT_EQ(r.colour, 0x123456u);

    d.store(prefs);
    EXPECT_EQ(prefs.feather, 0);
    EXPECT_EQ(prefs.intensity, 50);
    EXPECT_EQ(prefs.horizontalOffset, 20);
    EXPECT_EQ(prefs.verticalOffset, 7);
}

TEST(DropShadowDialogTest, ThePreviewObjectShadowAndGrey) {
    DropShadowPrefs prefs;
    prefs.intensity = 50;
    prefs.horizontalOffset = -4;
    prefs.verticalOffset = 6;
    const DropShadowDialogModel d(prefs, 72, 72, 0);
    const auto p = d.preview(Rect{10, 20, 110, 100});
    EXPECT_EQ(p.object, (Rect{35, 40, 85, 80}));
    EXPECT_EQ(p.shadow, (Rect{31, 46, 81, 86}));
    EXPECT_EQ(p.shadowGrey, 127);
    prefs.intensity = 100;
    EXPECT_EQ(DropShadowDialogModel(prefs, 72, 72, 0).preview(Rect{0, 0, 8, 8}).shadowGrey, 0);
    prefs.intensity = 0;
    EXPECT_EQ(DropShadowDialogModel(prefs, 72, 72, 0).preview(Rect{0, 0, 8, 8}).shadowGrey, 255);
}

TEST(ExtrudeDialogTest, ValuesControlsAndRequest) {
    ExtrudePrefs prefs;
    ExtrudeDialogModel d(prefs);
    EXPECT_EQ(d.distance(), 12);
    EXPECT_EQ(d.direction(), 3);
    const ExtrudeRequest r = d.request(0xABCDEF);
    EXPECT_EQ(r.dx, 12);
    EXPECT_EQ(r.dy, 12);
    EXPECT_FALSE(r.select);

    d.setDistance(25);
    EXPECT_EQ(d.distance(), 20);
    d.setDistance(-2);
    EXPECT_EQ(d.distance(), 0);
    const int controls[8] = {1120, 1127, 1126, 1125, 1124, 1123, 1122, 1121};
    for (int dir = 0; dir < 8; ++dir) {
        EXPECT_EQ(ExtrudeDialogModel::directionOfControl(controls[dir]), dir);
        EXPECT_EQ(ExtrudeDialogModel::controlOfDirection(dir), controls[dir]);
    }
    EXPECT_EQ(ExtrudeDialogModel::directionOfControl(1128), -1);
    d.setDirection(6);
    d.setDirection(9);
    EXPECT_EQ(d.direction(), 6);
    d.setDistance(7);
    d.setSelect(true);
    d.store(prefs);
    EXPECT_EQ(prefs.distance, 7);
    EXPECT_EQ(prefs.compassDirection, 6);
    EXPECT_TRUE(prefs.select);
    const ExtrudeRequest left = d.request(0);
    EXPECT_EQ(left.dx, -7);
    EXPECT_EQ(left.dy, 0);
    EXPECT_TRUE(left.select);
}

// Twice the signed area; positive when the corners run clockwise on a screen
// (y pointing down).
std::int64_t doubleArea(const std::vector<ExtrudeDialogModel::Point>& p) {
    std::int64_t a = 0;
    for (std::size_t i = 0; i + 1 < p.size(); ++i)
        a += std::int64_t{p[i].x} * p[i + 1].y - std::int64_t{p[i + 1].x} * p[i].y;
    return a;
}

TEST(ExtrudeDialogTest, ThePreviewOutlineHullsTheObjectAndItsMovedCopy) {
    ExtrudePrefs prefs;
    const Rect client{0, 0, 100, 100};
    EXPECT_EQ(ExtrudeDialogModel::previewObject(client), (Rect{25, 25, 75, 75}));
    for (int dir = 0; dir < 8; ++dir) {
        for (int distance : {0, 10, 20}) {
            SCOPED_TRACE(::testing::Message() << dir << " " << distance);
            prefs.compassDirection = dir;
            prefs.distance = distance;
            const auto outline = ExtrudeDialogModel(prefs).previewOutline(client);
            const bool diagonal = dir % 2 == 1 && distance > 0;
            ASSERT_EQ(outline.size(), diagonal ? 7u : 5u);
            EXPECT_EQ(outline.front(), outline.back());
            EXPECT_GT(doubleArea(outline), 0);
            // Area of the hull, the square swept along the move: the square
            // plus its side times the distance for each axis the move runs
            // along (one axis straight, both diagonally).
            const std::int64_t side = 50;
            const std::int64_t expected = diagonal ? 2 * (side * side + 2 * side * distance)
                                                   : 2 * (side * side + side * distance);
            EXPECT_EQ(doubleArea(outline), expected);
        }
    }
}

}  // namespace
}  // namespace tessary
