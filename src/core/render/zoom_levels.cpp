#include "render/zoom_levels.h"

#include <cmath>

namespace tessary {
namespace {

constexpr std::array<ZoomLevel, ZoomLevels::kCount> kLevels = {{
    {1.0 / 32, "1:32", 33020, -32},
    {1.0 / 16, "1:16", 33019, -16},
    {1.0 / 8, "1:8", 33018, -8},
    {1.0 / 4, "1:4", 33017, -4},
    {1.0 / 2, "1:2", 33016, -2},
    {1.0, "1:1", 33015, 1},
    {2.0, "2:1", 33014, 2},
    {4.0, "4:1", 33013, 4},
    {8.0, "8:1", 33012, 8},
    {16.0, "16:1", 33011, 16},
    {32.0, "32:1", 33010, 32},
}};

constexpr int kOneToOne = 5;

}  // namespace

const std::array<ZoomLevel, ZoomLevels::kCount>& ZoomLevels::all() {
    return kLevels;
}

const ZoomLevel& ZoomLevels::snap(double requested) {
    if (std::isnan(requested)) return kLevels[kOneToOne];
    // Each level covers [its zoom, the next level's zoom); the first level
    // also takes everything below, the last everything above.
    for (int i = kCount - 1; i > 0; --i) {
        if (requested >= kLevels[i].zoom) return kLevels[i];
    }
    return kLevels[0];
}

const ZoomLevel* ZoomLevels::forCommand(int command) {
    for (const ZoomLevel& level : kLevels) {
        if (level.command == command) return &level;
    }
    return nullptr;
}

int ZoomLevels::codeFor(double zoom) {
    return snap(zoom).code;
}

}  // namespace tessary
