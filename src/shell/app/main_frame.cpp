#include "shell/app/main_frame.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

#include "app/string_table.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/main_menu.h"
#include "shell/app/page_document.h"
#include "shell/app/shell_context.h"
#include "shell/app/title_builder.h"
#include "shell/chrome/palette_layout.h"
#include "shell/chrome/tool_palette.h"

namespace tessary {
namespace {

// The settings group and keys of the kept window geometry.
constexpr const char* kGeometryGroup = "Window Geometry";
constexpr const char* kFrameKey = "Main Frame";
constexpr const char* kPaletteKey = "Tool Palette";

}  // namespace

CMainFrame::CMainFrame(CommandRouter& router, ShellContext* context) : m_router(router) {
    setWindowTitle(QString::fromStdString(loadString(128)));
    m_area = new QMdiArea(this);
    m_area->setObjectName(QStringLiteral("imageWindows"));
    // Document windows partly outside the area are reached by scrolling;
    // without scroll bars the area would instead demand room for every
    // window's minimum size and grow the main window (after Tile, say).
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);
    m_menu = new MainMenu(*menuBar(), router);
    // "Ready" is the idle message: a menu's prompt replaces it while the
    // pointer is on a command, and it comes back when the prompt is cleared.
    QStatusBar* status = statusBar();
    status->showMessage(QStringLiteral("Ready"));
    connect(status, &QStatusBar::messageChanged, status, [status](const QString& message) {
        if (message.isEmpty()) status->showMessage(QStringLiteral("Ready"));
    });
    setAcceptDrops(true);
    move(kLeft, kTop);
    resize(kWidth, kHeight);
    if (context != nullptr && context->globals != nullptr) {
        m_palette = new CToolPalette(*context, this);
        m_palette->installShortcuts(m_area);
    }
    connect(m_area, &QMdiArea::subWindowActivated, this, &CMainFrame::modelChanged);
}

CMainFrame::~CMainFrame() {
    // The area reports activations while it is destroyed, after this object
    // has gone: stop listening first.
    disconnect(m_area, nullptr, this, nullptr);
    if (m_shown) {
        QSettings settings;
        saveWindowGeometry(settings);
    }
}

void CMainFrame::showWithPalette() {
    QSettings settings;
    const bool restored = restoreWindowGeometry(settings);
    show();
    m_shown = true;
    if (m_palette == nullptr) return;
    if (!restored) placePaletteFirstTime();
    m_palette->show();
}

void CMainFrame::placePaletteFirstTime() {
    // The palette's frame is not known before it is shown: take the main
    // window's frame margins, as the window manager decorates both alike.
    const QMargins margins(geometry().left() - frameGeometry().left(),
                           geometry().top() - frameGeometry().top(),
                           frameGeometry().right() - geometry().right(),
                           frameGeometry().bottom() - geometry().bottom());
    const QSize paletteFrame = m_palette->size().grownBy(margins);
    const QRect imageArea(m_area->mapToGlobal(QPoint(0, 0)), m_area->size());
    const QRect available = screen()->availableGeometry();
    m_palette->move(firstPaletteFramePosition(frameGeometry(), imageArea, paletteFrame, available));
}

void CMainFrame::keepPaletteClearOfMenuBar() {
    QWidget* bar = menuWidget();
    if (!m_shown || m_palette == nullptr || !m_palette->isVisible() || bar == nullptr) return;
    const QRect barRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    const QRect imageArea(m_area->mapToGlobal(QPoint(0, 0)), m_area->size());
    const QRect palette = m_palette->frameGeometry();
    const QPoint at = paletteFramePositionClearOfMenuBar(palette, barRect, imageArea,
                                                         screen()->availableGeometry());
    if (at != palette.topLeft()) m_palette->move(at);
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    keepPaletteClearOfMenuBar();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    keepPaletteClearOfMenuBar();
}

void CMainFrame::saveWindowGeometry(QSettings& settings) const {
    settings.beginGroup(QLatin1String(kGeometryGroup));
    settings.setValue(QLatin1String(kFrameKey), saveGeometry());
    if (m_palette != nullptr)
        settings.setValue(QLatin1String(kPaletteKey), m_palette->saveGeometry());
    settings.endGroup();
}

bool CMainFrame::restoreWindowGeometry(QSettings& settings) {
    settings.beginGroup(QLatin1String(kGeometryGroup));
    const QByteArray frame = settings.value(QLatin1String(kFrameKey)).toByteArray();
    const QByteArray palette = settings.value(QLatin1String(kPaletteKey)).toByteArray();
    settings.endGroup();
    if (frame.isEmpty() || (m_palette != nullptr && palette.isEmpty())) return false;
    // Qt keeps a restored window on a screen that still exists.
    if (!restoreGeometry(frame)) return false;
    return m_palette == nullptr || m_palette->restoreGeometry(palette);
}

void CMainFrame::forgetWindowGeometry() {
    QSettings settings;
    settings.remove(QLatin1String(kGeometryGroup));
}

CChildFrame* CMainFrame::activeChildFrame() const {
    return qobject_cast<CChildFrame*>(m_area->currentSubWindow());
}

QList<CChildFrame*> CMainFrame::childFrames() const {
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* window : m_area->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* frame = qobject_cast<CChildFrame*>(window)) frames.append(frame);
    }
    return frames;
}

void CMainFrame::modelChanged() {
    watchChildren();
    updateTitle();
    updateWindowList();
}

void CMainFrame::watchChildren() {
    for (CChildFrame* frame : childFrames()) {
        connect(frame, &CChildFrame::captionChanged, this, &CMainFrame::modelChanged,
                Qt::UniqueConnection);
        // Queued: Qt finishes maximizing (the buttons move into the menu bar
        // and it rewrites the title) before the state change is reported.
        connect(frame, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::updateTitle,
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::UniqueConnection));
    }
}

void CMainFrame::updateTitle() {
    MainTitleParts parts;
    parts.product = QString::fromStdString(loadString(128));
    CChildFrame* frame = activeChildFrame();
    if (frame != nullptr) {
        parts.document = frame->document().title();
        parts.modified = frame->document().isModified();
        parts.qtAppendsChild = frame->isMaximized();
    }
    const QString title = mainWindowTitle(parts);
    if (!parts.qtAppendsChild) {
        setWindowTitle(title);
        return;
    }
    // Qt shows the maximized child's title, with its "[*]" mark, after ours.
    if (windowTitle() != titleWithMaximizedChild(title, frame->windowTitle())) {
        setWindowTitle(title);
        if (windowTitle() == title) {
            // This style keeps the maximized window's own title bar and adds
            // nothing: the title names the document itself.
            parts.qtAppendsChild = false;
            setWindowTitle(mainWindowTitle(parts));
        }
    }
    if (windowTitle().contains(QLatin1String("[*]"))) setWindowModified(parts.modified);
}

void CMainFrame::updateWindowList() {
    QStringList titles;
    int active = -1;
    const QList<CChildFrame*> frames = childFrames();
    for (int i = 0; i < frames.size(); ++i) {
        titles.append(frames.at(i)->document().title());
        if (frames.at(i) == activeChildFrame()) active = i;
    }
    m_menu->setWindowList(titles, active);
}

bool CMainFrame::updateCommand(int id, CommandState& state) {
    switch (id) {
        case cmd::kWindowCascade:
        case cmd::kWindowTile:
        case cmd::kWindowArrange:
            state.enabled = !m_area->subWindowList().isEmpty();
            return true;
        case cmd::kWindowToolPalette:
            state.enabled = m_palette != nullptr;
            state.checked = m_palette != nullptr && m_palette->isVisible();
            return true;
        default:
            break;
    }
    if (cmd::inRange(id, cmd::kWindowListFirst,
                     cmd::kWindowListFirst + cmd::kWindowListCount - 1)) {
        const int index = id - cmd::kWindowListFirst;
        const QList<CChildFrame*> frames = childFrames();
        state.enabled = index < frames.size();
        state.checked = state.enabled && frames.at(index) == activeChildFrame();
        return true;
    }
    return false;
}

bool CMainFrame::runCommand(int id) {
    switch (id) {
        case cmd::kWindowCascade:
            m_area->cascadeSubWindows();
            return true;
        case cmd::kWindowTile:
            m_area->tileSubWindows();
            return true;
        case cmd::kWindowArrange:
            arrangeIcons();
            return true;
        case cmd::kWindowToolPalette:
            if (m_palette != nullptr) m_palette->setVisible(!m_palette->isVisible());
            return true;
        default:
            break;
    }
    if (cmd::inRange(id, cmd::kWindowListFirst,
                     cmd::kWindowListFirst + cmd::kWindowListCount - 1)) {
        const QList<CChildFrame*> frames = childFrames();
        const int index = id - cmd::kWindowListFirst;
        if (index < frames.size()) {
            CChildFrame* frame = frames.at(index);
            if (frame->isMinimized()) frame->showNormal();
            m_area->setActiveSubWindow(frame);
        }
        return true;
    }
    return false;
}

void CMainFrame::arrangeIcons() {
    // Minimised windows line up along the bottom of the area, left to right.
    int x = 0;
    for (CChildFrame* frame : childFrames()) {
        if (!frame->isMinimized()) continue;
        const QSize size = frame->size();
        frame->move(x, m_area->viewport()->height() - size.height());
        x += size.width();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_closeApproved) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    emit closeRequested();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    emit filesDropped(paths);
}

}  // namespace tessary
