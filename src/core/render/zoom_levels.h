#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tessary {

// The image window's eleven zoom levels, powers of two from 1/32 to 32, with
// the label shown in the zoom box and the zoom-menu command of each, and the
// zoom code the renderer takes (n for n:1, -n for 1:n).
struct ZoomLevel {
    double zoom;
    std::string_view label;
    int command;
    int code;
};

namespace zoom_commands {
inline constexpr int kZoomIn = 33000;
inline constexpr int kZoomOut = 33001;
// One command per level, from 32:1 (33010) down to 1:32 (33020).
inline constexpr int kFirstLevel = 33010;
inline constexpr int kLastLevel = 33020;
// Child controls of the image window.
inline constexpr int kZoomBox = 4130;
inline constexpr int kZoomInButton = 4131;
inline constexpr int kZoomOutButton = 4132;
inline constexpr int kHorizontalScrollBar = 4444;
inline constexpr int kVerticalScrollBar = 4445;
// The zoom menu's resource number (the pop-up the zoom box opens).
inline constexpr int kZoomMenuResource = 380;
}  // namespace zoom_commands

class ZoomLevels {
public:
    static constexpr int kCount = 11;
    static constexpr double kMinZoom = 1.0 / 32;
    static constexpr double kMaxZoom = 32.0;

    // Levels from the smallest (1:32) to the largest (32:1).
    static const std::array<ZoomLevel, kCount>& all();

    // The level a requested zoom snaps to: the largest level not above z,
    // with everything below 1/16 giving 1:32 and everything from 32 up 32:1.
    // NaN snaps to 1:1.
    static const ZoomLevel& snap(double requested);

    // The level of a zoom-menu command (33010 ... 33020), or null for any
    // other id.
    static const ZoomLevel* forCommand(int command);

    // The renderer's zoom code for a zoom factor: the factor truncated to an
    // integer when it is at least 1, minus the reduction factor below 1. The
    // factor is snapped first, so the code is always one of the levels'.
    static int codeFor(double zoom);
};

}  // namespace tessary
