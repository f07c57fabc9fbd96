#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/error_codes.h"
#include "plugins/host_ports.h"
#include "render/selection_outline.h"
#include "shell/app/shell_context.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/view/document_view.h"
#include "shell/view/korvel_view.h"
#include "shell/view/tool_cursors.h"
#include "tools/tool_view.h"

class QTimer;

namespace tessary {

class CChildFrame;
class QtTextRasterizer;
class CPageDocument;
class DirectTracker;
class Page;
class Filter;
class ProgressFactory;
struct ViewServices;

// The image view: shows its document's page through the shared renderer
// (grey surround, a black frame just outside the image, the visible pixels
// at the view's zoom, the moving selection outline while its image window is
// the active one, whichever of the window's widgets has the keyboard)
// and is the command target of the commands that work on the image: Edit
// (Undo, Redo, Cut, Copy, Paste, Clear, Fill), Image (type conversions,
// Crop, Get Info), Selection, Filter and ZuviZirer (those without dialogs,
// the plug-in filters, Last Filter), the zoom commands and Print. Export,
// Revert and the unit commands are left to the document and the frame.
//
// Every command runs to its end on the user-interface thread; failures are
// shown in the application's message box (a cancel by the user is not), and
// what changed is repainted. The view owns no pixels.
//
// As the plug-in host's view it gives its page and the history offset with
// which it repaints while a filter runs.
//
// As the tools' view (ToolView) it turns a left-button press into a
// ToolEvent for the application's tool box and follows the drag with its
// DirectTracker; the tool paints through drawNow() while the button is held
// and draws rubber bands into the feedback overlay. The cursor shows what a
// press would do: the current tool's cursor for the modifier keys held and
// whether the pointer is over the selection.
class CPageView : public CKorvelView, public DocumentView, public PlugInView, public ToolView {
    Q_OBJECT
public:
    using TickSource = std::function<std::uint32_t()>;

    // `frame` gives the info bar (may be null); `services` is shared by all
    // views of the application.
    CPageView(CPageDocument& document, CChildFrame* frame, ShellContext& context,
              std::shared_ptr<ViewServices> services, QWidget* parent = nullptr);
    ~CPageView() override;

    CPageDocument& document() const { return m_document; }

    // DocumentView
    QWidget* widget() override { return this; }
    void pageAttached() override;
    void invalidateImageRect(const Rect& area) override;
    void idle() override;

    // CommandTarget
    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

    // PlugInView
    Page* page() override;
    std::int32_t historyOffset() const override { return m_historyOffset; }
    void setHistoryOffset(std::int32_t offset) override { m_historyOffset = offset; }

    // ToolView. Window points are client pixels of this view; the maps
    // compute in 64-bit (and exactly) and clamp to the 32-bit range.
    ToolPoint imageToWindow(ToolPoint image) const override;
    ToolPoint windowToImage(ToolPoint window) const override;
    // Repaints the window rectangle of `image` (grown by one pixel, within
    // the image area) before returning.
    void drawNow(const Rect& image) override;
    void invalidateImage(const Rect& image) override { CKorvelView::invalidateImage(image); }
    // Adds `figure` to the overlay, or removes it when it is shown, and
    // repaints its outline before returning, so a rubber band follows the
    // pointer while the button is held.
    void toggleFeedback(const FeedbackFigure& figure) override;
    // Adds the moved outline at the window offset between `from` and `to`
    // (image pixels), or removes it when shown at that offset, and repaints
    // the window pixels it covers before returning. The first toggle of a
    // drag builds the outline of the selection as it stands then; without a
    // selection nothing shows.
    void toggleMovedOutline(ToolPoint from, ToolPoint to) override;
    // Frees the moved outline (and repaints any displacement still shown).
    void endMovedOutline() override;
    void showPoint(ToolPoint image) override;
    void showDrag(ToolPoint image, std::int32_t width, std::int32_t height) override;
    // Calls the context's coloursChanged, when set.
    void showColours() override;
    MouseTracker& tracker() override;
    // The zoom and the image area in force; scrolling and zooming for the
    // hand and the magnifier (the view is repainted at once); the layout
    // after a crop; a progress window (style 25002) for long tool work.
    double zoom() const override { return geometry().zoom(); }
    Rect imageArea() const override;
    void scrollBy(std::int32_t dx, std::int32_t dy) override;
    void zoomInAbout(ToolPoint centre) override;
    void zoomOutAbout(ToolPoint centre) override;
    void zoomToAbout(double requested, ToolPoint centre) override;
    void resetLayout(const Rect& imageBounds) override;
    std::unique_ptr<ProgressPort> createProgress() override;
    bool askTextOptions(TextTool& tool) override;
    TextRasterizer* textRasterizer() override;

    // The figures of the feedback overlay, in the order they were added.
    const std::vector<FeedbackFigure>& feedback() const { return m_feedback; }
    // The window offsets at which the moved outline is shown now.
    const std::vector<QPoint>& movedOutlineOffsets() const { return m_movedOffsets; }
    // The modifier mask for a pointer at `window` (client pixels) with
    // `modifiers` and the space key as the view last saw it: shift 1, alt 2,
    // ctrl 4, space 16, plus 32 over a selected pixel, 96 over a floating
    // selection.
    int modifierMaskAt(QPoint window, Qt::KeyboardModifiers modifiers) const;
    // The cursor number (0..19) last chosen from the current tool, or -1
    // while the standard arrow is shown (pointer outside the image area,
    // inactive window, no tool box).
    int cursorNumber() const { return m_cursorNumber; }
    bool spaceDown() const { return m_spaceDown; }

    // The millisecond clock of the outline animation (system tick count by
    // default).
    void setTickSource(TickSource source) { m_tick = std::move(source); }
    const SelectionOutline& outline() const { return m_outline; }
    // How many times the outline was painted with a new phase.
    int outlineSteps() const { return m_outlineSteps; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void zoomChanged() override;
    // The outline's window placement may have moved with the same visible
    // image part (a centred image in a resized window): rebuild it.
    void layoutChanged() override { m_outline.requestRebuild(); }
    // Builds the press's ToolEvent and hands it to the tool box: nothing
    // happens without a page or a current tool, or inside another drag.
    // Afterwards what the tool changed is repainted, the title, outline and
    // undo state follow, and an error other than a cancel is reported.
    void leftButtonPressed(QMouseEvent* event) override;

private:
    bool hasPage() const;
    bool hasSelection() const;
    // Whether the view's image window is the one commands go to (a view
    // without a frame: whether it has the focus).
    bool isActiveView() const;
    // Shows `code` unless it is success or a cancel.
    void report(ErrorCode code);
    // Something changed the page: the outline is rebuilt on the next idle
    // pass, the document's title mark follows.
    void pageChanged();
    void repaintSelectionBounds();
    void repaintAll();
    // After a step or an edit that may have changed the image's size.
    void relayoutAndRepaint(const Rect& changed);
    void refreshInfoBar();

    // Chooses the cursor for a pointer at `window` with `modifiers` (the
    // standard arrow outside the image area or while the window is not the
    // active image window).
    void updateCursor(QPoint window, Qt::KeyboardModifiers modifiers);
    // After a modifier key or space went down or up: the cursor at the
    // pointer's last position in the view, if it rests there.
    void keysChanged(Qt::KeyboardModifiers modifiers);
    // After a zoom about `centre` (image pixels): scrolls so that `centre`
    // lands at the middle of the image area where the ranges allow.
    void centreOn(ToolPoint centre);
    void paintImage(QPainter& painter, const Page& page,
                    const KorvelViewGeometry::PaintRequest& request, const WideRect& area);
    // Builds m_movedOutline from the page's selection at the view's zoom;
    // false when there is none to show.
    bool buildMovedOutline();
    // The feedback figures and the moved outline over the image, clipped to
    // the image area.
    void paintFeedback(QPainter& painter, const QRect& area) const;

    void undoOrRedo(bool undo);
    void runEffect(ErrorCode (*command)(Page&, const EffectContext&));
    // The application's opacity, colours, progress and last filter for an
    // effect; `fallback` and `scratch` stand in when the view has no services.
    EffectContext effectContext(ProgressFactory& fallback, std::unique_ptr<Filter>& scratch);
    void runDialogCommand(int id, DialogCommand command);
    void convertType(std::int32_t type);
    void crop();
    void lastFilter();
    void plugInFilter(int id);

    CPageDocument& m_document;
    CChildFrame* m_frame;
    ShellContext& m_context;
    std::shared_ptr<ViewServices> m_services;
    std::int32_t m_historyOffset = 0;
    SelectionOutline m_outline;
    std::uint32_t m_changeCount = 0;
    int m_outlineSteps = 0;
    // The outline is shown and moves (the view was active at the last idle
    // pass).
    bool m_outlineShown = false;
    // Wakes the view every step of the outline while it moves: nothing else
    // may wake the event loop while the user does nothing.
    QTimer* m_outlineTimer = nullptr;
    TickSource m_tick;
    Rect m_shownBounds;

    DirectTracker* m_tracker = nullptr;  // child object
    std::vector<FeedbackFigure> m_feedback;
    // The moved outline of the drag in progress: the selection's outline
    // pixels in the outline pattern on a transparent ground, where it lies
    // undisplaced (window pixels), whether this drag built it already, and
    // the offsets it is shown at.
    QImage m_movedOutline;
    QPoint m_movedOrigin;
    bool m_movedOutlineBuilt = false;
    std::vector<QPoint> m_movedOffsets;
    CToolCursors m_cursors;
    int m_cursorNumber = -1;
    bool m_spaceDown = false;
    // The pointer's last position in the view (client pixels), while it is
    // inside.
    QPoint m_pointer;
    bool m_pointerInside = false;
    // Draws the text tool's text; made at its first use.
    std::unique_ptr<QtTextRasterizer> m_textRasterizer;
};

}  // namespace tessary
