#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/error_codes.h"
#include "plugins/host_ports.h"
#include "render/selection_outline.h"
#include "shell/app/shell_context.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/view/document_view.h"
#include "shell/view/korvel_view.h"

class QTimer;

namespace tessary {

class CChildFrame;
class CPageDocument;
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
class CPageView : public CKorvelView, public DocumentView, public PlugInView {
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

    // The millisecond clock of the outline animation (system tick count by
    // default).
    void setTickSource(TickSource source) { m_tick = std::move(source); }
    const SelectionOutline& outline() const { return m_outline; }
    // How many times the outline was painted with a new phase.
    int outlineSteps() const { return m_outlineSteps; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void zoomChanged() override;
    // The outline's window placement may have moved with the same visible
    // image part (a centred image in a resized window): rebuild it.
    void layoutChanged() override { m_outline.requestRebuild(); }
    // Mouse presses become tool events once tools exist; until then a press
    // only moves the info bar's position.
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
};

}  // namespace tessary
