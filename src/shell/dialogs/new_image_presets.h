#pragma once

#include <cstdint>

namespace tessary {

// A size preset of the New Image dialog: its label (a string id), its size
// and the unit the size is given in (0 pixels, 1 inches, 2 centimetres).
struct SizePreset {
    int labelString;
    double width;
    double height;
    int unit;
};

// The presets in list order. Entry kCurrentMonitorPreset stands for the
// screen's size, which is read when the preset is chosen.
inline constexpr int kSizePresetCount = 16;
inline constexpr int kCurrentMonitorPreset = 4;
inline constexpr SizePreset kSizePresets[kSizePresetCount] = {
    {300, 512, 342, 0}, {301, 512, 384, 0}, {302, 640, 480, 0}, {303, 832, 624, 0},
    {143, 0, 0, 0},     {304, 450, 340, 0}, {305, 550, 400, 0}, {306, 750, 550, 0},
    {307, 8, 10, 1},    {308, 8.5, 11, 1},  {309, 8.5, 14, 1},  {310, 21, 29.7, 2},
    {311, 5, 3, 1},     {312, 5, 7, 1},     {313, 460, 55, 0},  {314, 88, 31, 0},
};

// The standard resolutions in list order: label string and pixels per inch.
struct StandardResolution {
    int labelString;
    double pixelsPerInch;
};
inline constexpr int kStandardResolutionCount = 13;
inline constexpr StandardResolution kStandardResolutions[kStandardResolutionCount] = {
    {320, 72},  {321, 144},  {322, 150},  {323, 180},  {324, 200},  {325, 300},  {326, 600},
    {327, 720}, {328, 1200}, {329, 2400}, {330, 4800}, {332, 7200}, {333, 9600},
};

// The list index of a resolution (pixels per inch); 0 for one not listed.
int standardResolutionIndex(double pixelsPerInch);

}  // namespace tessary
