#include "app/tool_box_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace rule = prefs_rule;

namespace {

// Word numbers of the two sets: shape class, size, spacing, profile, flag.
constexpr int kFirstSet = 17;
constexpr int kSecondSet = 22;

struct BrushSet {
    std::int32_t& shapeClass;
    std::int32_t& size;
    std::int32_t& spacing;
    std::int32_t& profile;
    bool& flag;
};

void readSet(const QSPrefs& record, int first, const BrushSet& set) {
    set.shapeClass = rule::clamp(record.word(first), 0, 4);
    set.size = rule::clamp(record.word(first + 1), 1, 32);
    set.spacing = rule::clamp(record.word(first + 2), 0, 1000);
    set.profile = rule::clamp(record.word(first + 3), 0, 15);
    set.flag = record.word(first + 4) != 0;
}

void writeSet(QSPrefs& record, int first, std::int32_t shapeClass, std::int32_t size,
              std::int32_t spacing, std::int32_t profile, bool flag) {
    record.setWord(first, rule::clamp(shapeClass, 0, 4));
    record.setWord(first + 1, rule::clamp(size, 1, 32));
    record.setWord(first + 2, rule::clamp(spacing, 0, 1000));
    record.setWord(first + 3, rule::clamp(profile, 0, 15));
    record.setWord(first + 4, rule::flagWord(flag));
}

}  // namespace

void ToolBoxPrefs::distribute(const QSPrefs& record) {
    toolWord16 = rule::clamp(record.word(16), 0, 1);
    readSet(record, kFirstSet,
            {firstSetShapeClass, firstSetSize, firstSetSpacing, firstSetProfile, firstSetFlag});
    readSet(
        record, kSecondSet,
        {secondSetShapeClass, secondSetSize, secondSetSpacing, secondSetProfile, secondSetFlag});
    toolWord27 = rule::clamp(record.word(27), 1, 32);
    toolWord28 = rule::clamp(record.word(28), 0, 32767);
    toolWord29 = rule::clamp(record.word(29), 0, 32767);
    toolWord30 = 0;
    toolWord31 = rule::inRangeOr(record.word(31), 0, 2, 0);
}

void ToolBoxPrefs::collect(QSPrefs& record) const {
    record.setWord(16, rule::clamp(toolWord16, 0, 1));
    writeSet(record, kFirstSet, firstSetShapeClass, firstSetSize, firstSetSpacing, firstSetProfile,
             firstSetFlag);
    writeSet(record, kSecondSet, secondSetShapeClass, secondSetSize, secondSetSpacing,
             secondSetProfile, secondSetFlag);
    record.setWord(27, rule::clamp(toolWord27, 1, 32));
    record.setWord(28, rule::clamp(toolWord28, 0, 32767));
    record.setWord(29, rule::clamp(toolWord29, 0, 32767));
    record.setWord(30, toolWord30);
    record.setWord(31, rule::inRangeOr(toolWord31, 0, 2, 0));
}

}  // namespace tessary
