#pragma once

#include <cstdint>
#include <memory>

#include "model/image_data.h"
#include "model/progress_port.h"
#include "tools/feedback_figure.h"
#include "tools/mouse_tracker.h"
#include "tools/tool_point.h"

namespace tessary {

// The image view as the tools see it. Implemented by the editor's view; tests
// and the batch program implement it without a screen. Image points are in
// image pixels, window points in the view's client pixels.
class ToolView {
public:
    virtual ~ToolView() = default;

    // The view's linear coordinate maps (32-bit image coordinates; the
    // implementation computes wide enough not to overflow at any zoom).
    virtual ToolPoint imageToWindow(ToolPoint image) const = 0;
    virtual ToolPoint windowToImage(ToolPoint window) const = 0;

    // Repaints the image rectangle at once, without waiting for the event
    // loop, so paint shows while the button is held.
    virtual void drawNow(const Rect& image) = 0;
    // Repaints the image rectangle when the event loop next runs.
    virtual void invalidateImage(const Rect& image) = 0;

    // Toggles a rubber-band figure (exclusive-or semantics).
    virtual void toggleFeedback(const FeedbackFigure& figure) = 0;

    // The info bar: a point, or a point and a size (image pixels).
    virtual void showPoint(ToolPoint image) = 0;
    virtual void showDrag(ToolPoint image, std::int32_t width, std::int32_t height) = 0;

    // The paint colours of the tool globals changed (the dropper picked one):
    // the palette's colour control is repainted at once.
    virtual void showColours() = 0;

    // The tracker that follows the pointer during a drag started by the
    // press being handled. Owned by the view.
    virtual MouseTracker& tracker() = 0;

    // The outline of the page's selection, displaced by the window offset
    // between the image points `from` and `to`, toggled with exclusive-or
    // semantics: toggling the same pair twice leaves the view as it was. The
    // view builds the 1-bit outline of the selection as it stands at the first
    // toggle of a drag (threshold 1, at its zoom) and draws that same bitmap
    // until endMovedOutline(), so the outline follows the pointer while the
    // mask itself has not moved yet. The default draws nothing.
    virtual void toggleMovedOutline(ToolPoint /*from*/, ToolPoint /*to*/) {}
    // The drag that toggled the moved outline has ended and every toggle has
    // been undone: the view frees the bitmap. The default does nothing.
    virtual void endMovedOutline() {}

    // A progress window for a long tool operation (two text lines, one bar
    // and a Cancel button), registered as the application's current one;
    // destroying it closes it. The default, null, shows none: the operation
    // then runs without progress and cannot be cancelled.
    virtual std::unique_ptr<ProgressPort> createProgress() { return nullptr; }
};

inline ToolPoint MouseTracker::imagePoint(ToolView& view) {
    return view.windowToImage(point());
}

}  // namespace tessary
