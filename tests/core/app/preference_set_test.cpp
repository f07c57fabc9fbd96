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

// Every field of the preference objects with the record word it is read
// from and written as, and its in-memory default where the objects give one.
using Set = PreferenceSet;
constexpr double kNoDefault = -1e300;
struct Field {
    int word;
    double (*value)(const Set&);
    double byDefault = kNoDefault;
};

const std::vector<Field>& fields() {
    static const std::vector<Field> table = {
        {3, [](const Set& p) { return double(p.global.foreground); }, 0x000000},
        {4, [](const Set& p) { return double(p.global.background); }, 0xFFFFFF},
        {5, [](const Set& p) { return double(p.global.opacity); }, 255},
        {6, [](const Set& p) { return double(p.global.generalLevel2); }, 255},
        {7, [](const Set& p) { return double(p.global.generalLevel3); }, 255},
        {8, [](const Set& p) { return double(p.global.generalFlag); }, 0},
        {9, [](const Set& p) { return double(p.global.constantThree); }, 3},  // never read
        {10, [](const Set& p) { return double(p.global.unit); }, 0},
        {11, [](const Set& p) { return double(p.global.currentTool); }, 1},
        {12, [](const Set& p) { return double(p.global.budget.vmMethod); }, 0},
        {13, [](const Set& p) { return double(p.global.budget.mbToUse); }, 20},
        {14, [](const Set& p) { return double(p.global.budget.percentToUse); }, 50},
        {15, [](const Set& p) { return double(p.global.budget.mbToLeaveFree); }, 1},
        {16, [](const Set& p) { return double(p.toolBox.toolWord16); }},
        {17, [](const Set& p) { return double(p.toolBox.firstSetShapeClass); }},
        {18, [](const Set& p) { return double(p.toolBox.firstSetSize); }},
        {19, [](const Set& p) { return double(p.toolBox.firstSetSpacing); }},
        {20, [](const Set& p) { return double(p.toolBox.firstSetProfile); }},
        {21, [](const Set& p) { return double(p.toolBox.firstSetFlag); }},
        {22, [](const Set& p) { return double(p.toolBox.secondSetShapeClass); }},
        {23, [](const Set& p) { return double(p.toolBox.secondSetSize); }},
        {24, [](const Set& p) { return double(p.toolBox.secondSetSpacing); }},
        {25, [](const Set& p) { return double(p.toolBox.secondSetProfile); }},
        {26, [](const Set& p) { return double(p.toolBox.secondSetFlag); }},
        {27, [](const Set& p) { return double(p.toolBox.toolWord27); }},
        {28, [](const Set& p) { return double(p.toolBox.toolWord28); }},
        {29, [](const Set& p) { return double(p.toolBox.toolWord29); }},
        {30, [](const Set& p) { return double(p.toolBox.toolWord30); }},
        {31, [](const Set& p) { return double(p.toolBox.toolWord31); }},
        {32, [](const Set& p) { return double(p.fileOptions.newImageType); }, 5},
        {33, [](const Set& p) { return double(p.fileOptions.newImageFill); }, 1},
        {34, [](const Set& p) { return double(p.fileOptions.flag); }},
        {35, [](const Set& p) { return double(p.fileOptions.value); }},
        {36, [](const Set& p) { return p.fileOptions.newImageWidth; }, 512},
        {37, [](const Set& p) { return p.fileOptions.newImageHeight; }, 342},
        {38, [](const Set& p) { return double(p.fileOptions.newImageSizeUnit); }},
        {39, [](const Set& p) { return p.fileOptions.newImageResolution; }, 72},
        {40, [](const Set& p) { return double(p.fileOptions.newImageResolutionUnit); }, 1},
        {41, [](const Set& p) { return p.variations.zoom; }, 1},
        {42, [](const Set& p) { return double(p.variations.fine); }, 0},
        {43, [](const Set& p) { return double(p.deInterlace.replaceOddFields); }, 1},
        {44, [](const Set& p) { return double(p.deInterlace.interpolate); }, 1},
        {45, [](const Set& p) { return double(p.dropShadow.feather); }, 12},
        {46, [](const Set& p) { return double(p.dropShadow.intensity); }, 100},
        {47, [](const Set& p) { return double(p.dropShadow.horizontalOffset); }, 16},
        {48, [](const Set& p) { return double(p.dropShadow.verticalOffset); }, 16},
        {49, [](const Set& p) { return double(p.dropShadow.dropShadowWord49); }},
        {50, [](const Set& p) { return double(p.dropShadow.direction); }},
        {51, [](const Set& p) { return double(p.dropShadow.color); }},
        {52, [](const Set& p) { return double(p.extrude.distance); }, 12},
        {53, [](const Set& p) { return double(p.extrude.compassDirection); }, 3},
        {54, [](const Set& p) { return double(p.extrude.select); }, 0},
        {55, [](const Set& p) { return double(p.extrude.direction); }},
        {56, [](const Set& p) { return double(p.extrude.color); }},
    };
    return table;
}

// Each field takes its word (every value chosen within its word's rule).
TEST(PreferenceSetReading, FieldsReceiveTheirWords) {
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
    QSPrefs record;
    for (int n = 1; n <= 56; ++n) record.setWord(n, words[n]);
    PreferenceSet p;
    p.distribute(record);
    for (const Field& field : fields())
        EXPECT_EQ(field.value(p), words[field.word]) << "word " << field.word;
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
    for (const Field& field : fields()) {
        if (field.byDefault != kNoDefault) {
            EXPECT_EQ(field.value(p), field.byDefault) << "word " << field.word;
        }
    }
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

// Every field holds a value its word's rule keeps (the zoom, a double, lies
// within 1/32 ... 32).
void expectInsideEveryRange(const PreferenceSet& p) {
    for (const Field& field : fields()) {
        const WordRule& rule = formatRules()[static_cast<std::size_t>(field.word - 2)];
        if (rule.rule == Rule::AsIs || rule.rule == Rule::Zoom) continue;
        const double value = field.value(p);
        ASSERT_TRUE(value >= INT_MIN && value <= INT_MAX) << "word " << field.word;
        const auto word = static_cast<std::int32_t>(value);
        EXPECT_EQ(expectedAfterRoundTrip(rule, word), word) << "word " << field.word;
    }
    EXPECT_GE(p.variations.zoom, 1.0 / 32);
    EXPECT_LE(p.variations.zoom, 32.0);
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
