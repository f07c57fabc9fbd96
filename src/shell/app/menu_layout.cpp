#include "shell/app/menu_layout.h"

#include "shell/app/command_ids.h"

namespace tessary {

namespace {

using Kind = MenuEntry::Kind;

MenuEntry item(int id, std::string_view text, bool checkable = false) {
    return MenuEntry{Kind::Command, id, text, checkable, {}};
}

MenuEntry separator() {
    return MenuEntry{Kind::Separator, 0, {}, false, {}};
}

MenuEntry popup(std::string_view text, std::vector<MenuEntry> children) {
    return MenuEntry{Kind::Popup, 0, text, false, std::move(children)};
}

MenuEntry special(Kind kind, std::string_view text) {
    return MenuEntry{kind, 0, text, false, {}};
}

std::vector<MenuEntry> buildZoomMenu() {
    static constexpr std::string_view kLabels[] = {"32:1", "16:1", "8:1", "4:1",  "2:1", "1:1",
                                                   "1:2",  "1:4",  "1:8", "1:16", "1:32"};
    std::vector<MenuEntry> entries;
    int id = cmd::kZoom32To1;
    for (std::string_view label : kLabels) entries.push_back(item(id++, label, true));
    return entries;
}

std::vector<MenuEntry> buildMainMenu() {
    std::vector<MenuEntry> bar;
    bar.push_back(popup("&File", {
                                     item(cmd::kFileNew, "&New...\tCtrl+N"),    // 0
                                     item(cmd::kFileOpen, "&Open...\tCtrl+O"),  // 1
                                     item(cmd::kFileClose, "&Close"),           // 2
                                     item(cmd::kFileSave, "&Save\tCtrl+S"),     // 3
                                     item(cmd::kFileSaveAs, "Save &As..."),     // 4
                                     item(cmd::kFileRevert, "&Revert"),         // 5
                                     separator(),                               // 6
                                     popup("&TWAIN",                            // 7
                                           {item(cmd::kTwainSelect, "&Select..."),
                                            item(cmd::kTwainAcquire, "&Acquire...")}),
                                     special(Kind::ImportMenu, "&Import"),         // 8
                                     special(Kind::ExportMenu, "&Export"),         // 9
                                     separator(),                                  // 10
                                     item(cmd::kFilePageSetup, "Page Set&up..."),  // 11
                                     item(cmd::kFilePrint, "&Print...\tCtrl+P"),   // 12
                                     separator(),                                  // 13
                                     special(Kind::RecentFiles, "Recent File"),    // 14
                                     separator(),                                  // 15
                                     item(cmd::kAppExit, "E&xit"),                 // 16
                                 }));
    bar.push_back(popup("&Edit", {
                                     item(cmd::kEditUndo, "&Undo\tCtrl+Z"),
                                     item(cmd::kEditRedo, "&Redo\tCtrl+R"),
                                     separator(),
                                     item(cmd::kEditCut, "Cu&t\tCtrl+X"),
                                     item(cmd::kEditCopy, "&Copy\tCtrl+C"),
                                     item(cmd::kEditPaste, "&Paste\tCtrl+V"),
                                     item(cmd::kEditClear, "C&lear"),
                                     separator(),
                                     item(cmd::kEditFill, "F&ill"),
                                     separator(),
                                     item(cmd::kEditPreferences, "Pr&eferences..."),
                                 }));
    bar.push_back(popup("&Image", {
                                      item(cmd::kImageRgb, "RGB-&Millions", true),
                                      item(cmd::kImageGrayscale, "&Grayscale", true),
                                      separator(),
                                      item(cmd::kImageFlipRotate, "&Flip && Rotate..."),
                                      item(cmd::kImageCanvasResolution, "Canvas &Resolution..."),
                                      item(cmd::kImageCanvasSize, "Canvas &Size..."),
                                      item(cmd::kImageScale, "S&cale..."),
                                      item(cmd::kImageCrop, "Cr&op"),
                                      separator(),
                                      item(cmd::kImageGetInfo, "Get &Info..."),
                                  }));
    bar.push_back(popup("&Selection", {
                                          item(cmd::kSelectAll, "Select &All\tCtrl+A"),
                                          item(cmd::kSelectNone, "Select &None"),
                                          item(cmd::kSelectInverse, "Select &Inverse"),
                                      }));
    bar.push_back(popup("Fi&lter", {
                                       item(cmd::kLastFilter, "Last &Filter\tCtrl+F"),  // 0
                                       separator(),                                     // 1
                                       item(cmd::kFilterInvert, "&Invert"),             // 2
                                       item(cmd::kFilterBrightnessContrast,             // 3
                                            "&Brightness && Contrast..."),
                                       item(cmd::kFilterColorVariations,  // 4
                                            "&Color Variations..."),
                                       separator(),                                           // 5
                                       item(cmd::kFilterBlurSharpen, "B&lur && Sharpen..."),  // 6
                                       item(cmd::kFilterDespeckle, "&Despeckle..."),          // 7
                                       item(cmd::kFilterNoise, "&Noise..."),                  // 8
                                       separator(),                                           // 9
                                       item(cmd::kFilterDeInterlace, "De - In&terlace..."),   // 10
                                       item(cmd::kFilterNtsc, "NTSC &Video Correction"),      // 11
                                       item(cmd::kFilterScratchRemoval, "Scr&atch Removal"),  // 12
                                       separator(),                                           // 13
                                       special(Kind::FilterMenu, "&Plug - Ins"),              // 14
                                   }));
    bar.push_back(popup("&ZuviZirer", {
                                          item(cmd::kAutoContrast, "Auto &Contrast"),
                                          item(cmd::kAutoEnhance, "Auto &Enhance"),
                                          item(cmd::kRedEyeRemoval, "&Red Eye Removal"),
                                          separator(),
                                          item(cmd::kDropShadow, "&Drop Shadow..."),
                                          item(cmd::kExtrude, "E&xtrude..."),
                                      }));
    bar.push_back(popup("&Window", {
                                       item(cmd::kZoomIn, "Zoom &In"),
                                       item(cmd::kZoomOut, "Zoom &Out"),
                                       popup("&Zoom", buildZoomMenu()),
                                       separator(),
                                       item(cmd::kWindowCascade, "&Cascade"),
                                       item(cmd::kWindowTile, "&Tile"),
                                       item(cmd::kWindowArrange, "&Arrange Icons"),
                                       separator(),
                                       item(cmd::kWindowToolPalette, "Tool &Palette", true),
                                       special(Kind::WindowList, {}),
                                   }));
    bar.push_back(popup("&Help", {item(cmd::kAppAbout, "&About Tessary...")}));
    return bar;
}

void collect(const std::vector<MenuEntry>& entries, std::vector<const MenuEntry*>& out) {
    for (const MenuEntry& entry : entries) {
        if (entry.kind == Kind::Command) out.push_back(&entry);
        if (entry.kind == Kind::Popup) collect(entry.children, out);
    }
}

}  // namespace

const std::vector<MenuEntry>& mainMenuLayout() {
    static const std::vector<MenuEntry> layout = buildMainMenu();
    return layout;
}

const std::vector<MenuEntry>& zoomMenuLayout() {
    static const std::vector<MenuEntry> layout = buildZoomMenu();
    return layout;
}

const std::vector<MenuEntry>& unitsMenuLayout() {
    static const std::vector<MenuEntry> layout = {
        item(cmd::kUnitPixels, "Pixels", true),           item(cmd::kUnitInches, "Inches", true),
        item(cmd::kUnitCentimeters, "Centimeters", true), item(cmd::kUnitPicas, "Picas", true),
        item(cmd::kUnitPoints, "Points", true),
    };
    return layout;
}

std::vector<const MenuEntry*> commandEntries(const std::vector<MenuEntry>& layout) {
    std::vector<const MenuEntry*> out;
    collect(layout, out);
    return out;
}

}  // namespace tessary
