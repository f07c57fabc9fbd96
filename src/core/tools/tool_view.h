#pragma once

#include <cstdint>
#include <memory>

#include "model/image_data.h"
#include "model/progress_port.h"
#include "tools/feedback_figure.h"
#include "tools/mouse_tracker.h"
#include "tools/tool_point.h"

namespace tessary {

class ProgressPort;
class TextRasterizer;
class TextTool;

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
    // --- Optional services. The defaults suit a view without a screen (the
    // batch program): nothing scrolls or zooms, no progress is shown, and
    // no text can be placed.

    // The zoom factor in force (a power of two from 1/32 to 32).
    virtual double zoom() const { return 1.0; }
    // The image area, the client area less the scroll bars (window pixels).
    virtual Rect imageArea() const { return {}; }
    // Moves both scroll positions by (dx, dy) window pixels, each clamped to
    // its scroll range (a hidden bar does not move), scrolls the contents
    // with them and updates the window at once.
    virtual void scrollBy(std::int32_t dx, std::int32_t dy) {
        static_cast<void>(dx);
        static_cast<void>(dy);
    }
    // The view's zoom about image point `centre`: zoom in (twice the zoom,
    // while it is at most 16:1), zoom out (half, while it is at least 1:16),
    // or the level the zoom table snaps `requested` to; each keeps `centre`
    // in place as far as the scroll ranges allow and rebuilds the layout.
    virtual void zoomInAbout(ToolPoint centre) { static_cast<void>(centre); }
    virtual void zoomOutAbout(ToolPoint centre) { static_cast<void>(centre); }
    virtual void zoomToAbout(double requested, ToolPoint centre) {
        static_cast<void>(requested);
        static_cast<void>(centre);
    }
    // The image bounds changed (a crop): recompute scroll ranges and
    // placement from `imageBounds` and repaint the whole window.
    virtual void resetLayout(const Rect& imageBounds) { static_cast<void>(imageBounds); }

    // Runs the Text Options dialog on `tool` (its style, size, typeface,
    // alignment and text). True when the user pressed "Set" and the tool
    // holds the new values; false when cancelled.
    virtual bool askTextOptions(TextTool& tool) {
        static_cast<void>(tool);
        return false;
    }
    // Draws text for the text tool with the platform's fonts, or null when
    // the view cannot draw text. Owned by the view.
    virtual TextRasterizer* textRasterizer() { return nullptr; }
};

inline ToolPoint MouseTracker::imagePoint(ToolView& view) {
    return view.windowToImage(point());
}

}  // namespace tessary
