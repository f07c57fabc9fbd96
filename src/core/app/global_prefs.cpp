#include "app/global_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;
namespace rule = prefs_rule;

namespace {

constexpr std::int32_t unitRule(std::int32_t v) {
    return rule::inRangeOr(v, 1, 5, 0);
}
constexpr std::int32_t toolRule(std::int32_t v) {
    return rule::inRangeOr(v, 2, 16, 1);
}

}  // namespace

void GlobalPrefs::distribute(const QSPrefs& record) {
    foreground = static_cast<std::uint32_t>(record.word(pw::kForeground));
    background = static_cast<std::uint32_t>(record.word(pw::kBackground));
    opacity = rule::clamp(record.word(pw::kOpacity), 0, 255);
    generalLevel2 = rule::clamp(record.word(pw::kGeneralLevel2), 0, 255);
    generalLevel3 = rule::clamp(record.word(pw::kGeneralLevel3), 0, 255);
    generalFlag = record.word(pw::kGeneralFlag) != 0;
    modulesInProcess = record.word(pw::kModulesInProcess) == 1;
    constantThree = 3;
    unit = unitRule(record.word(pw::kUnit));
    currentTool = toolRule(record.word(pw::kCurrentTool));
    budget.vmMethod = record.word(pw::kVmMethod);
    budget.mbToUse = record.word(pw::kMBtoUse);
    budget.percentToUse = record.word(pw::kPercentToUse);
    budget.mbToLeaveFree = record.word(pw::kMBToLeaveFree);
}

void GlobalPrefs::collect(QSPrefs& record) const {
    record.setWord(pw::kForeground, static_cast<std::int32_t>(foreground));
    record.setWord(pw::kBackground, static_cast<std::int32_t>(background));
    record.setWord(pw::kOpacity, rule::clamp(opacity, 0, 255));
    record.setWord(pw::kGeneralLevel2, rule::clamp(generalLevel2, 0, 255));
    record.setWord(pw::kGeneralLevel3, rule::clamp(generalLevel3, 0, 255));
    record.setWord(pw::kGeneralFlag, rule::flagWord(generalFlag));
    record.setWord(pw::kModulesInProcess, rule::flagWord(modulesInProcess));
    record.setWord(pw::kConstantThree, 3);
    record.setWord(pw::kUnit, unitRule(unit));
    record.setWord(pw::kCurrentTool, toolRule(currentTool));
    record.setWord(pw::kVmMethod, budget.vmMethod);
    record.setWord(pw::kMBtoUse, budget.mbToUse);
    record.setWord(pw::kPercentToUse, budget.percentToUse);
    record.setWord(pw::kMBToLeaveFree, budget.mbToLeaveFree);
}

}  // namespace tessary
