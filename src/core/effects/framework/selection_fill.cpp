#include "effects/framework/selection_fill.h"

#include "effects/framework/effect_context.h"
#include "effects/framework/mask_fill.h"
#include "effects/geometry/geometry_names.h"
#include "model/page.h"

namespace tessary {
namespace {

constexpr std::uint32_t kEraseProgressDelayMs = 100;

// The colour planes through the mask plane, clipped to the selection.
MaskFillRequest throughMask(const Page& page, std::uint32_t colour, std::int32_t opacity) {
    MaskFillRequest request;
    request.colour = colour;
    request.planeCount = page.colourPlaneCount();
    request.firstPlane = 0;
    request.opacity = opacity;
    // The mask follows the colour planes whether or not a selection floats
    // (maskPlane() names it only while nothing floats).
    request.planeA = page.colourPlaneCount();
    request.rect = page.selectionRect();
    request.limit = page.bounds();
    return request;
}

}  // namespace

ErrorCode fillSelection(Page& page, std::uint32_t colour, std::int32_t opacity,
                        ProgressPort* progress) {
    if (page.hasFloat()) {
        MaskFillRequest request;
        request.colour = colour;
        request.planeCount = page.colourPlaneCount();
        request.firstPlane = page.floatBase();
        request.opacity = 255;
        request.limit = page.selectionRect();
        return fillThroughMask(page, request, progress);
    }
    if (page.hasMask()) return fillThroughMask(page, throughMask(page, colour, opacity), progress);
    MaskFillRequest request;
    request.colour = colour;
    request.planeCount = page.colourPlaneCount();
    request.opacity = opacity;
    request.limit = page.bounds();
    return fillThroughMask(page, request, progress);
}

ErrorCode eraseSelection(Page& page, std::uint32_t background, ProgressFactory& progress) {
    if (!page.hasMask() && !page.hasFloat()) return kErrNone;
    std::unique_ptr<ProgressPort> window = progress.create(ProgressFactory::kEffectStyle);
    if (window) {
        window->setText(0, geometry_name::kWorking.text);
        window->setText(1, geometry_name::kErasingSelection.text);
        window->setDelay(kEraseProgressDelayMs);
    }
    const ErrorCode code =
        fillThroughMask(page, throughMask(page, background, 255), window.get());
    if (window) window->close(code == kErrNone);
    return code;
}

}  // namespace tessary
