#pragma once

#include <QString>

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

    // Where a print job can go: to an installed printer, only into a PDF
    // file (no printer installed), or nowhere (no printer and no PDF output).
    enum class Destination { Printer, PdfFile, Nowhere };
    static Destination destination(bool printerInstalled, bool pdfOutput);
    // destination() for this process: the context's printer question (the
    // system's printer list when it has none) and whether this Qt writes PDF.
    static Destination destination(const ShellContext& context);
    // The line shown in place of the Print command's text when printing is
    // impossible.
    static QString nowhereToPrintText();

    // The PDF file proposed for a document: beside its file with the
    // extension replaced by ".pdf"; for an untitled document (empty
    // `documentPath`) `title` + ".pdf" in `fallbackFolder`.
    static QString proposedPdfName(const QString& documentPath, const QString& title,
                                   const QString& fallbackFolder);
    // Points `printer` at PDF output into proposedPdfName() (the user's home
    // folder for an untitled document), unless it already writes a file.
    static void presetPdfOutput(QPrinter& printer, const CPageDocument& document);

    // The Print command of an image window: with no printer installed the
    // printer is first preset to write a PDF file beside the document; the
    // print dialog (when `withDialog`, with Qt's print-to-file choice; the
    // direct command prints one copy on the current printer), then a floating selection is merged
    // as one undoable step
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
