#pragma once

#include <functional>

#include "model/image_data.h"
#include "shell/app/command_target.h"

class QWidget;

namespace tessary {

class CChildFrame;
class CPageDocument;

// A document's view as the frame and the document see it. The view is a
// widget (returned by widget()) that the child frame places above its info
// bar; the frame owns it from then on, and it never outlives its document.
// As a command target it comes first in the routing chain, before its
// document.
class DocumentView : public CommandTarget {
public:
    ~DocumentView() override = default;

    virtual QWidget* widget() = 0;
    // The document's page was attached or replaced, or its size changed:
    // take the new image bounds (0, 0, width, height) and repaint all.
    virtual void pageAttached() = 0;
    // Pixels inside `area` (image pixels) changed: repaint them.
    virtual void invalidateImageRect(const Rect& area) = 0;
    // One idle pass of the application (selection outline animation).
    virtual void idle() {}
};

// Makes the view of a new document's frame. The template calls it once per
// document; the returned view's widget is not yet parented.
using ViewFactory = std::function<DocumentView*(CPageDocument& document, CChildFrame& frame)>;

}  // namespace tessary
