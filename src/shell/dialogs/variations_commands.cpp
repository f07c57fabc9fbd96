#include "model/page.h"
#include "shell/app/command_ids.h"
#include "shell/dialogs/de_interlace_dlg.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/dialogs/variations_dlog.h"

namespace tessary {

namespace {

// The variations dialogs run their final effect themselves, inside OK.
template <VariationsKind kKind>
DialogCommandResult variationsCommand(Page& page, const EffectContext& effect, ShellContext& shell,
                                      QWidget* parent, const EffectRunning&) {
    return CVariationsDlog::run(kKind, page, effect, shell, parent);
}

DialogCommandResult deInterlaceCommand(Page& page, const EffectContext& effect, ShellContext& shell,
                                       QWidget* parent, const EffectRunning&) {
    return runDeInterlaceDialog(page, effect, shell, parent);
}

}  // namespace

// Blur and Sharpen, Despeckle, Noise, Brightness and Contrast, Color
// Variations and De-Interlace.
DialogCommand variationsDialogCommandOf(int id) {
    switch (id) {
        case cmd::kFilterBlurSharpen:
            return &variationsCommand<VariationsKind::BlurSharpen>;
        case cmd::kFilterDespeckle:
            return &variationsCommand<VariationsKind::Despeckle>;
        case cmd::kFilterNoise:
            return &variationsCommand<VariationsKind::Noise>;
        case cmd::kFilterBrightnessContrast:
            return &variationsCommand<VariationsKind::BrightnessContrast>;
        case cmd::kFilterColorVariations:
            return &variationsCommand<VariationsKind::ColorVariations>;
        case cmd::kFilterDeInterlace:
            return &deInterlaceCommand;
        default:
            return nullptr;
    }
}

// Color Variations needs three colour planes; the others work on any page.
bool variationsDialogCommandEnabled(int id, const Page& page) {
    if (id == cmd::kFilterColorVariations) return page.type() == Page::kTypeRgb;
    return variationsDialogCommandOf(id) != nullptr;
}

}  // namespace tessary
