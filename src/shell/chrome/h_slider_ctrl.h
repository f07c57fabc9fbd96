#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

namespace tessary {

// Slider maths over a client rectangle whose left and right edges are `left`
// and `right` (right exclusive): the inner track runs from left + 2 to
// right - 2, and values minimum..maximum spread over it linearly, truncating.
// A degenerate range or track maps everything to the track's left end and
// the minimum.
int sliderXForValue(int left, int right, int minimum, int maximum, int value);
// The inverse, kept inside minimum..maximum for points beyond the track.
int sliderValueForX(int left, int right, int minimum, int maximum, int x);

// Paces a drag: a step is taken when at least kIntervalMs have passed on the
// millisecond tick count since the last step taken (or the press), so fast
// pointer moves cannot flood the receiver. Tick counts wrap at 2^32.
class SliderDragPacer {
public:
    static constexpr std::uint32_t kIntervalMs = 5;
    void start(std::uint32_t now) { m_last = now; }
    // True, and the step recorded, when a step is due at `now`.
    bool take(std::uint32_t now);

private:
    std::uint32_t m_last = 0;
};

// A small horizontal slider of the palette: a groove and a thumb over the
// whole client area. A press inside the thumb starts a drag that follows the
// pointer at most once every 5 ms (and settles where the button is
// released); a press elsewhere in the track sets the value there at once.
// Setting a value that differs from the current one redraws the thumb and
// emits valueChanged.
class CHSliderCtrl : public QWidget {
    Q_OBJECT
public:
    using TickSource = std::function<std::uint32_t()>;
    // Width of the thumb, centred on the value's position where the client
    // area allows.
    static constexpr int kThumbWidth = 7;

    explicit CHSliderCtrl(QWidget* parent = nullptr);
    ~CHSliderCtrl() override;

    // The value is kept inside the new range.
    void setRange(int minimum, int maximum, bool redraw = true);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    // Clamped to the range; notifies when the value changes.
    void setValue(int value);
    bool dragging() const { return m_dragging; }

    // The thumb's rectangle at the current value, in client coordinates.
    // A press inside it starts a drag.
    QRect thumbRect() const;
    // The millisecond clock of the drag pacing (the system tick count by
    // default); tests inject their own.
    void setTickSource(TickSource source) { m_tick = std::move(source); }

    QSize sizeHint() const override { return {44, 16}; }

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int valueAt(int x) const;

    int m_minimum = 0;
    int m_maximum = 100;
    int m_value = 0;
    bool m_dragging = false;
    SliderDragPacer m_pacer;
    TickSource m_tick;
};

}  // namespace tessary
