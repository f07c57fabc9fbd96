#include "shell/services/page_printer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>

#include "app/zerozevuv.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/services/print_tiles.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

// --- The tile grid -------------------------------------------------------------

std::vector<std::int32_t> columnWidths(std::int32_t width) {
    const PrintTileGrid grid = printTileGrid(width, 1);
    std::vector<std::int32_t> widths;
    for (const Rect& tile : printTiles(grid, width, 1)) widths.push_back(tile.width());
    return widths;
}

TEST(PrintTiles, ColumnsOfAtMost250Pixels) {
    EXPECT_EQ(columnWidths(600), (std::vector<std::int32_t>{200, 200, 200}));
    EXPECT_EQ(columnWidths(502), (std::vector<std::int32_t>{167, 167, 168}));
    EXPECT_EQ(columnWidths(250), (std::vector<std::int32_t>{250}));
    EXPECT_EQ(columnWidths(251), (std::vector<std::int32_t>{125, 126}));
    EXPECT_EQ(columnWidths(1), (std::vector<std::int32_t>{1}));
}

TEST(PrintTiles, TilesCoverTheImageOnceInReadingOrder) {
    for (const auto& [width, height] :
         {std::pair{502, 260}, std::pair{1000, 3}, std::pair{7, 999}}) {
        const PrintTileGrid grid = printTileGrid(width, height);
        const std::vector<Rect> tiles = printTiles(grid, width, height);
        ASSERT_EQ(tiles.size(), static_cast<std::size_t>(grid.columns * grid.rows));
        std::vector<int> covered(static_cast<std::size_t>(width) * height, 0);
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            const Rect& tile = tiles[i];
            EXPECT_LE(tile.width(), grid.largestWidth);
            EXPECT_LE(tile.height(), grid.largestHeight);
            if (i > 0 && tiles[i - 1].top == tile.top) {
                EXPECT_EQ(tiles[i - 1].right, tile.left);
            }
            for (int y = tile.top; y < tile.bottom; ++y)
                for (int x = tile.left; x < tile.right; ++x) ++covered[y * width + x];
        }
        for (int count : covered) ASSERT_EQ(count, 1);
    }
}

TEST(PrintTiles, EmptyImagesHaveNoTiles) {
    EXPECT_EQ(printTileGrid(0, 10).columns, 0);
    EXPECT_TRUE(printTiles(printTileGrid(0, 10), 0, 10).empty());
}

TEST(PrintTiles, HugeWidthsDoNotOverflow) {
    const std::int32_t width = 2147483600;
    const PrintTileGrid grid = printTileGrid(width, 10);
    EXPECT_EQ(grid.columns, 8589935);  // (width + 249) / 250
    EXPECT_EQ(static_cast<std::int64_t>(grid.tileWidth) * (grid.columns - 1) + grid.largestWidth,
              width);
}

TEST(PrintScale, PrinterDotsPerImagePixel) {
    // 72 pixels per inch on a 300 dpi printer: about 4.17.
    EXPECT_NEAR(printScale(300, 72), 4.1667, 1e-4);
    EXPECT_DOUBLE_EQ(printScale(1200, 300), 4.0);
    EXPECT_DOUBLE_EQ(printScale(300, 0), 300.0 / 72.0);
    const PrintRect place = printDestination(Rect{0, 0, 10, 10}, printScale(300, 72));
    EXPECT_EQ(place, (PrintRect{0, 0, 41, 41}));
    // Corners beyond 32 bits at a high printer resolution.
    const PrintRect far = printDestination(Rect{2000000000, 0, 2000000001, 1}, 10.0);
    EXPECT_EQ(far.left, 20000000000ll);
}

// --- Printing into a PDF file ------------------------------------------------------

constexpr int kPrinterDpi = 1200;

bool havePoppler() {
    return QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-v")}) == 0;
}

// A PDF printer writing `path`, without margins, at 1200 dpi.
void preparePdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// The top-left `width` x `height` printer pixels of every page of a PDF,
// rendered at the printer's 1200 dpi, in page order. At that resolution each
// image pixel is an exact block of printer pixels.
std::vector<QImage> renderPdf(const QString& pdf, int width, int height) {
    const QString prefix = pdf + QStringLiteral("-page");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QString::number(kPrinterDpi), QStringLiteral("-x"),
                       QStringLiteral("0"), QStringLiteral("-y"), QStringLiteral("0"),
                       QStringLiteral("-W"), QString::number(width), QStringLiteral("-H"),
                       QString::number(height), QStringLiteral("-png"), pdf, prefix});
    std::vector<QImage> pages;
    QDir folder = QFileInfo(pdf).dir();
    QStringList names = folder.entryList({QFileInfo(prefix).fileName() + QStringLiteral("*.png")},
                                         QDir::Files, QDir::Name);
    for (const QString& name : names) pages.push_back(QImage(folder.absoluteFilePath(name)));
    return pages;
}

// Every image pixel shows its own colour in the middle of its block of
// `block` x `block` printer pixels, and the paper right of the image is
// white.
void expectPatternAtTopLeft(const QImage& rendered, const Page& page, int block) {
    const Rect bounds = page.bounds();
    ASSERT_GE(rendered.width(), bounds.width() * block + 2);
    ASSERT_GE(rendered.height(), bounds.height() * block);
    int mismatches = 0;
    for (int y = 0; y < bounds.height(); ++y) {
        for (int x = 0; x < bounds.width(); ++x) {
            const QRgb pixel = rendered.pixel(x * block + block / 2, y * block + block / 2);
            const std::uint32_t shown = qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16);
            std::uint32_t expected = test::patternColour(x, y);
            if (page.type() == Page::kTypeGrey) expected = test::patternGrey(x, y) * 0x010101u;
            if (shown != expected && ++mismatches <= 5)
                ADD_FAILURE() << "(" << x << ", " << y << "): 0x" << std::hex << shown << " != 0x"
                              << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(rendered.pixel(bounds.width() * block + 1, block / 2), qRgb(255, 255, 255));
}

class PrintToPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!havePoppler()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    }
    test::EditorRig rig;
};

TEST_F(PrintToPdfTest, AnRgbImageArrivesWithExactPixelsAtItsSize) {
    // 600 x 300 at 300 pixels per inch: 3 x 2 tiles, 2 x 1 inches on paper.
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 600,
                                      300, 300.0);
    const QString pdf = rig.file("rgb.pdf");
    QPrinter printer(QPrinter::HighResolution);
    preparePdf(printer, pdf);
    ASSERT_EQ(CPagePrinter::printJob(*page, printer, 1), CPagePrinter::Outcome::Printed);
    // Scale 1200 / 300: each pixel a block of 4 x 4 printer pixels.
    const std::vector<QImage> pages = renderPdf(pdf, 2404, 1204);
    ASSERT_EQ(pages.size(), 1u);
    expectPatternAtTopLeft(pages[0], *page, 4);
    // The image ends at 2 x 1 inches.
    EXPECT_EQ(pages[0].pixel(2401, 100), qRgb(255, 255, 255));
    EXPECT_EQ(pages[0].pixel(100, 1201), qRgb(255, 255, 255));
    EXPECT_NE(pages[0].pixel(2398, 1198), qRgb(255, 255, 255));
}

TEST_F(PrintToPdfTest, AGreyImageRepeatsItsGreyInEveryChannel) {
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeGrey, 260,
                                      40, 150.0);
    const QString pdf = rig.file("grey.pdf");
    QPrinter printer(QPrinter::HighResolution);
    preparePdf(printer, pdf);
    ASSERT_EQ(CPagePrinter::printJob(*page, printer, 1), CPagePrinter::Outcome::Printed);
    const std::vector<QImage> pages = renderPdf(pdf, 260 * 8 + 4, 40 * 8);
    ASSERT_EQ(pages.size(), 1u);
    expectPatternAtTopLeft(pages[0], *page, 8);
}

TEST_F(PrintToPdfTest, ThreeCopiesAreThreePagesOfOneJob) {
    auto page =
        test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 30, 20, 300.0);
    const QString pdf = rig.file("copies.pdf");
    QPrinter printer(QPrinter::HighResolution);
    preparePdf(printer, pdf);
    ASSERT_EQ(CPagePrinter::printJob(*page, printer, 3), CPagePrinter::Outcome::Printed);
    const std::vector<QImage> pages = renderPdf(pdf, 30 * 4 + 4, 20 * 4);
    ASSERT_EQ(pages.size(), 3u);
    for (const QImage& rendered : pages) expectPatternAtTopLeft(rendered, *page, 4);
}

TEST_F(PrintToPdfTest, AFloatingSelectionIsMergedFirstAsOneUndoStep) {
    NewImageResult request;
    request.width = 16;
    request.height = 8;
    request.resolution = 300;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    Page& page = *document->page();
    // Lift the whole image into a floating selection, as a move would.
    ASSERT_TRUE(page.pageData()->beginChange());
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.liftFloat(), kErrNone);
    page.pageData()->endChange();
    ASSERT_TRUE(page.saveState(5, 0, page.bounds()));
    ASSERT_TRUE(page.hasFloat());
    const int undoSteps = page.pageData()->undoCount();

    preparePdf(*rig.app().context().printer, rig.file("float.pdf"));
    EXPECT_EQ(CPagePrinter::printCommand(*document, rig.app().context(), false),
              CPagePrinter::Outcome::Printed);
    EXPECT_FALSE(page.hasFloat());
    EXPECT_EQ(page.pageData()->undoCount(), std::min(undoSteps + 1, 4));
    EXPECT_EQ(page.undoKind(), 5u);  // "Selection"
    const std::vector<QImage> pages = renderPdf(rig.file("float.pdf"), 64, 32);
    ASSERT_EQ(pages.size(), 1u);
}

// --- Where printing goes ------------------------------------------------------------

TEST(PrintDestination, PdfWhenNoPrinterAndNowhereWithoutPdf) {
    using D = CPagePrinter::Destination;
    EXPECT_EQ(CPagePrinter::destination(true, true), D::Printer);
    EXPECT_EQ(CPagePrinter::destination(true, false), D::Printer);
    EXPECT_EQ(CPagePrinter::destination(false, true), D::PdfFile);
    EXPECT_EQ(CPagePrinter::destination(false, false), D::Nowhere);
}

TEST(PrintDestination, TheProposedPdfSitsBesideTheDocument) {
    EXPECT_EQ(CPagePrinter::proposedPdfName("/photos/beach.day.png", "beach.day.png", "/home/u"),
              QStringLiteral("/photos/beach.day.pdf"));
    EXPECT_EQ(CPagePrinter::proposedPdfName("", "Untitled-2", "/home/u"),
              QStringLiteral("/home/u/Untitled-2.pdf"));
}

TEST_F(PrintToPdfTest, WithNoPrinterThePrintDialogWritesAPdfBesideTheDocument) {
    NewImageResult request;
    request.width = 20;
    request.height = 10;
    request.resolution = 300;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    document->setPath(rig.file("scan.png"));
    ShellContext& context = rig.app().context();
    context.printerInstalled = [] { return false; };

    QString offeredFile;
    CPagePrinter::Outcome outcome = CPagePrinter::Outcome::Cancelled;
    const bool shown = test::withModal(
        [&](QWidget* dialog) {
            auto* printDialog = qobject_cast<QPrintDialog*>(dialog);
            ASSERT_NE(printDialog, nullptr);
            EXPECT_TRUE(printDialog->testOption(QAbstractPrintDialog::PrintToFile));
            offeredFile = printDialog->printer()->outputFileName();
            printDialog->accept();
        },
        [&] { outcome = CPagePrinter::printCommand(*document, context, true); });
    ASSERT_TRUE(shown);
    EXPECT_EQ(outcome, CPagePrinter::Outcome::Printed);
    EXPECT_EQ(offeredFile, rig.file("scan.pdf"));
    EXPECT_EQ(renderPdf(rig.file("scan.pdf"), 80, 40).size(), 1u);
}

TEST(PrintJob, APrinterThatCannotStartIsReported) {
    test::EditorRig rig;
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 4, 4);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(rig.file("no-such-folder/out.pdf"));
    EXPECT_EQ(CPagePrinter::printJob(*page, printer, 1), CPagePrinter::Outcome::StartFailed);
}

}  // namespace
}  // namespace tessary
