#include "app/preference_set.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace tessary {
namespace {

// ---------------------------------------------------------------------------
// The reading rule of every record word, written down from the preference
// file's format independently of the code: what a stored value becomes once it has
// been distributed to its object and collected back into a record.

enum class Rule {
    AsIs,           // any value stays
    Fixed,          // the word is ignored; it is written as `fallback`
    Clamp,          // lo..hi
    KeptRange,      // lo..hi kept, else fallback
    KeptSet,        // the listed values kept, else fallback
    NonZeroTrue,    // written back as 1 or 0
    OneTrue,        // only 1 is true
    BelowOneGives,  // values below 1 give fallback
    Zoom,           // the variations zoom
};

struct WordRule {
    int word;
    Rule rule;
    std::int32_t lo = 0;
    std::int32_t hi = 0;
    std::int32_t fallback = 0;
    std::vector<std::int32_t> kept = {};
};

const std::vector<WordRule>& formatRules() {
    static const std::vector<WordRule> rules = {
        {2, Rule::Fixed, 0, 0, 0},
        {3, Rule::AsIs},
        {4, Rule::AsIs},
        {5, Rule::Clamp, 0, 255},
        {6, Rule::Clamp, 0, 255},
        {7, Rule::Clamp, 0, 255},
        {8, Rule::NonZeroTrue},
        {9, Rule::Fixed, 0, 0, 3},
        {10, Rule::KeptRange, 1, 5, 0},
        {11, Rule::KeptRange, 2, 16, 1},
        {12, Rule::AsIs},
        {13, Rule::AsIs},
        {14, Rule::AsIs},
        {15, Rule::AsIs},
        {16, Rule::Clamp, 0, 1},
        {17, Rule::Clamp, 0, 4},
        {18, Rule::Clamp, 1, 32},
        {19, Rule::Clamp, 0, 1000},
        {20, Rule::Clamp, 0, 15},
        {21, Rule::NonZeroTrue},
        {22, Rule::Clamp, 0, 4},
        {23, Rule::Clamp, 1, 32},
        {24, Rule::Clamp, 0, 1000},
        {25, Rule::Clamp, 0, 15},
        {26, Rule::NonZeroTrue},
        {27, Rule::Clamp, 1, 32},
        {28, Rule::Clamp, 0, 32767},
        {29, Rule::Clamp, 0, 32767},
        {30, Rule::Fixed, 0, 0, 0},
        {31, Rule::KeptRange, 0, 2, 0},
        {32, Rule::KeptSet, 0, 0, 5, {1, 2}},
        {33, Rule::KeptSet, 0, 0, 1, {2}},
        {34, Rule::OneTrue},
        {35, Rule::KeptSet, 0, 0, 1, {2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 14, 15, 16, 18, 19}},
        {36, Rule::BelowOneGives, 0, 0, 512},
        {37, Rule::BelowOneGives, 0, 0, 342},
        {38, Rule::KeptRange, 0, 5, 0},
        // A resolution below 1 would divide by zero later, so it reads as 1
        // (the least it is ever written as).
        {39, Rule::BelowOneGives, 0, 0, 1},
        {40, Rule::KeptRange, 1, 2, 1},
        {41, Rule::Zoom},
        {42, Rule::NonZeroTrue},
        {43, Rule::NonZeroTrue},
        {44, Rule::NonZeroTrue},
        {45, Rule::Clamp, 0, 100},
        {46, Rule::Clamp, 0, 100},
        // The drop shadow offsets keep their sign: a 0..32767 clamp would
        // turn a shadow up or to the left into none.
        {47, Rule::Clamp, -32768, 32767},
        {48, Rule::Clamp, -32768, 32767},
        {49, Rule::Clamp, 1, 6},
        {50, Rule::KeptSet, 0, 0, 1, {1, 2, 3, 5, 6, 7}},
        {51, Rule::AsIs},
        {52, Rule::Clamp, 0, 100},
        {53, Rule::KeptRange, 1, 7, 0},
        {54, Rule::OneTrue},
        {55, Rule::KeptSet, 0, 0, 1, {1, 2, 3, 5, 6, 7}},
        {56, Rule::AsIs},
    };
    return rules;
}

std::int32_t expectedAfterRoundTrip(const WordRule& r, std::int32_t v) {
    switch (r.rule) {
        case Rule::AsIs:
            return v;
        case Rule::Fixed:
            return r.fallback;
        case Rule::Clamp:
            return v < r.lo ? r.lo : v > r.hi ? r.hi : v;
        case Rule::KeptRange:
            return v >= r.lo && v <= r.hi ? v : r.fallback;
        case Rule::KeptSet:
            for (std::int32_t k : r.kept) {
                if (k == v) return v;
            }
            return r.fallback;
        case Rule::NonZeroTrue:
            return v != 0 ? 1 : 0;
        case Rule::OneTrue:
            return v == 1 ? 1 : 0;
        case Rule::BelowOneGives:
            return v < 1 ? r.fallback : v;
        case Rule::Zoom: {
            // Clamp -32..32; v > 0 is zoom v, v < 0 is zoom 1/|v| written back
            // as -|v| (so -1, a zoom of 1, comes back as 1); 0 is no zoom at
            // all and is taken as 1.
            const std::int32_t c = v < -32 ? -32 : v > 32 ? 32 : v;
            return c == 0 || c == -1 ? 1 : c;
        }
    }
    return v;
}

const std::vector<std::int32_t>& probeValues() {
    static const std::vector<std::int32_t> values = {
        INT_MIN, -40000, -32769, -32768, -32767, -1001, -100,  -33,   -32,    -31, -5,  -4,
        -3,      -2,     -1,     0,      1,      2,     3,     4,     5,      6,   7,   8,
        9,       10,     11,     12,     13,     14,    15,    16,    17,     18,  19,  20,
        31,      32,     33,     99,     100,    101,   254,   255,   256,    341, 342, 511,
        512,     999,    1000,   1001,   32766,  32767, 32768, 65535, INT_MAX};
    return values;
}

TEST(PreferenceRules, TheRuleTableCoversWords2To56) {
    ASSERT_EQ(formatRules().size(), 55u);
    for (std::size_t i = 0; i < formatRules().size(); ++i) {
        EXPECT_EQ(formatRules()[i].word, static_cast<int>(i) + 2);
    }
}

// For every word and many stored values: the value collected back is what
// the rule makes of it, and every other word keeps what the rules make of its
// default, so no word leaks into another.
TEST(PreferenceRules, EveryWordReadsByItsRuleAndTouchesNoOther) {
    for (const WordRule& rule : formatRules()) {
        for (std::int32_t value : probeValues()) {
            QSPrefs record;
            record.setWord(rule.word, value);
            PreferenceSet prefs;
            prefs.distribute(record);
            const QSPrefs collected = prefs.collect();
            EXPECT_EQ(collected.word(rule.word), expectedAfterRoundTrip(rule, value))
                << "word " << rule.word << " stored " << value;
            for (const WordRule& other : formatRules()) {
                if (other.word == rule.word) continue;
                ASSERT_EQ(collected.word(other.word),
                          expectedAfterRoundTrip(other, QSPrefs::defaultWord(other.word)))
                    << "word " << other.word << " changed by word " << rule.word << " = " << value;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Reading into the objects' fields

TEST(PreferenceSetReading, FieldsReceiveTheirWords) {
    QSPrefs record;
    const std::int32_t words[57] = {
        0,  // unused
        1, 0,          0x00336699, 0x00010203, 200, 100, 50,         1,   3,
        2, 13,         1,          300,        25,  40,  // 1..15
        1, 3,          17,         150,        12,  1,   2,          20,  50,
        7, 1,          5,          9,          24,  0,   2,                   // 16..31
        2, 2,          1,          7,          640, 480, 2,          300, 2,  // 32..40
        4, 1,          0,          0,          7,   60,  -10,        12,  4,
        3, 0x00FF0000, 15,         6,          1,   7,   0x0000FF00,  // 41..56
    };
    for (int n = 1; n <= 56; ++n) record.setWord(n, words[n]);
    PreferenceSet p;
    p.distribute(record);

    EXPECT_EQ(p.global.foreground, 0x00336699u);
    EXPECT_EQ(p.global.background, 0x00010203u);
    EXPECT_EQ(p.global.opacity, 200);
    EXPECT_EQ(p.global.generalLevel2, 100);
    EXPECT_EQ(p.global.generalLevel3, 50);
    EXPECT_TRUE(p.global.generalFlag);
    EXPECT_EQ(p.global.unit, 2);
    EXPECT_EQ(p.global.currentTool, 13);
    EXPECT_EQ(p.global.budget.vmMethod, 1);
    EXPECT_EQ(p.global.budget.mbToUse, 300);
    EXPECT_EQ(p.global.budget.percentToUse, 25);
    EXPECT_EQ(p.global.budget.mbToLeaveFree, 40);

    EXPECT_EQ(p.toolBox.toolWord16, 1);
    EXPECT_EQ(p.toolBox.firstSetShapeClass, 3);
    EXPECT_EQ(p.toolBox.firstSetSize, 17);
    EXPECT_EQ(p.toolBox.firstSetSpacing, 150);
    EXPECT_EQ(p.toolBox.firstSetProfile, 12);
    EXPECT_TRUE(p.toolBox.firstSetFlag);
    EXPECT_EQ(p.toolBox.secondSetShapeClass, 2);
    EXPECT_EQ(p.toolBox.secondSetSize, 20);
    EXPECT_EQ(p.toolBox.secondSetSpacing, 50);
    EXPECT_EQ(p.toolBox.secondSetProfile, 7);
    EXPECT_TRUE(p.toolBox.secondSetFlag);
    EXPECT_EQ(p.toolBox.toolWord27, 5);
    EXPECT_EQ(p.toolBox.toolWord28, 9);
    EXPECT_EQ(p.toolBox.toolWord29, 24);
    EXPECT_EQ(p.toolBox.toolWord30, 0);
    EXPECT_EQ(p.toolBox.toolWord31, 2);

    EXPECT_EQ(p.fileOptions.newImageType, 2);
    EXPECT_EQ(p.fileOptions.newImageFill, 2);
    EXPECT_TRUE(p.fileOptions.flag);
    EXPECT_EQ(p.fileOptions.value, 7);
    EXPECT_EQ(p.fileOptions.newImageWidth, 640.0);
    EXPECT_EQ(p.fileOptions.newImageHeight, 480.0);
    EXPECT_EQ(p.fileOptions.newImageSizeUnit, 2);
    EXPECT_EQ(p.fileOptions.newImageResolution, 300.0);
    EXPECT_EQ(p.fileOptions.newImageResolutionUnit, 2);

    EXPECT_EQ(p.variations.zoom, 4.0);
    EXPECT_TRUE(p.variations.fine);
    EXPECT_FALSE(p.deInterlace.replaceOddFields);
    EXPECT_FALSE(p.deInterlace.interpolate);

    EXPECT_EQ(p.dropShadow.feather, 7);
    EXPECT_EQ(p.dropShadow.intensity, 60);
    EXPECT_EQ(p.dropShadow.horizontalOffset, -10);
    EXPECT_EQ(p.dropShadow.verticalOffset, 12);
    EXPECT_EQ(p.dropShadow.dropShadowWord49, 4);
    EXPECT_EQ(p.dropShadow.direction, 3);
    EXPECT_EQ(p.dropShadow.color, 0x00FF0000u);

    EXPECT_EQ(p.extrude.distance, 15);
    EXPECT_EQ(p.extrude.compassDirection, 6);
    EXPECT_TRUE(p.extrude.select);
    EXPECT_EQ(p.extrude.direction, 7);
    EXPECT_EQ(p.extrude.color, 0x0000FF00u);
}

TEST(PreferenceSetReading, VariationsZoomFromEveryStoredValue) {
    const struct {
        std::int32_t stored;
        double zoom;
    } cases[] = {{1, 1.0},  {2, 2.0},   {32, 32.0},      {40, 32.0},        {-1, 1.0},
                 {-2, 0.5}, {-4, 0.25}, {-32, 1.0 / 32}, {-1000, 1.0 / 32}, {0, 1.0}};
    for (const auto& c : cases) {
        QSPrefs record;
        record.setWord(41, c.stored);
        VariationsPrefs prefs;
        prefs.distribute(record);
        EXPECT_EQ(prefs.zoom, c.zoom) << c.stored;
    }
}

TEST(PreferenceSetReading, ExtrudeAndDropShadowDirectionsAreSeparateWords) {
    QSPrefs record;
    record.setWord(50, 2);
    record.setWord(55, 6);
    PreferenceSet prefs;
    prefs.distribute(record);
    EXPECT_EQ(prefs.dropShadow.direction, 2);
    EXPECT_EQ(prefs.extrude.direction, 6);
    // Out of range, each falls back on its own; a width below 1 reads as 512.
    record.setWord(50, 4);
    record.setWord(36, 0);
    prefs.distribute(record);
    EXPECT_EQ(prefs.dropShadow.direction, 1);
    EXPECT_EQ(prefs.extrude.direction, 6);
    EXPECT_EQ(prefs.fileOptions.newImageWidth, 512.0);

    prefs.extrude.direction = 3;
    prefs.dropShadow.direction = 7;
    const QSPrefs collected = prefs.collect();
    EXPECT_EQ(collected.word(55), 3);
    EXPECT_EQ(collected.word(50), 7);
}

// ---------------------------------------------------------------------------
// Writing from the objects' fields

TEST(PreferenceSetWriting, InMemoryDefaults) {
    const PreferenceSet p;
    EXPECT_EQ(p.global.foreground, 0x000000u);
    EXPECT_EQ(p.global.background, 0xFFFFFFu);
    EXPECT_EQ(p.global.opacity, 255);
    EXPECT_EQ(p.global.generalLevel2, 255);
    EXPECT_EQ(p.global.generalLevel3, 255);
    EXPECT_FALSE(p.global.generalFlag);
    EXPECT_EQ(p.global.constantThree, 3);
    EXPECT_EQ(p.global.unit, 0);
    EXPECT_EQ(p.global.currentTool, 1);
    EXPECT_EQ(p.global.budget.vmMethod, 0);
    EXPECT_EQ(p.global.budget.mbToUse, 20);
    EXPECT_EQ(p.global.budget.percentToUse, 50);
    EXPECT_EQ(p.global.budget.mbToLeaveFree, 1);
    EXPECT_EQ(p.variations.zoom, 1.0);
    EXPECT_FALSE(p.variations.fine);
    EXPECT_TRUE(p.deInterlace.replaceOddFields);
    EXPECT_TRUE(p.deInterlace.interpolate);
    EXPECT_EQ(p.dropShadow.feather, 12);
    EXPECT_EQ(p.dropShadow.intensity, 100);
    EXPECT_EQ(p.dropShadow.horizontalOffset, 16);
    EXPECT_EQ(p.dropShadow.verticalOffset, 16);
    EXPECT_EQ(p.extrude.distance, 12);
    EXPECT_EQ(p.extrude.compassDirection, 3);
    EXPECT_FALSE(p.extrude.select);
    EXPECT_EQ(p.fileOptions.newImageType, 5);
    EXPECT_EQ(p.fileOptions.newImageFill, 1);
    EXPECT_EQ(p.fileOptions.newImageWidth, 512.0);
    EXPECT_EQ(p.fileOptions.newImageHeight, 342.0);
    EXPECT_EQ(p.fileOptions.newImageResolution, 72.0);
    EXPECT_EQ(p.fileOptions.newImageResolutionUnit, 1);
}

TEST(PreferenceSetWriting, FirstRunBudgetWordsComeFromTheObjectNotTheRecord) {
    const QSPrefs collected = PreferenceSet().collect();
    EXPECT_EQ(collected.word(12), 0);
    EXPECT_EQ(collected.word(13), 20);
    EXPECT_EQ(collected.word(14), 50);
    EXPECT_EQ(collected.word(15), 1);
    EXPECT_EQ(collected.word(4), 0xFFFFFF);  // white as a colour value
}

TEST(PreferenceSetWriting, ValuesAreClampedAndEnumerationsFallBack) {
    PreferenceSet p;
    p.global.opacity = 300;
    p.global.unit = 9;
    p.global.currentTool = 0;
    p.toolBox.firstSetSize = 0;
    p.toolBox.toolWord31 = 3;
    p.fileOptions.newImageFill = 3;  // "Clipboard" is remembered as white
    p.fileOptions.newImageType = 7;
    p.fileOptions.value = 6;
    p.dropShadow.intensity = -5;
    p.dropShadow.direction = 4;
    p.dropShadow.dropShadowWord49 = 9;
    p.extrude.distance = 1000;
    p.extrude.compassDirection = 8;
    p.extrude.direction = 0;
    const QSPrefs r = p.collect();
    EXPECT_EQ(r.word(5), 255);
    EXPECT_EQ(r.word(10), 0);
    EXPECT_EQ(r.word(11), 1);
    EXPECT_EQ(r.word(18), 1);
    EXPECT_EQ(r.word(31), 0);
    EXPECT_EQ(r.word(33), 1);
    EXPECT_EQ(r.word(32), 5);
    EXPECT_EQ(r.word(35), 1);
    EXPECT_EQ(r.word(46), 0);
    EXPECT_EQ(r.word(50), 1);
    EXPECT_EQ(r.word(49), 6);
    EXPECT_EQ(r.word(52), 100);
    EXPECT_EQ(r.word(53), 0);
    EXPECT_EQ(r.word(55), 1);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(PreferenceSetWriting, SizesAreTruncatedAndAtLeastOne) {
    const struct {
        double value;
        std::int32_t stored;
    } cases[] = {{512.9, 512},        {1.0, 1}, {0.4, 1}, {-20.0, 1}, {1e12, INT_MAX}, {kNaN, 1},
                 {kInfinity, INT_MAX}};
    for (const auto& c : cases) {
        PreferenceSet p;
        p.fileOptions.newImageWidth = c.value;
        p.fileOptions.newImageHeight = c.value;
        p.fileOptions.newImageResolution = c.value;
        const QSPrefs r = p.collect();
        EXPECT_EQ(r.word(36), c.stored) << c.value;
        EXPECT_EQ(r.word(37), c.stored) << c.value;
        EXPECT_EQ(r.word(39), c.stored) << c.value;
    }
}

TEST(PreferenceSetWriting, VariationsZoomIsWrittenTruncatedOrAsMinusRoundedReciprocal) {
    const struct {
        double zoom;
        std::int32_t stored;
    } cases[] = {{1.0, 1},    {2.0, 2},   {2.9, 2},  {32.0, 32}, {64.0, 32},
                 {0.5, -2},   {0.25, -4}, {0.3, -3}, {0.7, -1},  {1.0 / 32, -32},
                 {1e-9, -32}, {0.0, 1},   {-2.0, 1}, {kNaN, 1},  {kInfinity, 32}};
    for (const auto& c : cases) {
        PreferenceSet p;
        p.variations.zoom = c.zoom;
        EXPECT_EQ(p.collect().word(41), c.stored) << c.zoom;
    }
}

// ---------------------------------------------------------------------------
// Garbage

void expectInsideEveryRange(const PreferenceSet& p) {
    auto within = [](std::int32_t v, std::int32_t lo, std::int32_t hi) {
        return v >= lo && v <= hi;
    };
    EXPECT_TRUE(within(p.global.opacity, 0, 255));
    EXPECT_TRUE(within(p.global.generalLevel2, 0, 255));
    EXPECT_TRUE(within(p.global.generalLevel3, 0, 255));
    EXPECT_EQ(p.global.constantThree, 3);
    EXPECT_TRUE(within(p.global.unit, 0, 5));
    EXPECT_TRUE(within(p.global.currentTool, 1, 16));
    EXPECT_TRUE(within(p.toolBox.toolWord16, 0, 1));
    EXPECT_TRUE(within(p.toolBox.firstSetShapeClass, 0, 4));
    EXPECT_TRUE(within(p.toolBox.firstSetSize, 1, 32));
    EXPECT_TRUE(within(p.toolBox.firstSetSpacing, 0, 1000));
    EXPECT_TRUE(within(p.toolBox.firstSetProfile, 0, 15));
    EXPECT_TRUE(within(p.toolBox.secondSetShapeClass, 0, 4));
    EXPECT_TRUE(within(p.toolBox.secondSetSize, 1, 32));
    EXPECT_TRUE(within(p.toolBox.secondSetSpacing, 0, 1000));
    EXPECT_TRUE(within(p.toolBox.secondSetProfile, 0, 15));
    EXPECT_TRUE(within(p.toolBox.toolWord27, 1, 32));
    EXPECT_TRUE(within(p.toolBox.toolWord28, 0, 32767));
    EXPECT_TRUE(within(p.toolBox.toolWord29, 0, 32767));
    EXPECT_EQ(p.toolBox.toolWord30, 0);
    EXPECT_TRUE(within(p.toolBox.toolWord31, 0, 2));
    EXPECT_TRUE(p.fileOptions.newImageType == 1 || p.fileOptions.newImageType == 2 ||
                p.fileOptions.newImageType == 5);
    EXPECT_TRUE(p.fileOptions.newImageFill == 1 || p.fileOptions.newImageFill == 2);
    EXPECT_TRUE(within(p.fileOptions.value, 1, 19));
    EXPECT_GE(p.fileOptions.newImageWidth, 1.0);
    EXPECT_GE(p.fileOptions.newImageHeight, 1.0);
    EXPECT_GE(p.fileOptions.newImageResolution, 1.0);
    EXPECT_TRUE(within(p.fileOptions.newImageSizeUnit, 0, 5));
    EXPECT_TRUE(within(p.fileOptions.newImageResolutionUnit, 1, 2));
    EXPECT_GE(p.variations.zoom, 1.0 / 32);
    EXPECT_LE(p.variations.zoom, 32.0);
    EXPECT_TRUE(within(p.dropShadow.feather, 0, 100));
    EXPECT_TRUE(within(p.dropShadow.intensity, 0, 100));
    EXPECT_TRUE(within(p.dropShadow.horizontalOffset, -32768, 32767));
    EXPECT_TRUE(within(p.dropShadow.verticalOffset, -32768, 32767));
    EXPECT_TRUE(within(p.dropShadow.dropShadowWord49, 1, 6));
    EXPECT_TRUE(within(p.dropShadow.direction, 1, 7) && p.dropShadow.direction != 4);
    EXPECT_TRUE(within(p.extrude.distance, 0, 100));
    EXPECT_TRUE(within(p.extrude.compassDirection, 0, 7));
    EXPECT_TRUE(within(p.extrude.direction, 1, 7) && p.extrude.direction != 4);
}

// Random records: every field inside its range, every word collected back a
// value its rule keeps, and collecting a second time changes nothing.
TEST(PreferenceSetGarbage, RandomRecordsGiveValuesInsideEveryRange) {
    std::mt19937 random(20240607);
    for (int trial = 0; trial < 500; ++trial) {
        QSPrefs::Bytes bytes{};
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        PreferenceSet prefs;
        prefs.distribute(QSPrefs::fromBytes(bytes));
        expectInsideEveryRange(prefs);
        const QSPrefs collected = prefs.collect();
        for (const WordRule& rule : formatRules()) {
            ASSERT_EQ(expectedAfterRoundTrip(rule, collected.word(rule.word)),
                      collected.word(rule.word))
                << "word " << rule.word;
        }
        PreferenceSet again;
        again.distribute(collected);
        EXPECT_EQ(again.collect(), collected);
    }
}

}  // namespace
}  // namespace tessary
