#pragma once

#include <QRect>
#include <QWidget>
#include <array>

namespace tessary {

// The feedback of a click in a variations dialog: a rectangle outline that
// travels over the dialog from one control to another. It is drawn with a
// grey pen (0x7F7F7F) in exclusive-or mode over whatever the dialog shows,
// so it stays visible on light and dark pictures alike.
//
// The widget covers its parent, takes no mouse input and is shown only
// while the outline travels. Coordinates are the parent's.
class TravelOutline : public QWidget {
public:
    // Positions the outline takes: the start and eight steps of one eighth
    // of the way each.
    static constexpr int kPositions = 9;
    // How long each position is held, in milliseconds: one tick of a 60 Hz
    // clock, so the whole travel takes about a seventh of a second.
    static constexpr int kHoldMs = 16;

    explicit TravelOutline(QWidget* parent);
    ~TravelOutline() override;

    // Shows the outline at each position of `path` in turn, each one painted
    // at once and held for kHoldMs, then hides it. Returns when done.
    void travel(const std::array<QRect, kPositions>& path);
    // The positions of the last travel (all empty before the first).
    const std::array<QRect, kPositions>& lastPath() const { return m_lastPath; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_position;
    std::array<QRect, kPositions> m_lastPath{};
};

}  // namespace tessary
