#pragma once

#include <QCursor>
#include <QHash>
#include <QImage>
#include <QPair>
#include <QPoint>

namespace tessary {

// The tools' mouse cursors, resources 500 to 519: a tool's cursor table
// gives a number n, shown as resource 500 + n. Each cursor is drawn in code
// on a 32 x 32 grid of device-independent pixels, at the screen's device
// pixel ratio so that it stays sharp at 200 %, as black line art with a
// white rim so that it shows on any image:
//   500 arrow, 501 move (arrow with a four-way cross), 502 crosshair,
//   503 text I-beam, 504 open hand, 505 grabbing hand, 506 magnifier with
//   plus, 507 magnifier with minus, 508 plain magnifier, 509 crop marks
//   around a selection, 510 eyedropper, 511 crop marks, 512 lasso,
//   513 magic wand, 514 pencil, 515 brush, 516 clone stamp, 517 clone
//   source target, 518 paint bucket, 519 eraser.
// Any other number gives a small ring with a centre dot. An object keeps
// the cursors it made.
class CToolCursors {
public:
    static constexpr int kFirstResource = 500;
    static constexpr int kLastResource = 519;
    // The grid the cursors are drawn on, in device-independent pixels.
    static constexpr int kGrid = 32;

    struct Artwork {
        // kGrid x kGrid device-independent pixels at the requested ratio
        // (premultiplied ARGB, transparent around the drawing).
        QImage image;
        // The pixel the cursor points with, in device-independent pixels.
        QPoint hotSpot;
    };

    // Draws cursor `resource` at `devicePixelRatio` (at least 1).
    static Artwork draw(int resource, qreal devicePixelRatio);
    // The cursor of `resource` at `devicePixelRatio`, drawn once per object
    // and kept (the object must not outlive the application).
    QCursor cursor(int resource, qreal devicePixelRatio);

private:
    // (resource, ratio in hundredths) -> cursor.
    QHash<QPair<int, int>, QCursor> m_cache;
};

}  // namespace tessary
