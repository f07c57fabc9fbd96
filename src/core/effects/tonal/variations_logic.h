#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "effects/framework/c_vector_3d.h"
#include "effects/framework/effect_context.h"
#include "effects/framework/view_tracker.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;

// The engine side of the variations dialogs (Blur and Sharpen, Despeckle,
// Noise on dialog 176; Brightness and Contrast on 177; Color Variations on
// 178): the fixed numbers of each dialog, the accumulated adjustment, the
// preview runs, the zoom and scroll of the preview, and OK and Cancel. The
// dialog itself only shows controls and forwards clicks.

enum class VariationsKind { BlurSharpen, Despeckle, Noise, BrightnessContrast, ColorVariations };

// Thumbnail controls.
inline constexpr int kThumbOriginal = 1089;    // the image before the dialog
inline constexpr int kThumbCurrent = 1090;     // the current adjustment
inline constexpr int kThumbCurrentToo = 1091;  // the current adjustment (177, 178)
inline constexpr int kThumbFirst = 1089;
inline constexpr int kThumbLast = 1099;
// The label control of thumbnail t is t + 16.
inline constexpr int kThumbLabelOffset = 16;

// The effect a dialog previews and applies: (page, rectangle, adjustment,
// final).
using VariationsEffect = ErrorCode (*)(Page&, const Rect&, const CVector3D&, bool,
                                       const EffectContext&);

struct VariationsLabel {
    int id = 0;  // string table number; 0 for a label the dialog leaves as it is
    std::string_view text;
};

struct VariationsSetup {
    int dialogId = 0;
    int titleId = 0;
    std::string_view title;
    std::uint16_t coarseStep = 0;
    std::uint16_t fineStep = 0;
    int thumbnailCount = 0;
    bool negativesAllowed = true;
    VariationsEffect effect = nullptr;
    // Labels of thumbnails 1092 ... 1099 (label controls 1108 ... 1115).
    std::array<VariationsLabel, 8> labels{};
};

const VariationsSetup& variationsSetup(VariationsKind kind);

// Whether a dialog has thumbnail `id`.
bool dialogHasThumbnail(int dialogId, int id);
// The offset thumbnail `id` shows relative to the current adjustment, for
// step s: 1092 x - 2s, 1093 x - s, 1094 x + s, 1095 x + 2s, 1096 y - s,
// 1097 y + s, 1098 z - s, 1099 z + s; 1089 ... 1091 none.
CVector3D thumbnailOffset(int id, std::uint16_t step);
// The order in which "render all" draws a dialog's thumbnails: 1089, 1090,
// 1093, 1094, then 1092 and 1095 (dialog 176) or 1091, 1096, 1097 and, on
// dialog 178, 1098 and 1099.
std::vector<int> renderOrder(int dialogId);
// The label texts of 1105 ... 1107 ("Original", "Current", "Current").
VariationsLabel fixedLabel(int labelControl);

// The positions of the outline that travels from a clicked thumbnail to
// thumbnail 1090: the start and then eight further steps, each one eighth
// of the way (the last one is `to`). Window coordinates.
std::array<Rect, 9> outlinePath(const Rect& from, const Rect& to);

// Draw modes of the renderer for a preview: 100 or 101 for RGB-Millions,
// 102 or 103 for 256 Grays, the higher one when a selection floats.
int previewDrawMode(const Page& page);

// One dialog session. begin() opens the change every preview writes into;
// ok() or cancel() ends it. The page must stay untouched by anything else
// meanwhile.
class VariationsLogic {
public:
    // What a thumbnail shows after rendering.
    struct Thumbnail {
        int id = 0;
        CVector3D value;                // current + the thumbnail's offset
        bool enabled = true;            // false: blank and disabled
        bool showsBeforeChange = true;  // draw the state before the change
        Rect imagePart;                 // image pixels to draw
        Rect viewPart;                  // where they go in the thumbnail
        int drawFactor = 1;             // renderer zoom code
        int drawMode = 100;
        ErrorCode previewCode = 0;  // the preview run's result (not reported)
    };

    // `zoom` and `fine` come from the variations preferences; `view` is the
    // client area of thumbnail 1089.
    VariationsLogic(Page& page, VariationsKind kind, const EffectContext& context, double zoom,
                    bool fine, const Rect& view);

    const VariationsSetup& setup() const { return m_setup; }
    // Opens the change; 0x10002 when it cannot be had (the dialog then does
    // not show).
    ErrorCode begin();
    bool active() const { return m_active; }

    std::uint16_t step() const { return m_step; }
    bool fine() const { return m_step != m_setup.coarseStep; }
    // "Coarse" / "Fine": true when the step changed (render all again).
    bool chooseFine(bool fine);
    const CVector3D& current() const { return m_current; }
    ViewTracker& tracker() { return m_tracker; }
    const ViewTracker& tracker() const { return m_tracker; }

    // Renders one thumbnail: a thumbnail whose value has a negative
    // component in a dialog that allows none is blank; 1089 and a value of
    // 0, 0, 0 show the state before the change; any other runs the effect
    // on the visible part of the image (not final), which writes into the
    // change, and shows the page.
    Thumbnail render(int id);
    // Every thumbnail of the dialog in render order.
    std::vector<Thumbnail> renderAll();

    // A counted click (released inside): 1089 resets the adjustment, 1092
    // ... 1099 add their offset; true when the outline should travel and
    // every thumbnail be rendered again (1090 and 1091 do nothing).
    bool click(int id);

    // OK: gives back the preference values (fine, zoom), runs the effect on
    // the standard target's rectangle with the current adjustment (final),
    // and on 0 records undo kind 6 ("Filter") over it and closes the
    // change; otherwise aborts it. Returns the run's code.
    ErrorCode ok(double& zoom, bool& fine);
    // Cancel: aborts the change; the page is as before the dialog.
    void cancel();

private:
    Page& m_page;
    const VariationsSetup& m_setup;
    const EffectContext& m_context;
    std::uint16_t m_step;
    CVector3D m_current;
    ViewTracker m_tracker;
    Rect m_imageRect;
    bool m_active = false;
};

}  // namespace tessary
