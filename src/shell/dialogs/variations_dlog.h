#pragma once

#include <QRect>
#include <array>
#include <cstdint>
#include <memory>

#include "effects/tonal/variations_logic.h"
#include "render/page_draw.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class CVariationCntl;
class Page;
class TravelOutline;
struct VariationsPrefs;

// The variations dialog: a row of preview thumbnails of the page around the
// current adjustment, each one click away from becoming the current one.
// Dialog 176 (Blur and Sharpen, Despeckle, Noise) shows six thumbnails,
// 177 (Brightness and Contrast) seven, 178 (Color Variations) nine; the
// engine side (adjustment, previews, zoom and scroll, OK and Cancel) is
// VariationsLogic, this class shows it.
//
// Life cycle: construct, setUp() (opens the change every preview writes
// into and draws every thumbnail), exec(). OK discards the previews, hides
// the dialog, runs the effect on the whole target (final, with its progress
// window) and closes the change with one
// "Filter" undo step, or aborts it when the run fails; Cancel, closing the
// window or destroying the dialog with the change still open abort it, so
// the page is then as before the dialog. Only OK writes the zoom and the
// step choice to the preferences.
class CVariationsDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdCoarse = 1100;
    static constexpr int kIdFine = 1101;
    static constexpr int kIdZoomIn = 1102;
    static constexpr int kIdZoomOut = 1103;
    static constexpr int kIdZoomText = 1104;
    // Thumbnails are this many dialog units wide and high.
    static constexpr int kThumbnailDialogUnits = 48;
    // The band size of the dialog's own renderer: small, as the thumbnails
    // are.
    static constexpr std::uint32_t kPreviewBand = 32;

    ~CVariationsDlogHandler() override;

    // Opens the change and draws every thumbnail. A code other than 0 means
    // the change could not be had: the dialog must not be shown.
    ErrorCode setUp();
    // The final run's code after OK (0 before).
    ErrorCode finalCode() const { return m_finalCode; }

    int dialogId() const { return m_logic->setup().dialogId; }
    const CVector3D& current() const { return m_logic->current(); }
    std::uint16_t step() const { return m_logic->step(); }
    double zoom() const { return m_logic->tracker().zoom(); }
    // The thumbnail control `id` (1089 ... 1099), or null when this dialog
    // has none.
    CVariationCntl* thumbnail(int id) const;
    // The window rectangle (dialog coordinates) of a control.
    QRect windowRect(const QWidget* control) const;
    // The positions the outline took after the last counted click.
    const std::array<QRect, 9>& lastOutlinePath() const;

public slots:
    void accept() override;
    void reject() override;

protected:
    // Builds the controls of `kind`'s dialog over `page`. `prefs` gives the
    // starting zoom and step and receives them on OK; `sharedRenderer` (may
    // be null) draws the thumbnails when the dialog's own renderer cannot
    // get its buffers. Every reference must outlive the dialog.
    CVariationsDlogHandler(VariationsKind kind, Page& page, const EffectContext& effect,
                           VariationsPrefs& prefs, const PageDraw* sharedRenderer, QWidget* parent);

private:
    void buildControls(const QSize& thumbnailSize);
    void setTexts();
    // Renders thumbnail `id` and draws it at once (the page holds its
    // preview only until the next thumbnail renders).
    void renderThumbnail(int id);
    void renderAll();
    void drawThumbnail(const VariationsLogic::Thumbnail& thumb);
    void showZoom();

    void thumbnailClicked(int id);
    void thumbnailDragged(int id, int dx, int dy);
    void thumbnailReleased(int id);
    void stepChosen(bool fine);
    void zoomChosen(bool in);
    // Puts back every plane as it was before the change, undoing what the
    // previews wrote. False when the store could not do it.
    bool discardPreviews();

    Page& m_page;
    VariationsPrefs& m_prefs;
    PageDraw m_ownRenderer;
    const PageDraw* m_renderer = nullptr;
    std::unique_ptr<VariationsLogic> m_logic;
    std::array<CVariationCntl*, kThumbLast - kThumbFirst + 1> m_thumbnails{};
    TravelOutline* m_outline = nullptr;
    bool m_scrolled = false;
    ErrorCode m_finalCode = kErrNone;
};

// Blur and Sharpen (dialog 176): x is the amount, negative blurs.
class CBlurShrpDlogHandler : public CVariationsDlogHandler {
    Q_OBJECT
public:
    CBlurShrpDlogHandler(Page& page, const EffectContext& effect, VariationsPrefs& prefs,
                         const PageDraw* sharedRenderer, QWidget* parent = nullptr);
};

// Despeckle (dialog 176): x is the median radius; no negative previews.
class CDespeckleDlogHandler : public CVariationsDlogHandler {
    Q_OBJECT
public:
    CDespeckleDlogHandler(Page& page, const EffectContext& effect, VariationsPrefs& prefs,
                          const PageDraw* sharedRenderer, QWidget* parent = nullptr);
};

// Noise (dialog 176): x is the amount, negative removes noise.
class CNoiseDlogHandler : public CVariationsDlogHandler {
    Q_OBJECT
public:
    CNoiseDlogHandler(Page& page, const EffectContext& effect, VariationsPrefs& prefs,
                      const PageDraw* sharedRenderer, QWidget* parent = nullptr);
};

// Brightness and Contrast (dialog 177): x brightness, y contrast.
class CBriConDlogHandler : public CVariationsDlogHandler {
    Q_OBJECT
public:
    CBriConDlogHandler(Page& page, const EffectContext& effect, VariationsPrefs& prefs,
                       const PageDraw* sharedRenderer, QWidget* parent = nullptr);
};

// Color Variations (dialog 178): x red, y green, z blue.
class CColorTintDlogHandler : public CVariationsDlogHandler {
    Q_OBJECT
public:
    CColorTintDlogHandler(Page& page, const EffectContext& effect, VariationsPrefs& prefs,
                          const PageDraw* sharedRenderer, QWidget* parent = nullptr);
};

// The dialog handler of `kind`.
std::unique_ptr<CVariationsDlogHandler> makeVariationsDlog(VariationsKind kind, Page& page,
                                                           const EffectContext& effect,
                                                           VariationsPrefs& prefs,
                                                           const PageDraw* sharedRenderer,
                                                           QWidget* parent);

// The menu command's launcher: sets the dialog up over `page` (a failure is
// returned and no dialog shows), runs it modally, and reports what happened:
// cancelled, the final run's failure, or success with the target rectangle
// to repaint. The zoom and step are kept in the application's variations
// preferences (a dialog without globals keeps them nowhere).
class CVariationsDlog {
public:
    static DialogCommandResult run(VariationsKind kind, Page& page, const EffectContext& effect,
                                   ShellContext& shell, QWidget* parent);
};

}  // namespace tessary
