#include "shell/view/page_view.h"

#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include "app/menu_texts.h"
#include "app/zerozevuv.h"
#include "effects/framework/effect_context.h"
#include "effects/framework/effect_run.h"
#include "effects/geometry/crop.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/noise_generator.h"
#include "effects/tonal/auto_tone.h"
#include "effects/tonal/tonal_commands.h"
#include "effects/tonal/type_conversion.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/system_info.h"
#include "plugins/plug_in_commands.h"
#include "plugins/plug_in_host.h"
#include "render/page_draw.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/korvel_app.h"
#include "shell/app/menu_layout.h"
#include "shell/app/page_document.h"
#include "shell/chrome/error_box.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/dialogs/get_info_dlog.h"
#include "shell/services/page_printer.h"
#include "text/qt_text_rasterizer.h"
#include "shell/view/direct_tracker.h"
#include "shell/view/view_edits.h"
#include "shell/view/view_services.h"

namespace tessary {
namespace {

// Effects run without a progress window when the application has no
// progress factory (they then cannot be cancelled).
class NoProgressFactory : public ProgressFactory {
public:
    std::unique_ptr<ProgressPort> create(std::int16_t) override { return nullptr; }
};

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QRect toQRect(const WideRect& r) {
    return QRect(QPoint(static_cast<int>(r.left), static_cast<int>(r.top)),
                 QPoint(static_cast<int>(r.right) - 1, static_cast<int>(r.bottom) - 1));
}

// The effects without a dialog, by command.
using EffectCommand = ErrorCode (*)(Page&, const EffectContext&);
EffectCommand effectOf(int id) {
    switch (id) {
        case cmd::kFilterInvert:
            return &invertCommand;
        case cmd::kFilterNtsc:
            return &ntscVideoSafeCommand;
        case cmd::kFilterScratchRemoval:
            return &scratchRemovalCommand;
        case cmd::kRedEyeRemoval:
            return &redEyeRemovalCommand;
        case cmd::kAutoContrast:
            return &autoContrastCommand;
        case cmd::kAutoEnhance:
            return &autoEnhanceCommand;
        default:
            return nullptr;
    }
}

bool isZoomCommand(int id) {
    return id == cmd::kZoomIn || id == cmd::kZoomOut || id == cmd::kZoomInButton ||
           id == cmd::kZoomOutButton || id == cmd::kZoomBox ||
           cmd::inRange(id, cmd::kZoom32To1, cmd::kZoom1To32);
}

}  // namespace

CPageView::CPageView(CPageDocument& document, CChildFrame* frame, ShellContext& context,
                     std::shared_ptr<ViewServices> services, QWidget* parent)
    : CKorvelView(parent),
      m_document(document),
      m_frame(frame),
      m_context(context),
      m_services(std::move(services)),
      m_tick([] { return platform::systemInfo().tickCount(); }) {
    m_tracker = new DirectTracker(this);
    if (m_frame != nullptr) setInfoBar(m_frame->infoBar());
    m_outlineTimer = new QTimer(this);
    m_outlineTimer->setInterval(static_cast<int>(SelectionOutline::kStepMillis));
    connect(m_outlineTimer, &QTimer::timeout, this, &CPageView::idle);
    if (CKorvelApp* app = CKorvelApp::instance(); app != nullptr && app->running()) {
        auto* menu = new QMenu(this);
        for (const MenuEntry& entry : zoomMenuLayout())
            menu->addAction(app->router().defineCommand(
                entry.id, QString::fromUtf8(entry.text.data(), entry.text.size()), true));
        app->router().attachMenu(menu);
        setZoomMenu(menu);
    }
}

CPageView::~CPageView() = default;

Page* CPageView::page() {
    return m_document.page();
}

bool CPageView::hasPage() const {
    const Page* page = m_document.page();
    return page != nullptr && page->pageData() != nullptr && page->pageData()->initialised();
}

bool CPageView::hasSelection() const {
    return hasPage() && ViewEdits::hasSelection(*m_document.page());
}

// --- Document view -------------------------------------------------------------

void CPageView::pageAttached() {
    const Page* page = m_document.page();
    m_shownBounds = page != nullptr ? page->bounds() : Rect{};
    CKorvelView::resetLayout(m_shownBounds);
    pageChanged();
}

void CPageView::invalidateImageRect(const Rect& area) {
    invalidateImage(area);
    pageChanged();
}

void CPageView::pageChanged() {
    ++m_changeCount;
    m_outline.requestRebuild();
    if (m_frame != nullptr) m_frame->updateTitle();
}

void CPageView::repaintSelectionBounds() {
    if (hasPage()) invalidateImage(ViewEdits::selectionBounds(*m_document.page()));
    pageChanged();
}

void CPageView::repaintAll() {
    update();
    pageChanged();
}

void CPageView::relayoutAndRepaint(const Rect& changed) {
    const Page* page = m_document.page();
    const Rect bounds = page != nullptr ? page->bounds() : Rect{};
    if (!(bounds == m_shownBounds)) {
        m_shownBounds = bounds;
        CKorvelView::resetLayout(bounds);
        refreshInfoBar();
    } else if (!changed.empty()) {
        invalidateImage(changed);
    }
    pageChanged();
}

void CPageView::refreshInfoBar() {
    if (m_frame != nullptr) m_frame->refreshInfo();
}

void CPageView::report(ErrorCode code) {
    showErrorCode(m_context.mainWindow, code);
}

// --- Selection outline ------------------------------------------------------------

bool CPageView::isActiveView() const {
    if (m_frame == nullptr || m_frame->mdiArea() == nullptr) return hasFocus();
    return m_frame->mdiArea()->currentSubWindow() == m_frame;
}

void CPageView::idle() {
    const bool active = isActiveView();
    if (!active) m_outlineTimer->stop();
    if (active != m_outlineShown) {
        m_outlineShown = active;
        if (active) {
            m_outline.activate(m_tick());
        } else {
            const SelectionOutline::Invalidation stale = m_outline.discard();
            if (stale.any) update(toQRect(stale.rect));
        }
    }
    if (!hasPage() || m_context.renderer == nullptr) {
        m_outlineTimer->stop();
        return;
    }
    // A drag in progress paints for itself; the outline waits for its end.
    if (m_tracker->tracking()) return;
    const Page& page = *m_document.page();
    SelectionOutline::Scene scene;
    scene.hasFocus = active;
    scene.hasSelection = ViewEdits::hasSelection(page);
    // The view's own count of edits, plus the page's count of moves done
    // where this view did not see them (another view, a plug-in).
    scene.changeCount = m_changeCount + page.changeCounter();
    scene.state = PageDraw::stateAt(*page.pageData(), 0);
    scene.maskPlane = page.colourPlaneCount();
    scene.selectionBounds = page.selectionRect();
    const SelectionOutline::Invalidation stale =
        m_outline.update(*m_context.renderer, geometry(), scene);
    if (stale.any) update(toQRect(stale.rect));
    if (scene.hasFocus && m_outline.animate(m_tick())) {
        ++m_outlineSteps;
        update(toQRect(m_outline.windowRect().intersected(geometry().imageArea())));
    }
    const bool moving = scene.hasFocus && m_outline.hasBitmap();
    if (moving != m_outlineTimer->isActive()) {
        if (moving)
            m_outlineTimer->start();
        else
            m_outlineTimer->stop();
    }
}

void CPageView::focusOutEvent(QFocusEvent* event) {
    CKorvelView::focusOutEvent(event);
    // Key releases go elsewhere from now on.
    m_spaceDown = false;
}

void CPageView::zoomChanged() {
    pageChanged();
}

// --- Painting ----------------------------------------------------------------------

void CPageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect clip = event->rect();
    paintStrips(painter, clip);
    const WideRect area = geometry().imageArea();
    const QRect areaRect = toQRect(area).intersected(clip);
    if (areaRect.isEmpty()) return;
    painter.fillRect(areaRect, Qt::gray);
    if (!hasPage()) return;
    const Page& page = *m_document.page();

    painter.setClipRect(toQRect(area));
    const WideRect frame = geometry().placement().grown(1);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(toQRect(frame).adjusted(0, 0, -1, -1));

    // Each rectangle of the region on its own: a rubber band's repaint is
    // four thin strips, not the whole rectangle they enclose.
    if (m_context.renderer != nullptr && m_context.renderer->ready()) {
        for (const QRect& part : event->region()) {
            const QRect partRect = part.intersected(areaRect);
            if (partRect.isEmpty()) continue;
            const WideRect clipBox{partRect.left(), partRect.top(), partRect.right() + 1,
                                   partRect.bottom() + 1};
            if (const auto request = geometry().paintRequest(clipBox))
                paintImage(painter, page, *request, area);
        }
    }
    paintFeedback(painter, toQRect(area));
}

void CPageView::paintImage(QPainter& painter, const Page& page,
                           const KorvelViewGeometry::PaintRequest& request, const WideRect& area) {
    const QRect target = toQRect(request.clip);
    QImage buffer(target.size(), QImage::Format_RGB32);
    DrawTarget drawTarget;
    drawTarget.pixels = reinterpret_cast<std::uint32_t*>(buffer.bits());
    drawTarget.strideBytes = buffer.bytesPerLine();
    drawTarget.width = buffer.width();
    drawTarget.height = buffer.height();
    drawTarget.originX = target.left();
    drawTarget.originY = target.top();
    drawTarget.clip = request.clip;
    m_context.renderer->draw(*page.pageData(), request.source, request.destination, drawTarget,
                             geometry().zoomCode(),
                             PageDraw::drawModeFor(page.type(), page.hasFloat()), m_historyOffset);
    if (m_outlineShown && m_outline.hasBitmap()) m_outline.paint(drawTarget, area);
    painter.drawImage(target.topLeft(), buffer);
}

// --- Commands -------------------------------------------------------------------------

bool CPageView::updateCommand(int id, CommandState& state) {
    const bool page = hasPage();
    if (isZoomCommand(id)) {
        state.enabled = true;
        if (cmd::inRange(id, cmd::kZoom32To1, cmd::kZoom1To32))
            state.checked = geometry().zoomCommand() == id;
        return true;
    }
    if (effectOf(id) != nullptr) {
        state.enabled = page;
        return true;
    }
    if (dialogCommandOf(id) != nullptr) {
        state.enabled = page && dialogCommandEnabled(id, *m_document.page());
        return true;
    }
    if (cmd::inRange(id, cmd::kFilterPlugInFirst, cmd::kFilterPlugInLast)) {
        state.enabled = page && m_context.host != nullptr && m_context.plugIns != nullptr &&
                        !m_context.host->busy();
        return true;
    }
    const Page* p = m_document.page();
    switch (id) {
        case cmd::kEditUndo: {
            const MenuItemState item = undoMenuItem(page && p->canUndo(), page ? p->undoKind() : 0);
            state.enabled = item.enabled;
            state.text = fromUtf8(item.text);
            return true;
        }
        case cmd::kEditRedo: {
            const MenuItemState item = redoMenuItem(page && p->canRedo(), page ? p->redoKind() : 0);
            state.enabled = item.enabled;
            state.text = fromUtf8(item.text);
            return true;
        }
        case cmd::kEditCut:
        case cmd::kEditCopy:
            state.enabled = hasSelection() && m_context.scrap != nullptr;
            return true;
        case cmd::kEditClear:
        case cmd::kImageCrop:
        case cmd::kSelectNone:
        case cmd::kSelectInverse:
            state.enabled = hasSelection();
            return true;
        case cmd::kEditPaste:
            state.enabled = page && m_context.scrap != nullptr && m_context.scrap->hasImage();
            return true;
        case cmd::kEditFill:
        case cmd::kSelectAll:
        case cmd::kImageGetInfo:
        case cmd::kFilePrint:
        case cmd::kFilePrintDirect:
            state.enabled = page;
            return true;
        case cmd::kImageRgb:
            state.enabled = page;
            state.checked = page && p->type() == Page::kTypeRgb;
            return true;
        case cmd::kImageGrayscale:
            state.enabled = page;
            state.checked = page && p->type() == Page::kTypeGrey;
            return true;
        case cmd::kLastFilter: {
            const Filter* last = m_services ? m_services->lastFilter.get() : nullptr;
            const bool plugIn = last != nullptr && last->kind() == kFilterKindPlugIn;
            const bool runnable = plugIn ? (m_context.host != nullptr && !m_context.host->busy())
                                         : lastFilterRunsHere(last);
            const bool enabled = page && p->canUndo() && last != nullptr && runnable;
            const MenuItemState item =
                lastFilterMenuItem(enabled, last != nullptr ? last->name() : std::string_view{});
            state.enabled = enabled;
            state.text = fromUtf8(item.text);
            return true;
        }
        default:
            return false;
    }
}

bool CPageView::runCommand(int id) {
    if (!hasPage()) return isZoomCommand(id);
    Page& page = *m_document.page();
    ZERozevuv* globals = m_context.globals;
    const std::uint32_t foreground = globals != nullptr ? globals->foreground() : 0x000000;
    const std::uint32_t background = globals != nullptr ? globals->background() : 0xFFFFFF;
    const std::int32_t opacity = globals != nullptr ? globals->opacity() : 255;

    if (EffectCommand effect = effectOf(id)) {
        runEffect(effect);
        return true;
    }
    if (DialogCommand command = dialogCommandOf(id)) {
        runDialogCommand(id, command);
        return true;
    }
    if (cmd::inRange(id, cmd::kFilterPlugInFirst, cmd::kFilterPlugInLast)) {
        plugInFilter(id);
        return true;
    }
    if (cmd::inRange(id, cmd::kZoom32To1, cmd::kZoom1To32)) {
        zoomToCommand(id);
        return true;
    }

    ViewEditResult result;
    switch (id) {
        case cmd::kZoomIn:
        case cmd::kZoomInButton:
            zoomIn();
            return true;
        case cmd::kZoomOut:
        case cmd::kZoomOutButton:
            zoomOut();
            return true;
        case cmd::kZoomBox:
            popUpZoomMenu();
            return true;
        case cmd::kEditUndo:
            undoOrRedo(true);
            return true;
        case cmd::kEditRedo:
            undoOrRedo(false);
            return true;
        case cmd::kEditCopy:
            if (m_context.scrap != nullptr) report(ViewEdits::copy(page, *m_context.scrap));
            return true;
        case cmd::kEditCut:
            if (m_context.scrap == nullptr) return true;
            result = ViewEdits::cut(page, *m_context.scrap, background, opacity);
            break;
        case cmd::kEditPaste:
            if (m_context.scrap == nullptr) return true;
            result = ViewEdits::paste(page, *m_context.scrap);
            break;
        case cmd::kEditClear:
            result = ViewEdits::clear(page, background, opacity);
            break;
        case cmd::kEditFill:
            result = ViewEdits::fill(page, foreground, opacity);
            break;
        case cmd::kSelectAll:
            result = ViewEdits::selectAll(page);
            break;
        case cmd::kSelectNone:
            result = ViewEdits::selectNone(page);
            break;
        case cmd::kSelectInverse:
            result = ViewEdits::selectInverse(page);
            break;
        case cmd::kImageRgb:
            convertType(Page::kTypeRgb);
            return true;
        case cmd::kImageGrayscale:
            convertType(Page::kTypeGrey);
            return true;
        case cmd::kImageCrop:
            crop();
            return true;
        case cmd::kImageGetInfo:
            CGetInfoDlog::run(m_document, m_context.mainWindow);
            return true;
        case cmd::kFilePrint:
        case cmd::kFilePrintDirect:
            // A floating selection is merged before printing.
            CPagePrinter::printCommand(m_document, m_context, id == cmd::kFilePrint);
            repaintAll();
            return true;
        case cmd::kLastFilter:
            lastFilter();
            return true;
        default:
            return false;
    }
    // The edits of the view itself.
    if (result.code == kErrNone) {
        if (!result.repaint.empty()) invalidateImage(result.repaint);
        pageChanged();
    } else {
        report(result.code);
    }
    return true;
}

void CPageView::undoOrRedo(bool undo) {
    Page& page = *m_document.page();
    const Rect before = ViewEdits::selectionBounds(page);
    const Rect changed = undo ? page.undo() : page.redo();
    // The selection as it was before and after the step, and what it touched.
    invalidateImage(before);
    invalidateImage(ViewEdits::selectionBounds(page));
    relayoutAndRepaint(changed);
}

EffectContext CPageView::effectContext(ProgressFactory& fallback,
                                       std::unique_ptr<Filter>& scratch) {
    ProgressFactory& progress =
        m_services && m_services->progress ? *m_services->progress : fallback;
    std::unique_ptr<Filter>& last = m_services ? m_services->lastFilter : scratch;
    const ZERozevuv* g = m_context.globals;
    return EffectContext{g != nullptr ? g->opacity() : 255,
                         g != nullptr ? g->foreground() : 0u,
                         g != nullptr ? g->background() : 0xFFFFFFu,
                         progress,
                         processNoiseGenerator(),
                         last};
}

void CPageView::runDialogCommand(int id, DialogCommand command) {
    NoProgressFactory none;
    std::unique_ptr<Filter> scratch;
    const EffectContext context = effectContext(none, scratch);
    // While Drop Shadow and Extrude run after OK, repaints show the image as
    // it was before they began; while their dialog is open it shows as it is.
    EffectRunning running;
    if (id == cmd::kDropShadow || id == cmd::kExtrude)
        running = [this](bool on) { m_historyOffset = on ? 1 : 0; };
    const DialogCommandResult result =
        command(*m_document.page(), context, m_context, m_context.mainWindow, running);
    if (result.cancelled) {
        // What the dialog covered, or a cancelled run showed, is painted again.
        update();
        return;
    }
    if (result.code != kErrNone) {
        report(result.code);
        return;
    }
    if (result.sizeChanged) {
        relayoutAndRepaint(m_document.page()->bounds());
        refreshInfoBar();
        update();
    } else {
        if (!result.repaint.empty()) invalidateImage(result.repaint);
        pageChanged();
    }
}

void CPageView::runEffect(EffectCommand command) {
    Page& page = *m_document.page();
    NoProgressFactory none;
    std::unique_ptr<Filter> scratch;
    const ErrorCode code = command(page, effectContext(none, scratch));
    if (code == kErrNone)
        repaintSelectionBounds();
    else
        report(code);
}

void CPageView::convertType(std::int32_t type) {
    const ErrorCode code = convertPageType(*m_document.page(), type);
    if (code == kErrNone)
        repaintAll();
    else
        report(code);
    refreshInfoBar();
}

void CPageView::crop() {
    const ErrorCode code = cropPage(*m_document.page());
    if (code != kErrNone) {
        report(code);
        return;
    }
    relayoutAndRepaint(m_document.page()->bounds());
    update();
}

void CPageView::lastFilter() {
    if (!m_services || !m_services->lastFilter) return;
    const Filter& last = *m_services->lastFilter;
    if (last.kind() == kFilterKindPlugIn) {
        if (m_context.host == nullptr || m_context.plugIns == nullptr) return;
        const bool ran = RunLastPlugInFilter(*m_context.host, *m_context.plugIns, *this, last);
        if (ran)
            repaintAll();
        else if (!m_context.host->cancelled())
            showPlugInFailure(m_context.mainWindow, *m_context.host);
        return;
    }
    runEffect(
        [](Page& page, const EffectContext& context) { return runLastFilter(page, context); });
}

void CPageView::plugInFilter(int id) {
    if (m_context.host == nullptr || m_context.plugIns == nullptr || !m_services) return;
    const bool ran = PlugInFilterCommand(*m_context.host, *m_context.plugIns, *this,
                                         static_cast<std::uint32_t>(id), m_services->lastFilter);
    if (ran)
        repaintAll();
    else if (!m_context.host->cancelled())
        showPlugInFailure(m_context.mainWindow, *m_context.host);
}

}  // namespace tessary
