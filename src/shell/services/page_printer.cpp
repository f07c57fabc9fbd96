#include "shell/services/page_printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <vector>

#include "app/string_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/page_document.h"
#include "shell/chrome/error_box.h"
#include "shell/services/print_tiles.h"

namespace tessary {

namespace {

constexpr std::uint32_t kUndoSelection = 5;
constexpr int kPrintStartFailedString = 61702;

// Fills the top-left tile.width() x tile.height() pixels of `work` with the
// page's colour planes under `tile` (grey pages: the grey plane three times).
void readTile(const Page& page, const Rect& tile, QImage& work, std::vector<std::uint8_t>& rows) {
    const PageData& data = *page.pageData();
    const int planes = page.colourPlaneCount();
    const std::int32_t width = tile.width();
    rows.resize(static_cast<std::size_t>(width) * 3);
    std::uint8_t* red = rows.data();
    std::uint8_t* green = planes == 3 ? red + width : red;
    std::uint8_t* blue = planes == 3 ? red + 2 * width : red;
    for (std::int32_t y = tile.top; y < tile.bottom; ++y) {
        data.readRow(0, tile.left, y, width, red);
        if (planes == 3) {
            data.readRow(1, tile.left, y, width, green);
            data.readRow(2, tile.left, y, width, blue);
        }
        auto* line = reinterpret_cast<QRgb*>(work.scanLine(y - tile.top));
        for (std::int32_t x = 0; x < width; ++x) line[x] = qRgb(red[x], green[x], blue[x]);
    }
}

}  // namespace

CPagePrinter::Destination CPagePrinter::destination(bool printerInstalled, bool pdfOutput) {
    if (printerInstalled) return Destination::Printer;
    return pdfOutput ? Destination::PdfFile : Destination::Nowhere;
}

CPagePrinter::Destination CPagePrinter::destination(const ShellContext& context) {
    if (context.printer == nullptr) return Destination::Nowhere;
    // Asked once: the printer list comes from the print system, and Qt's PDF
    // writer is either built in or not.
    static const bool installed = !QPrinterInfo::availablePrinterNames().isEmpty();
    static const bool pdf = [] {
        QPrinter probe;
        probe.setOutputFormat(QPrinter::PdfFormat);
        return probe.outputFormat() == QPrinter::PdfFormat;
    }();
    return destination(context.printerInstalled ? context.printerInstalled() : installed, pdf);
}

QString CPagePrinter::nowhereToPrintText() {
    return QCoreApplication::translate("CPagePrinter",
                                       "Print (no printer installed, no PDF output)");
}

QString CPagePrinter::proposedPdfName(const QString& documentPath, const QString& title,
                                      const QString& fallbackFolder) {
    if (!documentPath.isEmpty()) {
        const QFileInfo file(documentPath);
        return file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
    }
    const QString name = title.isEmpty() ? QStringLiteral("Untitled") : title;
    return QDir(fallbackFolder).filePath(name + QStringLiteral(".pdf"));
}

void CPagePrinter::presetPdfOutput(QPrinter& printer, const CPageDocument& document) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(proposedPdfName(document.path(), document.title(), QDir::homePath()));
}

ErrorCode CPagePrinter::mergeFloat(Page& page) {
    if (!page.hasFloat()) return kErrNone;
    PageData& data = *page.pageData();
    if (!data.beginChange()) return kErrDisk;
    const Rect selection = page.selectionRect();
    const ErrorCode merged = page.mergeFloat();
    if (merged != kErrNone) {
        data.abortChange();
        return merged;
    }
    data.endChange();
    page.saveState(kUndoSelection, 0, selection);
    return kErrNone;
}

void CPagePrinter::printPage(QPainter& painter, const Page& page, double printerDpi,
                             std::int64_t pageWidth, std::int64_t pageHeight) {
    const Rect bounds = page.bounds();
    const PrintTileGrid grid = printTileGrid(bounds.width(), bounds.height());
    if (grid.columns == 0) return;
    const double scale = printScale(printerDpi, page.horizontalResolution());
    QImage work(grid.largestWidth, grid.largestHeight, QImage::Format_RGB32);
    if (work.isNull()) return;
    std::vector<std::uint8_t> rows;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Exact pixels: a PDF printer would otherwise store the tiles as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    for (const Rect& tile : printTiles(grid, bounds.width(), bounds.height())) {
        const PrintRect place = printDestination(tile, scale);
        if (place.left >= pageWidth || place.top >= pageHeight) continue;
        if (place.right <= place.left || place.bottom <= place.top) continue;
        readTile(page, tile, work, rows);
        // Device coordinates fit an int once the tile starts on the page.
        const QRect target(static_cast<int>(place.left), static_cast<int>(place.top),
                           static_cast<int>(std::min<std::int64_t>(place.right - place.left,
                                                                   pageWidth + pageHeight)),
                           static_cast<int>(std::min<std::int64_t>(place.bottom - place.top,
                                                                   pageWidth + pageHeight)));
        painter.drawImage(target, work, QRect(0, 0, tile.width(), tile.height()));
        // Keep windows painted while the job runs; input waits.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

CPagePrinter::Outcome CPagePrinter::printJob(const Page& page, QPrinter& printer, int copies) {
    if (page.pageData() == nullptr) return Outcome::StartFailed;
    printer.setDocName(QStringLiteral(" "));
    // Copies are printed here, one page each, so the driver must not repeat them.
    printer.setCopyCount(1);
    QPainter painter;
    if (!painter.begin(&printer)) return Outcome::StartFailed;
    const double dpi = printer.resolution();
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    for (int copy = 0; copy < std::max(copies, 1); ++copy) {
        if (copy > 0 && !printer.newPage()) {
            printer.abort();
            painter.end();
            return Outcome::PageFailed;
        }
        printPage(painter, page, dpi, area.width(), area.height());
    }
    if (!painter.end()) return Outcome::PageFailed;
    return Outcome::Printed;
}

CPagePrinter::Outcome CPagePrinter::printCommand(CPageDocument& document, ShellContext& context,
                                                 bool withDialog) {
    Page* page = document.page();
    if (page == nullptr || page->pageData() == nullptr || context.printer == nullptr)
        return Outcome::StartFailed;
    QPrinter& printer = *context.printer;
    const Destination target = destination(context);
    if (target == Destination::Nowhere) {
        showWarning(context.mainWindow, nowhereToPrintText());
        return Outcome::StartFailed;
    }
    if (target == Destination::PdfFile) presetPdfOutput(printer, document);
    int copies = 1;
    if (withDialog) {
        printer.setCopyCount(1);
        QPrintDialog dialog(&printer, context.mainWindow);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        if (dialog.exec() != QDialog::Accepted) return Outcome::Cancelled;
        copies = printer.copyCount();
    }
    const ErrorCode merged = mergeFloat(*page);
    if (merged != kErrNone) {
        showErrorCode(context.mainWindow, merged);
        return Outcome::MergeFailed;
    }
    emit document.pageChanged(page->bounds());

    QWidget* window = context.mainWindow;
    if (window != nullptr) window->setEnabled(false);
    const Outcome outcome = printJob(*page, printer, copies);
    if (window != nullptr) window->setEnabled(true);
    if (outcome == Outcome::StartFailed)
        showWarning(context.mainWindow,
                    QString::fromStdString(loadString(kPrintStartFailedString)));
    if (outcome == Outcome::PageFailed) showErrorCode(context.mainWindow, kErrGeneral);
    return outcome;
}

}  // namespace tessary
