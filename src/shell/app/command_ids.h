#pragma once

namespace tessary::cmd {

// Command identifiers of the menus, accelerators and window controls. The
// framework's standard commands keep their customary numbers; the others are
// the editor's own.

// --- File -----------------------------------------------------------------
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePageSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFileRevert = 32831;
inline constexpr int kTwainSelect = 32832;
inline constexpr int kTwainAcquire = 32833;
// Recent files: kRecentFileFirst + i for entry i (0 = most recent).
inline constexpr int kRecentFileFirst = 57616;
inline constexpr int kRecentFileCount = 4;
inline constexpr int kAppExit = 57665;

// --- Edit -----------------------------------------------------------------
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditClear = 57632;
inline constexpr int kEditFill = 32780;
inline constexpr int kEditPreferences = 32827;

// --- Image ----------------------------------------------------------------
inline constexpr int kImageRgb = 32782;
inline constexpr int kImageGrayscale = 32784;
inline constexpr int kImageFlipRotate = 32789;
inline constexpr int kImageCanvasResolution = 32786;
inline constexpr int kImageCanvasSize = 32787;
inline constexpr int kImageScale = 32830;
inline constexpr int kImageCrop = 32825;
inline constexpr int kImageGetInfo = 32791;

// --- Selection ------------------------------------------------------------
inline constexpr int kSelectAll = 32803;
inline constexpr int kSelectNone = 32804;
inline constexpr int kSelectInverse = 32805;

// --- Filter ---------------------------------------------------------------
inline constexpr int kLastFilter = 99;
inline constexpr int kFilterInvert = 32792;
inline constexpr int kFilterBrightnessContrast = 32794;
inline constexpr int kFilterColorVariations = 32795;
inline constexpr int kFilterBlurSharpen = 32796;
inline constexpr int kFilterDespeckle = 32797;
inline constexpr int kFilterNoise = 32798;
inline constexpr int kFilterDeInterlace = 32800;
inline constexpr int kFilterNtsc = 32799;
inline constexpr int kFilterScratchRemoval = 32815;

// --- ZuviZirer --------------------------------------------------------------
inline constexpr int kAutoContrast = 32829;
inline constexpr int kAutoEnhance = 32810;
inline constexpr int kRedEyeRemoval = 32814;
inline constexpr int kDropShadow = 32812;
inline constexpr int kExtrude = 32813;

// --- Window ---------------------------------------------------------------
inline constexpr int kZoomIn = 33000;
inline constexpr int kZoomOut = 33001;
// The zoom menu: kZoom32To1 (32:1) ... kZoom1To32 (1:32), one id per level.
inline constexpr int kZoom32To1 = 33010;
inline constexpr int kZoom1To1 = 33015;
inline constexpr int kZoom1To32 = 33020;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
inline constexpr int kWindowToolPalette = 32834;
// Entries of the open-window list: kWindowListFirst + i.
inline constexpr int kWindowListFirst = 65280;
inline constexpr int kWindowListCount = 9;

// --- Help -----------------------------------------------------------------
inline constexpr int kAppAbout = 57664;

// --- Controls of the image window -------------------------------------------
inline constexpr int kZoomBox = 4130;
inline constexpr int kZoomInButton = 4131;
inline constexpr int kZoomOutButton = 4132;
inline constexpr int kInfoShowHide = 4134;

// The units popup of the info bar (menu 176), handled by the child frame.
inline constexpr int kUnitInches = 32835;
inline constexpr int kUnitPixels = 32836;
inline constexpr int kUnitCentimeters = 32837;
inline constexpr int kUnitPicas = 32838;
inline constexpr int kUnitPoints = 32839;

// Placeholder item of the plug-in submenus before discovery fills them.
inline constexpr int kWillBeDeleted = 42;

// Plug-in command ranges (one id per registered plug-in of the kind).
inline constexpr int kImportFirst = 40000;
inline constexpr int kImportLast = 40999;
inline constexpr int kExportFirst = 41000;
inline constexpr int kExportLast = 41999;
inline constexpr int kFilterPlugInFirst = 43000;
inline constexpr int kFilterPlugInLast = 43999;

inline constexpr bool inRange(int id, int first, int last) {
    return id >= first && id <= last;
}

// The measurement unit (0 pixels, 1 inches, 2 centimetres, 3 picas, 4 points)
// of a unit command, or -1 for any other id.
inline constexpr int unitOfCommand(int id) {
    switch (id) {
        case kUnitPixels:
            return 0;
        case kUnitInches:
            return 1;
        case kUnitCentimeters:
            return 2;
        case kUnitPicas:
            return 3;
        case kUnitPoints:
            return 4;
        default:
            return -1;
    }
}

}  // namespace tessary::cmd
