#include "shell/chrome/h_slider_ctrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "platform/system_info.h"

namespace tessary {
namespace {

// Space between the client edge and the ends of the track.
constexpr int kTrackInset = 2;

}  // namespace

int sliderXForValue(int left, int right, int minimum, int maximum, int value) {
    const int first = left + kTrackInset;
    const int span = (right - kTrackInset) - first;
    if (maximum <= minimum || span <= 0) return first;
    return first + static_cast<int>(static_cast<std::int64_t>(value - minimum) * span /
                                    (maximum - minimum));
}

int sliderValueForX(int left, int right, int minimum, int maximum, int x) {
    const int first = left + kTrackInset;
    const int span = (right - kTrackInset) - first;
    if (maximum <= minimum || span <= 0) return minimum;
    const int value = minimum + static_cast<int>(static_cast<std::int64_t>(maximum - minimum) *
                                                 (x - first) / span);
    return std::clamp(value, minimum, maximum);
}

bool SliderDragPacer::take(std::uint32_t now) {
    if (now - m_last < kIntervalMs) return false;
    m_last = now;
    return true;
}

CHSliderCtrl::CHSliderCtrl(QWidget* parent)
    : QWidget(parent), m_tick([] { return platform::systemInfo().tickCount(); }) {
    setMinimumSize(16, 16);
}

CHSliderCtrl::~CHSliderCtrl() = default;

void CHSliderCtrl::setRange(int minimum, int maximum, bool redraw) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    m_value = std::clamp(m_value, m_minimum, m_maximum);
    if (redraw) update();
}

void CHSliderCtrl::setValue(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value) return;
    const QRect before = thumbRect();
    m_value = value;
    update(before.united(thumbRect()));
    emit valueChanged(m_value);
}

QRect CHSliderCtrl::thumbRect() const {
    const int x = sliderXForValue(0, width(), m_minimum, m_maximum, m_value);
    // Centred on the value's position, but kept inside the client area at
    // the ends of the track.
    const int left = std::clamp(x - kThumbWidth / 2, 0, std::max(0, width() - kThumbWidth));
    return QRect(left, 0, kThumbWidth, height());
}

int CHSliderCtrl::valueAt(int x) const {
    return sliderValueForX(0, width(), m_minimum, m_maximum, x);
}

void CHSliderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool enabled = isEnabled();
    // The groove: sunken, filled up to the thumb so the amount reads at a
    // glance.
    const int middle = height() / 2;
    const QRect groove(kTrackInset, middle - 2, width() - 2 * kTrackInset, 5);
    painter.fillRect(groove, QColor(206, 206, 210));
    const int x = sliderXForValue(0, width(), m_minimum, m_maximum, m_value);
    painter.fillRect(QRect(groove.left(), groove.top(), x - groove.left(), groove.height()),
                     enabled ? QColor(64, 104, 176) : QColor(168, 168, 172));
    painter.setPen(QColor(112, 112, 116));
    painter.drawLine(groove.topLeft(), groove.topRight());
    painter.drawLine(groove.topLeft(), groove.bottomLeft());
    painter.setPen(Qt::white);
    painter.drawLine(groove.bottomLeft(), groove.bottomRight());
    // The thumb: a raised block with a dark frame, sunken while dragged.
    const QRect thumb = thumbRect().adjusted(0, 0, -1, -1);
    painter.fillRect(thumb, m_dragging ? QColor(206, 208, 212) : QColor(236, 236, 234));
    painter.setPen(QColor(70, 70, 74));
    painter.drawRect(thumb);
    const QRect bevel = thumb.adjusted(1, 1, -1, -1);
    painter.setPen(m_dragging ? QColor(132, 132, 136) : Qt::white);
    painter.drawLine(bevel.topLeft(), bevel.topRight());
    painter.drawLine(bevel.topLeft(), bevel.bottomLeft());
}

void CHSliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    if (thumbRect().contains(at)) {
        m_dragging = true;
        m_pacer.start(m_tick());
        update(thumbRect());
    } else {
        setValue(valueAt(at.x()));
    }
    event->accept();
}

void CHSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    if (m_pacer.take(m_tick())) setValue(valueAt(event->position().toPoint().x()));
}

void CHSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) return;
    // The steps skipped by the pacing must not leave the thumb short of
    // where the button came up.
    m_dragging = false;
    update(thumbRect());
    setValue(valueAt(event->position().toPoint().x()));
}

}  // namespace tessary
