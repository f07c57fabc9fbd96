#include "app/file_options_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;
namespace rule = prefs_rule;

namespace {

constexpr std::int32_t typeRule(std::int32_t v) {
    return rule::keptOr(v, {1, 2}, 5);
}
constexpr std::int32_t fillRule(std::int32_t v) {
    return v == 2 ? 2 : 1;
}
constexpr std::int32_t valueRule(std::int32_t v) {
    return rule::keptOr(v, {2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 14, 15, 16, 18, 19}, 1);
}
constexpr std::int32_t sizeUnitRule(std::int32_t v) {
    return rule::inRangeOr(v, 0, 5, 0);
}
constexpr std::int32_t resolutionUnitRule(std::int32_t v) {
    return rule::inRangeOr(v, 1, 2, 1);
}
constexpr double sizeRule(std::int32_t v, double fallback) {
    return v < 1 ? fallback : v;
}

}  // namespace

void FileOptionsPrefs::distribute(const QSPrefs& record) {
    newImageType = typeRule(record.word(pw::kNewImageType));
    newImageFill = fillRule(record.word(pw::kNewImageFill));
    flag = record.word(pw::kFileOptionsFlag) == 1;
    value = valueRule(record.word(pw::kFileOptionsValue));
    newImageWidth = sizeRule(record.word(pw::kNewImageWidth), 512.0);
    newImageHeight = sizeRule(record.word(pw::kNewImageHeight), 342.0);
    newImageSizeUnit = sizeUnitRule(record.word(pw::kNewImageSizeUnit));
    newImageResolution = sizeRule(record.word(pw::kNewImageResolution), 1.0);
    newImageResolutionUnit = resolutionUnitRule(record.word(pw::kNewImageResolutionUnit));
}

void FileOptionsPrefs::collect(QSPrefs& record) const {
    record.setWord(pw::kNewImageType, typeRule(newImageType));
    record.setWord(pw::kNewImageFill, fillRule(newImageFill));
    record.setWord(pw::kFileOptionsFlag, rule::flagWord(flag));
    record.setWord(pw::kFileOptionsValue, valueRule(value));
    record.setWord(pw::kNewImageWidth, rule::truncatedAtLeastOne(newImageWidth));
    record.setWord(pw::kNewImageHeight, rule::truncatedAtLeastOne(newImageHeight));
    record.setWord(pw::kNewImageSizeUnit, sizeUnitRule(newImageSizeUnit));
    record.setWord(pw::kNewImageResolution, rule::truncatedAtLeastOne(newImageResolution));
    record.setWord(pw::kNewImageResolutionUnit, resolutionUnitRule(newImageResolutionUnit));
}

}  // namespace tessary
