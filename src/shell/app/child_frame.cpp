#include "shell/app/child_frame.h"

#include <QCloseEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "app/zerozevuv.h"
#include "model/page.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/document_icon.h"
#include "shell/app/menu_layout.h"
#include "shell/app/page_document.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/dialogs/get_info_dlog.h"
#include "shell/services/page_printer.h"
#include "shell/view/document_view.h"

namespace tessary {

CChildFrame::CChildFrame(CPageDocument& document, ShellContext& context, CommandRouter& router,
                         QWidget* parent)
    : QMdiSubWindow(parent), m_document(document), m_context(context) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setWindowIcon(documentIcon());

    m_unitsMenu = new QMenu(this);
    for (const MenuEntry& entry : unitsMenuLayout()) {
        m_unitsMenu->addAction(router.defineCommand(
            entry.id, QString::fromUtf8(entry.text.data(), entry.text.size()), true));
    }
    router.attachMenu(m_unitsMenu);
    QAction* showHide = router.defineCommand(cmd::kInfoShowHide, QStringLiteral("Show / Hide"));

    auto* body = new QWidget(this);
    m_layout = new QVBoxLayout(body);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_infoBar = new CInfoControlBar(m_unitsMenu, showHide, body);
    m_layout->addWidget(m_infoBar);
    setWidget(body);

    // The view takes the keyboard whenever its window becomes the active
    // one, whichever of the window's widgets had it before.
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!(before & Qt::WindowActive) && (now & Qt::WindowActive)) focusView();
            });
    connect(&m_document, &CKorvelDoc::titleChanged, this, &CChildFrame::updateTitle);
    connect(&m_document, &CPageDocument::pageAttached, this, [this] {
        if (m_view != nullptr) m_view->pageAttached();
        refreshInfo();
    });
    connect(&m_document, &CPageDocument::pageChanged, this, [this](const Rect& area) {
        if (m_view != nullptr) m_view->invalidateImageRect(area);
    });
    updateTitle();
    refreshInfo();
}

QSize CChildFrame::openingSize(const QSize& wanted, const QSize& area) {
    return wanted.boundedTo(area).expandedTo(QSize(kMinimumWidth, kMinimumHeight));
}

CChildFrame::~CChildFrame() {
    // The view goes first, while its document certainly exists.
    if (m_view != nullptr) delete m_view->widget();
    m_view = nullptr;
}

void CChildFrame::setView(DocumentView* view) {
    m_view = view;
    if (view == nullptr) return;
    m_layout->insertWidget(0, view->widget(), 1);
    focusView();
    view->pageAttached();
}

void CChildFrame::focusView() {
    if (m_view != nullptr) m_view->widget()->setFocus(Qt::OtherFocusReason);
}

void CChildFrame::updateTitle() {
    const QString title = m_document.title() + QStringLiteral("[*]");
    const bool modified = m_document.isModified();
    if (windowTitle() == title && isWindowModified() == modified) return;
    setWindowTitle(title);
    setWindowModified(modified);
    emit captionChanged();
}

void CChildFrame::refreshInfo() {
    if (m_context.globals != nullptr && m_infoBar->unit() != m_context.globals->unit())
        m_infoBar->setUnit(m_context.globals->unit());
    if (const Page* page = m_document.page()) {
        const Rect bounds = page->bounds();
        m_infoBar->showImageSize(bounds.width(), bounds.height(), page->horizontalResolution(),
                                 page->verticalResolution());
    }
}

bool CChildFrame::updateCommand(int id, CommandState& state) {
    const int unit = cmd::unitOfCommand(id);
    if (unit >= 0) {
        state.checked = m_context.globals != nullptr && m_context.globals->unit() == unit;
        state.enabled = m_context.globals != nullptr;
        return true;
    }
    switch (id) {
        case cmd::kInfoShowHide:
        case cmd::kFileClose:
            return true;
        case cmd::kFilePrint:
        case cmd::kFilePrintDirect:
            if (CPagePrinter::destination(m_context) == CPagePrinter::Destination::Nowhere) {
                state.enabled = false;
                state.text = CPagePrinter::nowhereToPrintText();
                return true;
            }
            [[fallthrough]];
        case cmd::kImageGetInfo:
            state.enabled =
                m_document.page() != nullptr && m_document.page()->pageData() != nullptr;
            return true;
        default:
            return false;
    }
}

bool CChildFrame::runCommand(int id) {
    const int unit = cmd::unitOfCommand(id);
    if (unit >= 0) {
        if (m_context.globals != nullptr) m_context.globals->setUnit(unit);
        refreshInfo();
        return true;
    }
    switch (id) {
        case cmd::kInfoShowHide:
            m_infoBar->toggleDetails();
            return true;
        case cmd::kFileClose:
            close();
            return true;
        case cmd::kImageGetInfo:
            CGetInfoDlog::run(m_document, m_context.mainWindow);
            return true;
        case cmd::kFilePrint:
        case cmd::kFilePrintDirect:
            CPagePrinter::printCommand(m_document, m_context, id == cmd::kFilePrint);
            return true;
        default:
            return false;
    }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_closeWithoutAsking && !m_document.saveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

}  // namespace tessary
