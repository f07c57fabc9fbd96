#pragma once

#include "model/error_codes.h"
#include "shell/app/shell_context.h"

class QPainter;
class QPrinter;

namespace tessary {

class CPageDocument;
class Page;

// Printing an image at its physical size: image pixels are scaled by the
// printer's resolution divided by the image's horizontal resolution and
// placed at the top left of the printable area, one page per copy, sent in
// tiles of at most about 250 x 250 pixels through one work bitmap.
class CPagePrinter {
public:
    enum class Outcome {
        Printed,
        Cancelled,    // the print dialog was not confirmed
        MergeFailed,  // the floating selection could not be merged
        StartFailed,  // the print job could not be started
        PageFailed,   // a page could not be started or finished
    };

    // The Print command of an image window: the print dialog (when
    // `withDialog`; the direct command prints one copy on the current
    // printer), then a floating selection is merged as one undoable step
    // ("Selection"), then the job runs. Failures are reported to the user.
    static Outcome printCommand(CPageDocument& document, ShellContext& context, bool withDialog);

    // The job alone: `copies` pages of `page` on `printer`, which is set up
    // and not printing. The job is named " ". The page's pixels are read as
    // they are (a float is not shown). StartFailed when the printer does not
    // start; PageFailed (the job is then aborted) when a page fails.
    static Outcome printJob(const Page& page, QPrinter& printer, int copies);

    // Draws the page on `painter` (a printer page, device pixels at
    // `printerDpi`) tile by tile. Tiles whose place lies wholly outside
    // `pageWidth` x `pageHeight` device pixels are skipped.
    static void printPage(QPainter& painter, const Page& page, double printerDpi,
                          std::int64_t pageWidth, std::int64_t pageHeight);

    // Merges a floating selection into the image as one undoable change
    // (undo kind 5 over the selection rectangle). kErrNone when there was
    // nothing to merge.
    static ErrorCode mergeFloat(Page& page);
};

}  // namespace tessary
