#include "effects/tonal/tonal_commands.h"

#include <new>

#include "effects/framework/effect_names.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/image_map.h"
#include "model/page.h"

namespace tessary {

std::unique_ptr<ImageMap> makeColourMap(const Page& page, std::string_view name) {
    std::unique_ptr<ImageMap> map(new (std::nothrow) ImageMap(0, page.colourPlaneCount() - 1));
    if (!map || !map->valid()) return nullptr;
    map->setName(name);
    return map;
}

ErrorCode invertCommand(Page& page, const EffectContext& context) {
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kInvert.text);
    if (map) map->invert(map->firstSlot(), map->lastSlot());
    return runMenuFilter(page, std::move(map), context);
}

void buildNtscVideoSafeMap(ImageMap& map) {
    for (int s = map.firstSlot(); s <= map.lastSlot(); ++s) {
        std::uint8_t* t = map.table(s);
        for (int i = 0; i <= 12; ++i) t[i] = 12;
        for (int i = 243; i <= 255; ++i) t[i] = 243;
    }
}

ErrorCode ntscVideoSafeCommand(Page& page, const EffectContext& context) {
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kNtscVideoSafe.text);
    if (map) buildNtscVideoSafeMap(*map);
    return runMenuFilter(page, std::move(map), context);
}

void buildBrightnessContrastMap(ImageMap& map, std::int32_t brightness, std::int32_t contrast) {
    map.add(map.firstSlot(), map.lastSlot(), brightness);
    map.contrast(map.firstSlot(), map.lastSlot(), -contrast);
}

ErrorCode brightnessContrastCommand(Page& page, const Rect& rect, const CVector3D& adjustment,
                                    bool final, const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kBrightnessContrast.text);
    if (map) buildBrightnessContrastMap(*map, adjustment.x, adjustment.y);
    return runDialogFilter(page, std::move(map), rect, final, context);
}

void buildColorVariationsMap(ImageMap& map, const CVector3D& adjustment) {
    map.add(0, 0, adjustment.x);
    map.add(1, 1, adjustment.y);
    map.add(2, 2, adjustment.z);
}

ErrorCode colorVariationsCommand(Page& page, const Rect& rect, const CVector3D& adjustment,
                                 bool final, const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    if (page.colourPlaneCount() != 3) return kErrDisk;
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kColorVariations.text);
    if (map) buildColorVariationsMap(*map, adjustment);
    return runDialogFilter(page, std::move(map), rect, final, context);
}

}  // namespace tessary
