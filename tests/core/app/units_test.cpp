#include "app/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace tessary {
namespace {

std::string twoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// How many of each unit make one inch, at a resolution of r pixels per inch.
double perInch(int unit, double r) {
    switch (unit) {
        case kUnitPixels:
            return r;
        case kUnitInches:
            return 1.0;
        case kUnitCentimeters:
            return 2.54;
        case kUnitPicas:
            return 6.0;
        case kUnitPoints:
            return 72.0;
    }
    return 1.0;
}

TEST(Units, DialogExamples) {
    // Preset 11 (21 x 29.7 cm) shown in pixels at 72 pixels per inch.
    EXPECT_EQ(twoDecimals(convertUnit(21.0, kUnitCentimeters, kUnitPixels, 72.0)), "595.28");
    EXPECT_EQ(twoDecimals(convertUnit(29.7, kUnitCentimeters, kUnitPixels, 72.0)), "841.89");
    // 512 x 342 pixels switched to inches at 72.
    EXPECT_EQ(twoDecimals(convertUnit(512.0, kUnitPixels, kUnitInches, 72.0)), "7.11");
    EXPECT_EQ(twoDecimals(convertUnit(342.0, kUnitPixels, kUnitInches, 72.0)), "4.75");
    // A custom width of 0 after a unit change.
    EXPECT_EQ(clampSizeValue(convertUnit(0.0, kUnitPixels, kUnitInches, 72.0)), 0.01);
}

TEST(Units, EveryUnitAgainstItsInchFactor) {
    for (double r : {72.0, 150.0, 300.0, 1.0, 9600.0}) {
        for (int unit = kUnitPixels; unit <= kUnitPoints; ++unit) {
            const double oneInch = perInch(unit, r);
            for (double inches : {0.0, 0.5, 1.0, 8.5, 11.7, 16382.0}) {
                const double inUnit = inches * oneInch;
                EXPECT_NEAR(fromInches(inches, unit, r), inUnit, 1e-9 * (1 + inUnit))
                    << unit << " " << r;
                EXPECT_NEAR(toInches(inUnit, unit, r), inches, 1e-9 * (1 + inches))
                    << unit << " " << r;
                EXPECT_NEAR(toPixels(inUnit, unit, r), inches * r, 1e-9 * (1 + inches * r));
                EXPECT_NEAR(fromPixels(inches * r, unit, r), inUnit, 1e-9 * (1 + inUnit));
            }
        }
    }
}

TEST(Units, CentimetreFactorsAreTheExactConstants) {
    EXPECT_EQ(toInches(1.0, kUnitCentimeters, 72.0), 0.39370078740157477);
    EXPECT_EQ(fromInches(1.0, kUnitCentimeters, 72.0), 2.54);
    EXPECT_EQ(perCentimeterToPerInch(10.0), 25.4);
    EXPECT_EQ(perInchToPerCentimeter(100.0), 39.370078740157477);
    EXPECT_NEAR(perCentimeterToPerInch(perInchToPerCentimeter(72.0)), 72.0, 1e-12);
}

TEST(Units, InchesAndUnitFiveAndUnknownUnitsPassValuesThrough) {
    for (int unit : {1, 5, 17, -1}) {
        EXPECT_EQ(toInches(3.25, unit, 72.0), 3.25) << unit;
        EXPECT_EQ(fromInches(3.25, unit, 72.0), 3.25) << unit;
    }
}

TEST(Units, PixelsStayExactThroughPixelConversions) {
    for (double pixels : {1.0, 3.0, 511.0, 512.0, 16381.0}) {
        for (double r : {72.0, 96.0, 300.0, 7.0}) {
            EXPECT_EQ(toPixels(pixels, kUnitPixels, r), pixels);
            EXPECT_EQ(fromPixels(pixels, kUnitPixels, r), pixels);
        }
    }
}

TEST(Units, ConversionsRoundTripBetweenAnyTwoUnits) {
    for (int a = kUnitPixels; a <= kUnitPoints; ++a) {
        for (int b = kUnitPixels; b <= kUnitPoints; ++b) {
            for (double v : {0.01, 1.0, 7.11, 595.28, 16382.0}) {
                const double there = convertUnit(v, a, b, 144.0);
                EXPECT_NEAR(convertUnit(there, b, a, 144.0), v, 1e-9 * v) << a << " " << b;
            }
        }
    }
}

TEST(Units, ResolutionsThatAreNotPositiveNumbersActAs72) {
    const double bad[] = {0.0, -72.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()};
    for (double r : bad) {
        EXPECT_EQ(toInches(144.0, kUnitPixels, r), 2.0) << r;
        EXPECT_EQ(fromInches(2.0, kUnitPixels, r), 144.0) << r;
        EXPECT_EQ(toPixels(1.0, kUnitInches, r), 72.0) << r;
        EXPECT_EQ(fromPixels(72.0, kUnitInches, r), 1.0) << r;
    }
}

TEST(Units, SizeClampCoversTheDialogRange) {
    EXPECT_EQ(clampSizeValue(0.0), 0.01);
    EXPECT_EQ(clampSizeValue(-5.0), 0.01);
    EXPECT_EQ(clampSizeValue(std::numeric_limits<double>::quiet_NaN()), 0.01);
    EXPECT_EQ(clampSizeValue(0.01), 0.01);
    EXPECT_EQ(clampSizeValue(512.0), 512.0);
    EXPECT_EQ(clampSizeValue(16382.0), 16382.0);
    EXPECT_EQ(clampSizeValue(16382.5), 16382.0);
}

TEST(Units, UnitNamesComeFromTheStringTable) {
    const char* const names[] = {"Pixels", "Inches", "Centimeters", "Picas", "Points"};
    for (int unit = 0; unit <= 4; ++unit) EXPECT_EQ(unitName(unit), names[unit]);
    EXPECT_TRUE(unitName(5).empty());
    EXPECT_TRUE(unitName(-1).empty());
}

TEST(ImageSize, BitsPerPixelByTypeCode) {
    const int expected[] = {0, 1, 8, 16, 8, 24, 48, 24, 32, 9, 10};  // types 0..10
    for (int type = 0; type <= 10; ++type) EXPECT_EQ(bitsPerPixelOfType(type), expected[type]);
    EXPECT_EQ(bitsPerPixelOfType(-3), 0);
}

TEST(ImageSize, WholePixelsRoundHalfUp) {
    EXPECT_EQ(wholePixels(0.0), 0);
    EXPECT_EQ(wholePixels(0.49), 0);
    EXPECT_EQ(wholePixels(0.5), 1);
    EXPECT_EQ(wholePixels(595.28), 595);
    EXPECT_EQ(wholePixels(841.89), 842);
    EXPECT_EQ(wholePixels(-3.0), 0);
    EXPECT_EQ(wholePixels(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(wholePixels(1e20), 2147483647);
}

TEST(ImageSize, ByteCountsWithTheDivisionLast) {
    EXPECT_EQ(imageByteCount(512, 342, 5), 525312u);
    EXPECT_EQ(imageByteCount(512, 342, 2), 175104u);
    EXPECT_EQ(imageByteCount(100, 100, 5), 30000u);
    EXPECT_EQ(imageByteCount(3, 3, 1), 1u);  // 9 bits
    EXPECT_EQ(imageByteCount(7, 1, 1), 0u);  // 7 bits
    EXPECT_EQ(imageByteCount(10, 10, 6), 600u);
    EXPECT_EQ(imageByteCount(0, 100, 5), 0u);
    EXPECT_EQ(imageByteCount(-4, 100, 5), 0u);
}

TEST(ImageSize, LargeImagesDoNotWrap) {
    // 100,000 x 100,000 RGB: 3 x 10^10 bytes, far past 32 bits.
    EXPECT_EQ(imageByteCount(100000, 100000, 5), 30000000000ull);
    EXPECT_EQ(imageByteCount(2147483647, 2147483647, 5), 13835058042397261827ull);
    // Past 64 bits the count saturates instead of wrapping.
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(imageByteCount(huge, huge, 5), std::numeric_limits<std::uint64_t>::max());
}

TEST(ImageSize, SizeTextInKilobytesAndMegabytes) {
    EXPECT_EQ(sizeText(525312), "513 K");
    EXPECT_EQ(sizeText(30000), "29 K");
    EXPECT_EQ(sizeText(1024), "1 K");
    EXPECT_EQ(sizeText(2047), "1 K");
    EXPECT_EQ(sizeText(1048575), "1023 K");
    EXPECT_EQ(sizeText(1048576), "1.0 M");
    EXPECT_EQ(sizeText(1572864), "1.5 M");
    EXPECT_EQ(sizeText(2097151), "1.9 M");
    EXPECT_EQ(sizeText(30000000000ull), "28610.2 M");
}

TEST(ImageSize, SizeTextBelowOneKilobyteHasTwoDecimals) {
    EXPECT_EQ(sizeText(0), "0.00 K");
    EXPECT_EQ(sizeText(10), "0.00 K");
    EXPECT_EQ(sizeText(11), "0.01 K");
    EXPECT_EQ(sizeText(512), "0.50 K");
    EXPECT_EQ(sizeText(1023), "0.99 K");
}

TEST(ImageSize, DialogSizeTextThroughTheUnits) {
    EXPECT_EQ(imageSizeText(512, 342, kUnitPixels, 72.0, 5), "513 K");
    EXPECT_EQ(imageSizeText(512.0 / 72.0, 342.0 / 72.0, kUnitInches, 72.0, 5), "513 K");
    EXPECT_EQ(imageSizeText(512, 342, kUnitPixels, 72.0, 2), "171 K");
    // 8 x 10 inches at 300 pixels per inch, RGB: 2400 x 3000 x 3 bytes.
    EXPECT_EQ(imageSizeText(8, 10, kUnitInches, 300.0, 5), sizeText(2400ull * 3000 * 3));
    EXPECT_EQ(sizeText(2400ull * 3000 * 3), "20.5 M");
}

}  // namespace
}  // namespace tessary
