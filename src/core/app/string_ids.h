#pragma once

namespace tessary::string_id {

// Fixed numbers of the string table (resources/strings.tsv).
inline constexpr int kProductName = 128;
inline constexpr int kDocumentType = 129;

// Names computed from a base: undo kind k is kUndoKindBase + k, image type t
// is kImageTypeBase + t (entries 4100..4108), measurement unit u is
// kUnitNameBase + u (0..4), the message of error code c is
// (c + kErrorMessageBase) modulo 65536.
inline constexpr int kUndoKindBase = 3999;
inline constexpr int kImageTypeBase = 4100;
inline constexpr int kImageTypeLast = 4108;
inline constexpr int kUnitNameBase = 4120;
inline constexpr int kErrorMessageBase = 4464;

inline constexpr int kUndoMenu = 5000;
inline constexpr int kRedoMenu = 5001;
inline constexpr int kLastFilterMenu = 5010;

inline constexpr int kPrefsFileName = 5100;
inline constexpr int kStuffFolderName = 5101;
inline constexpr int kTempFolderName = 5102;
inline constexpr int kPlugInFolderName = 5103;

inline constexpr int kVersion = 5201;

}  // namespace tessary::string_id
