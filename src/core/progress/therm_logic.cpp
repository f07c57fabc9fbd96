#include "progress/therm_logic.h"

namespace tessary {

ThermLogic::ThermLogic(ThermPort& port, int style)
    : m_port(port), m_layout(style), m_cancelEnabled(m_layout.hasCancelButton()) {}

ThermLogic::~ThermLogic() {
    if (m_open) close(true);
}

std::string_view ThermLogic::cutText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t n = limit;
    // text[n] is the first byte left out; when it continues a sequence, the
    // character it belongs to goes too.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

void ThermLogic::open() {
    if (m_open) return;
    m_callCounter = 0;
    m_bars[0].done = 0;
    m_bars[1].done = 0;
    m_cancelled = false;
    const ThermPoint origin = ThermLayout::windowOrigin(m_port.mainClientRect());
    if (!m_port.openWindow(origin)) return;
    m_open = true;
    setCancellable(m_cancelEnabled);
}

void ThermLogic::setDelay(std::uint32_t ms) {
    if (m_delayStarted) return;
    m_delayStarted = true;
    m_delayStart = m_port.tickCount();
    m_delay = ms;
}

void ThermLogic::showIfDue() {
    if (m_open) return;
    // Differences of tick counts stay right across the 32-bit wrap.
    if (!m_delayStarted || m_port.tickCount() - m_delayStart > m_delay) open();
}

void ThermLogic::storeBar(int bar, std::int32_t done, std::int32_t total) {
    if (done == -1) done = m_callCounter++;
    m_bars[bar] = Bar{done, total};
    repaintRow(bar == 0 ? m_layout.bar0Row() : m_layout.bar1Row());
}

void ThermLogic::repaintRow(int row) {
    if (m_open && row > 0) m_port.repaintRow(row);
}

bool ThermLogic::update(std::int32_t done, std::int32_t total, const ThermMessage* message) {
    showIfDue();
    if (!m_open) return false;
    const bool cancelled = checkCancel(message);
    if (m_port.tickCount() - m_lastUpdate < kRedrawInterval) return cancelled;
    if (!cancelled) storeBar(0, done, total);
    m_lastUpdate = m_port.tickCount();
    return cancelled;
}

bool ThermLogic::updateSecond(std::int32_t done, std::int32_t total, const ThermMessage* message) {
    if (!m_open) return false;
    const bool cancelled = checkCancel(message);
    if (!cancelled) storeBar(1, done, total);
    return cancelled;
}

bool ThermLogic::checkCancel(const ThermMessage* message) {
    m_cancelled = false;
    if (!m_cancelEnabled) return false;
    const std::uint32_t now = m_port.tickCount();
    if (now - m_lastCancelCheck < kCancelCheckInterval) return false;
    m_lastCancelCheck = now;
    bool cancelled = false;
    if (message) {
        cancelled = examine(*message);
    } else {
        // Every queued message is looked at, so a Ctrl+period behind other
        // keys is not left waiting for later checks.
        while (const std::optional<ThermMessage> next = m_port.takeMessage()) {
            if (examine(*next)) cancelled = true;
        }
    }
    m_cancelled = cancelled;
    return cancelled;
}

bool ThermLogic::examine(const ThermMessage& message) {
    switch (message.kind) {
        case ThermMessage::Kind::kQuit:
            return true;
        case ThermMessage::Kind::kCancelClick:
            return m_layout.hasCancelButton();
        case ThermMessage::Kind::kCharacter:
            if (message.character != U'.' || !m_port.controlKeyDown()) return false;
            if (m_open && m_layout.hasCancelButton()) {
                m_cancelPressed = true;
                m_port.repaintCancelButton();
                m_port.wait(kButtonPressMs);
                m_cancelPressed = false;
                m_port.repaintCancelButton();
            }
            return true;
        case ThermMessage::Kind::kOther:
            return false;
    }
    return false;
}

bool ThermLogic::setCancellable(bool cancellable) {
    m_cancelEnabled = cancellable;
    return m_cancelEnabled;
}

void ThermLogic::close(bool finish) {
    if (m_open) {
        if (finish) {
            if (m_layout.bar0Row() != 0) {
                m_bars[0] = Bar{1, 1};
                repaintRow(m_layout.bar0Row());
            }
            if (m_layout.bar1Row() != 0) {
                m_bars[1] = Bar{1, 1};
                repaintRow(m_layout.bar1Row());
            }
        }
        m_port.closeWindow();
        m_open = false;
        m_cancelPressed = false;
    }
    m_delayStarted = false;
}

void ThermLogic::setText(int line, std::string_view text) {
    if (line != 0 && line != 1) return;
    m_texts[line] = std::string(cutText(text, kMaxTextBytes));
    const std::string joined = m_texts[0] + m_texts[1];
    m_joined = std::string(cutText(joined, kMaxTextBytes));
    repaintRow(line == 0 ? m_layout.text0Row() : m_layout.text1Row());
}

void ThermLogic::setPair(int index, std::int16_t first, std::int16_t second) {
    if (index < 0 || index >= static_cast<int>(m_pairs.size())) return;
    m_pairs[static_cast<std::size_t>(index)] = {first, second};
}

ThermRowPaint ThermLogic::rowPaint(int row) const {
    ThermRowPaint paint;
    paint.rect = m_layout.rowRect(row);
    if (paint.rect.empty()) return paint;
    if (row == m_layout.bar0Row() || row == m_layout.bar1Row()) {
        const Bar& bar = m_bars[row == m_layout.bar0Row() ? 0 : 1];
        paint.kind = ThermRowPaint::Kind::kBar;
        paint.inner = Rect{paint.rect.left + 1, paint.rect.top + 1, paint.rect.right - 1,
                           paint.rect.bottom - 1};
        paint.filled = ThermLayout::filledWidth(paint.inner.width(), bar.done, bar.total);
    } else if (row == m_layout.text0Row() || row == m_layout.text1Row()) {
        paint.kind = ThermRowPaint::Kind::kText;
        if (m_layout.textsShareRow()) {
            paint.text = m_joined;
        } else {
            paint.text = row == m_layout.text0Row() ? m_texts[0] : m_texts[1];
        }
    }
    return paint;
}

}  // namespace tessary
