#include "shell/chrome/therm_obj.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <chrono>

namespace tessary {

namespace {

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

}  // namespace

// --- CThermWindow ------------------------------------------------------------

CThermWindow::CThermWindow(const ThermLogic& logic, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint), m_logic(logic) {
    setWindowTitle(QStringLiteral("Progress"));
    setObjectName(QStringLiteral("Progress"));
    setFixedSize(ThermLayout::kWindowWidth, ThermLayout::kWindowHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (logic.layout().hasCancelButton()) {
        m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
        m_cancel->setObjectName(QStringLiteral("control%1").arg(ThermLayout::kCancelControlId));
        m_cancel->setGeometry(toQRect(logic.layout().cancelButtonRect()));
        m_cancel->setFocusPolicy(Qt::NoFocus);
        connect(m_cancel, &QPushButton::clicked, this, &CThermWindow::cancelClicked);
    }
}

CThermWindow::~CThermWindow() = default;

void CThermWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    for (int row = 1; row <= m_logic.layout().rowCount(); ++row) {
        const ThermRowPaint paint = m_logic.rowPaint(row);
        const QRect rect = toQRect(paint.rect);
        if (!rect.intersects(event->rect())) continue;
        switch (paint.kind) {
            case ThermRowPaint::Kind::kText:
                painter.fillRect(rect, Qt::white);
                painter.setPen(Qt::black);
                painter.drawText(rect.adjusted(0, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                                 QString::fromUtf8(paint.text.data(),
                                                   static_cast<qsizetype>(paint.text.size())));
                break;
            case ThermRowPaint::Kind::kBar: {
                painter.setPen(Qt::black);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
                const QRect inner = toQRect(paint.inner);
                painter.fillRect(inner, Qt::white);
                painter.fillRect(QRect(inner.left(), inner.top(), paint.filled, inner.height()),
                                 Qt::darkGray);
                break;
            }
            case ThermRowPaint::Kind::kNone:
                break;
        }
    }
}

// --- Input while the window is open ------------------------------------------

// Holds back input meant for other windows while a long operation runs and
// turns key presses into the logic's messages.
class CThermObj::InputGate : public QObject {
public:
    explicit InputGate(CThermObj& owner) : m_owner(owner) { qApp->installEventFilter(this); }
    ~InputGate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress: {
                const auto* key = static_cast<QKeyEvent*>(event);
                ThermMessage message;
                message.kind = ThermMessage::Kind::kCharacter;
                message.character = key->key() == Qt::Key_Period
                                        ? U'.'
                                        : (key->text().isEmpty() ? 0 : key->text().at(0).unicode());
                bool control = key->modifiers().testFlag(Qt::ControlModifier);
                // Escape, the usual cancel key here, cancels as Ctrl+period does.
                if (key->key() == Qt::Key_Escape) {
                    message.character = U'.';
                    control = true;
                }
                m_owner.queue(message, control);
                return true;
            }
            case QEvent::KeyRelease:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
                // The Cancel button keeps its clicks; the rest waits.
                return !ownsWidget(watched);
            case QEvent::Close:
                return event->spontaneous() && watched != m_owner.m_window;
            default:
                return false;
        }
    }

private:
    // Whether `watched` is the progress window, one of its widgets, or the
    // window system's window under it (which sees mouse input first).
    bool ownsWidget(QObject* watched) const {
        CThermWindow* own = m_owner.m_window;
        if (own == nullptr) return false;
        if (auto* window = qobject_cast<QWindow*>(watched)) return window == own->windowHandle();
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && (widget == own || own->isAncestorOf(widget));
    }

    CThermObj& m_owner;
};

// --- CThermObj -----------------------------------------------------------------

CThermObj::CThermObj(int style, QWidget* mainWindow)
    : m_mainWindow(mainWindow), m_logic(*this, style) {}

CThermObj::~CThermObj() = default;

std::uint32_t CThermObj::tickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

Rect CThermObj::mainClientRect() {
    QRect area;
    if (m_mainWindow != nullptr) {
        area = QRect(m_mainWindow->mapToGlobal(QPoint(0, 0)), m_mainWindow->size());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    return Rect{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

bool CThermObj::openWindow(ThermPoint origin) {
    if (m_window != nullptr) return true;
    auto* window = new CThermWindow(m_logic, m_mainWindow);
    window->move(origin.x, origin.y);
    QObject::connect(window, &CThermWindow::cancelClicked, window, [this] {
        ThermMessage message;
        message.kind = ThermMessage::Kind::kCancelClick;
        queue(message, false);
    });
    m_window = window;
    m_gate = std::make_unique<InputGate>(*this);
    window->show();
    window->raise();
    showAtOnce(*window);
    return true;
}

void CThermObj::showAtOnce(CThermWindow& window) {
    // The window system maps the window a little after show(), and Qt paints
    // nothing before the window is exposed; the operation only lets events
    // in when it looks for a cancel. Wait (briefly) for the exposure here so
    // that the texts, the bar and the Cancel button show from the start.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed()) break;
        QThread::msleep(2);
    }
    window.repaint();
    if (window.cancelButton() != nullptr) window.cancelButton()->repaint();
}

void CThermObj::closeWindow() {
    m_gate.reset();
    m_messages.clear();
    delete m_window.data();
    m_window = nullptr;
}

void CThermObj::repaintRow(int row) {
    if (m_window == nullptr) return;
    m_window->repaint(toQRect(m_logic.layout().rowRect(row)));
}

void CThermObj::repaintCancelButton() {
    if (m_window == nullptr || m_window->cancelButton() == nullptr) return;
    m_window->cancelButton()->setDown(m_logic.cancelPressed());
    m_window->cancelButton()->repaint();
}

void CThermObj::queue(const ThermMessage& message, bool controlDown) {
    m_messages.push_back({message, controlDown});
}

std::optional<ThermMessage> CThermObj::takeMessage() {
    if (m_messages.empty()) QCoreApplication::processEvents();
    if (m_messages.empty()) return std::nullopt;
    const Queued next = m_messages.front();
    m_messages.pop_front();
    m_controlDown = next.controlDown;
    return next.message;
}

void CThermObj::wait(std::uint32_t ms) {
    QThread::msleep(ms);
}

// --- CThermFactory -------------------------------------------------------------

class CThermFactory::Registered : public ProgressPort {
public:
    Registered(CThermFactory& factory, int style)
        : m_factory(factory), m_window(style, factory.m_mainWindow) {
        factory.m_current = &m_window;
    }
    ~Registered() override {
        if (m_factory.m_current == &m_window) m_factory.m_current = nullptr;
    }
    void setDelay(std::uint32_t ms) override { m_window.setDelay(ms); }
    bool update(std::int32_t done, std::int32_t total) override {
        return m_window.update(done, total);
    }
    bool updateSecond(std::int32_t done, std::int32_t total) override {
        return m_window.updateSecond(done, total);
    }
    bool checkCancel() override { return m_window.checkCancel(); }
    bool setCancellable(bool cancellable) override { return m_window.setCancellable(cancellable); }
    void setText(int line, std::string_view text) override { m_window.setText(line, text); }
    void setPair(int index, std::int16_t first, std::int16_t second) override {
        m_window.setPair(index, first, second);
    }
    void close(bool finish) override { m_window.close(finish); }

private:
    CThermFactory& m_factory;
    CThermObj m_window;
};

CThermFactory::~CThermFactory() = default;

std::unique_ptr<ProgressPort> CThermFactory::create(std::int16_t style) {
    // Only one progress window shows at a time: an earlier one still
    // registered is closed (its owner still destroys it).
    if (m_current != nullptr) {
        m_current->close(false);
        m_current = nullptr;
    }
    return std::make_unique<Registered>(*this, style);
}

}  // namespace tessary
