#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/file_layer.h"

namespace tessary {

// The preference record: 56 signed 32-bit words, numbered 1..56, stored in the
// preference file as exactly 224 bytes, word n little-endian at byte offset
// 4 x (n - 1), on every host. A default-constructed record holds the record
// defaults (which differ in places from the preference objects' in-memory
// defaults: the record's words 12..15 are always overwritten before writing).
class QSPrefs {
public:
    static constexpr int kWordCount = 56;
    static constexpr std::size_t kByteCount = 224;
    static constexpr std::int32_t kVersion = 1;
    using Bytes = std::array<std::uint8_t, kByteCount>;

    QSPrefs();

    // Word n, 1 <= n <= 56 (asserted).
    std::int32_t word(int n) const;
    void setWord(int n, std::int32_t value);

    // The record default of word n.
    static std::int32_t defaultWord(int n);

    Bytes toBytes() const;
    static QSPrefs fromBytes(const Bytes& bytes);

    friend bool operator==(const QSPrefs&, const QSPrefs&) = default;

private:
    std::array<std::int32_t, kWordCount> m_words;
};

// Reads a record from the current position of an open file: the 4-byte
// version first, which must be at least 1, then 4 bytes more, then the 216
// bytes of words 3..56. True only when every read returned all its bytes and
// the version was accepted; `record` is changed only then.
bool readPrefsRecord(platform::FileLayer& files, platform::FileHandle file, QSPrefs& record);

// Sets word 1 to 1, word 2 to 0 or 1 (the only values it holds) and writes
// the 224 bytes at the current position. kNoErr, or the file layer's code (-34 when the disk filled).
platform::FileError writePrefsRecord(platform::FileLayer& files, platform::FileHandle file,
                                     QSPrefs& record);

// Word numbers of the record, named by what they hold.
namespace prefs_word {
inline constexpr int kVersion = 1;
// 0: plug-in modules run in a helper process (the default); 1: in the
// program's own process. Programs that do not know the setting ignore the
// word and write 0, which restores the default.
inline constexpr int kModulesInProcess = 2;
inline constexpr int kForeground = 3;
inline constexpr int kBackground = 4;
inline constexpr int kOpacity = 5;
inline constexpr int kGeneralLevel2 = 6;
inline constexpr int kGeneralLevel3 = 7;
inline constexpr int kGeneralFlag = 8;
inline constexpr int kConstantThree = 9;
inline constexpr int kUnit = 10;
inline constexpr int kCurrentTool = 11;
inline constexpr int kVmMethod = 12;
inline constexpr int kMBtoUse = 13;
inline constexpr int kPercentToUse = 14;
inline constexpr int kMBToLeaveFree = 15;
inline constexpr int kToolBoxFirst = 16;  // words 16..31 belong to the tool box
inline constexpr int kToolBoxLast = 31;
inline constexpr int kNewImageType = 32;
inline constexpr int kNewImageFill = 33;
inline constexpr int kFileOptionsFlag = 34;
inline constexpr int kFileOptionsValue = 35;
inline constexpr int kNewImageWidth = 36;
inline constexpr int kNewImageHeight = 37;
inline constexpr int kNewImageSizeUnit = 38;
inline constexpr int kNewImageResolution = 39;
inline constexpr int kNewImageResolutionUnit = 40;
inline constexpr int kVariationsZoom = 41;
inline constexpr int kVariationsFine = 42;
inline constexpr int kDeInterlaceReplaceOdd = 43;
inline constexpr int kDeInterlaceInterpolate = 44;
inline constexpr int kDropShadowFeather = 45;
inline constexpr int kDropShadowIntensity = 46;
inline constexpr int kDropShadowHorizontalOffset = 47;
inline constexpr int kDropShadowVerticalOffset = 48;
inline constexpr int kDropShadowWord49 = 49;
inline constexpr int kDropShadowDirection = 50;
inline constexpr int kDropShadowColor = 51;
inline constexpr int kExtrudeDistance = 52;
inline constexpr int kExtrudeCompassDirection = 53;
inline constexpr int kExtrudeSelect = 54;
inline constexpr int kExtrudeDirection = 55;
inline constexpr int kExtrudeColor = 56;
}  // namespace prefs_word

}  // namespace tessary
