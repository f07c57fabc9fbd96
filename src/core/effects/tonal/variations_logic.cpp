#include "effects/tonal/variations_logic.h"

#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/tonal/tonal_commands.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

constexpr int kDialogNeighbourhood = 176;
constexpr int kDialogBrightnessContrast = 177;
constexpr int kDialogColorVariations = 178;

const VariationsSetup kBlurSharpen{
    kDialogNeighbourhood,
    4234,
    "Blur and Sharpen",
    2,
    1,
    6,
    true,
    &blurSharpenCommand,
    {{{211, "Blur More"}, {212, "Blur"}, {213, "Sharpen"}, {214, "Sharpen More"}, {}, {}, {}, {}}}};
const VariationsSetup kDespeckle{
    kDialogNeighbourhood,
    4235,
    "Despeckle",
    2,
    1,
    6,
    false,
    &despeckleCommand,
    {{{207, "Much Less"}, {208, "Less"}, {209, "More"}, {210, "Much More"}, {}, {}, {}, {}}}};
const VariationsSetup kNoise{kDialogNeighbourhood,
                             4236,
                             "Noise",
                             2,
                             1,
                             6,
                             true,
                             &noiseCommand,
                             {{{203, "Much Less"},
                               {204, "Less Noise"},
                               {205, "More Noise"},
                               {206, "Much More"},
                               {},
                               {},
                               {},
                               {}}}};
const VariationsSetup kBrightnessContrast{kDialogBrightnessContrast,
                                          4233,
                                          "Brightness and Contrast",
                                          40,
                                          10,
                                          7,
                                          true,
                                          &brightnessContrastCommand,
                                          {{{},
                                            {215, "Less Brightness"},
                                            {216, "More Brightness"},
                                            {},
                                            {217, "Less Contrast"},
                                            {218, "More Contrast"},
                                            {},
                                            {}}}};
const VariationsSetup kColorVariations{kDialogColorVariations,
                                       4232,
                                       "Color Variations",
                                       40,
                                       10,
                                       9,
                                       true,
                                       &colorVariationsCommand,
                                       {{{},
                                         {219, "More Cyan"},
                                         {220, "More Red"},
                                         {},
                                         {221, "More Magenta"},
                                         {222, "More Green"},
                                         {223, "More Yellow"},
                                         {224, "More Blue"}}}};

}  // namespace

const VariationsSetup& variationsSetup(VariationsKind kind) {
    switch (kind) {
        case VariationsKind::BlurSharpen:
            return kBlurSharpen;
        case VariationsKind::Despeckle:
            return kDespeckle;
        case VariationsKind::Noise:
            return kNoise;
        case VariationsKind::BrightnessContrast:
            return kBrightnessContrast;
        case VariationsKind::ColorVariations:
            return kColorVariations;
    }
    return kBlurSharpen;
}

bool dialogHasThumbnail(int dialogId, int id) {
    switch (id) {
        case 1089:
        case 1090:
        case 1093:
        case 1094:
            return true;
        case 1092:
        case 1095:
            return dialogId == kDialogNeighbourhood;
        case 1091:
        case 1096:
        case 1097:
            return dialogId == kDialogBrightnessContrast || dialogId == kDialogColorVariations;
        case 1098:
        case 1099:
            return dialogId == kDialogColorVariations;
        default:
            return false;
    }
}

CVector3D thumbnailOffset(int id, std::uint16_t step) {
    const auto s = static_cast<std::int16_t>(step);
    const auto s2 = static_cast<std::int16_t>(2 * step);
    switch (id) {
        case 1092:
            return CVector3D{static_cast<std::int16_t>(-s2), 0, 0};
        case 1093:
            return CVector3D{static_cast<std::int16_t>(-s), 0, 0};
        case 1094:
            return CVector3D{s, 0, 0};
        case 1095:
            return CVector3D{s2, 0, 0};
        case 1096:
            return CVector3D{0, static_cast<std::int16_t>(-s), 0};
        case 1097:
            return CVector3D{0, s, 0};
        case 1098:
            return CVector3D{0, 0, static_cast<std::int16_t>(-s)};
        case 1099:
            return CVector3D{0, 0, s};
        default:
            return CVector3D{};
    }
}

std::vector<int> renderOrder(int dialogId) {
    std::vector<int> order{1089, 1090, 1093, 1094};
    if (dialogId == kDialogNeighbourhood) {
        order.insert(order.end(), {1092, 1095});
    } else {
        order.insert(order.end(), {1091, 1096, 1097});
        if (dialogId == kDialogColorVariations) order.insert(order.end(), {1098, 1099});
    }
    return order;
}

VariationsLabel fixedLabel(int labelControl) {
    switch (labelControl) {
        case 1105:
            return {200, "Original"};
        case 1106:
            return {201, "Current"};
        case 1107:
            return {202, "Current"};
        default:
            return {};
    }
}

std::array<Rect, 9> outlinePath(const Rect& from, const Rect& to) {
    std::array<Rect, 9> path;
    auto between = [](std::int32_t a, std::int32_t b, int k) {
        return static_cast<std::int32_t>(a + (std::int64_t{b} - a) * k / 8);
    };
    for (int k = 0; k <= 8; ++k) {
        path[static_cast<std::size_t>(k)] =
            Rect{between(from.left, to.left, k), between(from.top, to.top, k),
                 between(from.right, to.right, k), between(from.bottom, to.bottom, k)};
    }
    return path;
}

int previewDrawMode(const Page& page) {
    const int base = page.type() == Page::kTypeGrey ? 102 : 100;
    return base + (page.hasFloat() ? 1 : 0);
}

VariationsLogic::VariationsLogic(Page& page, VariationsKind kind, const EffectContext& context,
                                 double zoom, bool fine, const Rect& view)
    : m_page(page),
      m_setup(variationsSetup(kind)),
      m_context(context),
      m_step(fine ? m_setup.fineStep : m_setup.coarseStep) {
    m_imageRect = standardTarget(page).rect;
    m_tracker.setUp(m_imageRect, view, zoom);
}

ErrorCode VariationsLogic::begin() {
    TS_ASSERT(!m_active && m_page.pageData() != nullptr);
    if (!m_page.pageData()->beginChange()) return kErrDisk;
    m_active = true;
    return kErrNone;
}

bool VariationsLogic::chooseFine(bool fine) {
    const std::uint16_t step = fine ? m_setup.fineStep : m_setup.coarseStep;
    if (step == m_step) return false;
    m_step = step;
    return true;
}

VariationsLogic::Thumbnail VariationsLogic::render(int id) {
    Thumbnail thumb;
    thumb.id = id;
    thumb.value = m_current + thumbnailOffset(id, m_step);
    thumb.drawFactor = m_tracker.drawFactor();
    thumb.drawMode = previewDrawMode(m_page);
    if (!m_setup.negativesAllowed && thumb.value.hasNegative()) {
        thumb.enabled = false;
        return thumb;
    }
    thumb.imagePart = m_tracker.visibleImageRect();
    thumb.viewPart = m_tracker.visibleViewRect();
    thumb.showsBeforeChange = id == kThumbOriginal || thumb.value.isZero();
    if (!thumb.showsBeforeChange && m_active) {
        thumb.previewCode = m_setup.effect(m_page, thumb.imagePart, thumb.value, false, m_context);
    }
    return thumb;
}

std::vector<VariationsLogic::Thumbnail> VariationsLogic::renderAll() {
    std::vector<Thumbnail> out;
    for (int id : renderOrder(m_setup.dialogId)) out.push_back(render(id));
    return out;
}

bool VariationsLogic::click(int id) {
    if (!dialogHasThumbnail(m_setup.dialogId, id)) return false;
    if (id == kThumbOriginal) {
        m_current = CVector3D{};
        return true;
    }
    if (id == kThumbCurrent || id == kThumbCurrentToo) return false;
    m_current += thumbnailOffset(id, m_step);
    return true;
}

ErrorCode VariationsLogic::ok(double& zoom, bool& fine) {
    TS_ASSERT(m_active);
    fine = this->fine();
    zoom = m_tracker.zoom();
    PageData* data = m_page.pageData();
    ErrorCode code = m_setup.effect(m_page, m_imageRect, m_current, true, m_context);
    if (code == kErrNone && !m_page.saveState(kUndoKindFilter, 0, m_imageRect)) code = kErrMemory;
    if (code == kErrNone) {
        data->endChange();
    } else {
        data->abortChange();
    }
    m_active = false;
    return code;
}

void VariationsLogic::cancel() {
    if (!m_active) return;
    m_page.pageData()->abortChange();
    m_active = false;
}

}  // namespace tessary
