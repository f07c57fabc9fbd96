// The image view in the running editor: the real application, engine and
// shipped Posterize module, on the offscreen platform.

#include "shell/view/page_view.h"

#include <QAction>
#include <QEventLoop>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "editor_documents.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "model/page_data.h"
#include "render/zoom_levels.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/document_icon.h"
#include "shell/app/korvel_app.h"
#include "shell/app/main_frame.h"
#include "shell/app/main_menu.h"
#include "shell/app/page_document.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/dialogs/ask_numbers_dlog.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/view/view_services.h"
#include "support/temp_dir.h"
#include "view_test_main.h"

using namespace tessary;

namespace {

// The test image: sample c of pixel (x, y), independent of any engine code.
std::uint8_t pattern(int x, int y, int c) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + c * 50);
}

// Posterize with its default four levels, from the module's description:
// 0-63 -> 0, 64-127 -> 85, 128-191 -> 170, 192-255 -> 255.
std::uint8_t posterized(std::uint8_t v) {
    return static_cast<std::uint8_t>((v / 64) * 85);
}

// Triggers `action` while the numbers dialog it opens is handled by
// `answer` (which accepts or rejects it). Any message box that follows is
// closed and its text returned in `message`. False when no numbers dialog
// came up.
bool withNumbersDialog(QAction* action, const std::function<void(CAskNumbersDlog*)>& answer,
                       QString& message) {
    bool asked = false;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<CAskNumbersDlog*>(modal)) {
            asked = true;
            answer(dialog);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            message = box->text();
            box->accept();
        }
    });
    watcher.start();
    action->trigger();
    watcher.stop();
    return asked;
}

QRgb patternRgb(int x, int y) {
    return qRgb(pattern(x, y, 0), pattern(x, y, 1), pattern(x, y, 2));
}

}  // namespace

class PageViewTest : public QObject {
    Q_OBJECT
public:
    explicit PageViewTest(CKorvelApp& app) : m_app(app) {}

private slots:
    void cleanup();
    void zoomCommandsStepAndLabelTheZoomBox();
    void scrollRangesFollowTheWindowSize();
    void paintingShowsThePageAtOneTwoAndHalf();
    void selectionCommandsEnableWithTheSelection();
    void copyThenPasteIntoNewImageGivesSamePixels();
    void undoAndRedoOfAFilterThroughEditMenuTexts();
    void plugInFilterFromMenuRunsAndLastFilterRepeatsIt();
    void failedEditIsShownInAMessageBox();
    void outlineStepsAtMostEveryTwoHundredMilliseconds();
    void outlineShowsInTheActiveWindowWithoutAClick();
    void zoomButtonsBesideTheZoomBoxZoomAsTheCommands();
    void newWindowsFitTheirImageWithinTheArea();
    void windowsShowTheDocumentIcon();
    void pointerPositionFollowsScrollingAndZooming();

private:
    CPageDocument* newImage(int width, int height, bool withPattern) {
        return test::newImage(m_app, width, height, withPattern ? pattern : nullptr);
    }
    CPageView* viewOf(CPageDocument* document) { return test::viewOf(m_app, document); }
    CChildFrame* frameOf(CPageDocument* document) { return m_app.docTemplate().frameOf(document); }
    QImage grabView(CPageView* view);
    CommandState state(int id) { return m_app.router().queryState(id); }
    bool run(int id) { return m_app.router().dispatch(id); }
    // Sets the view's window size through its frame.
    void sizeView(CPageDocument* document, int width, int height);

    CKorvelApp& m_app;
};

void PageViewTest::sizeView(CPageDocument* document, int width, int height) {
    CChildFrame* frame = frameOf(document);
    CPageView* view = viewOf(document);
    frame->resize(frame->width() + width - view->width(),
                  frame->height() + height - view->height());
    QCoreApplication::processEvents();
}

// The info bar names the pixel under the resting pointer, also after the
// wheel scrolls or a zoom changes which pixel that is.
void PageViewTest::pointerPositionFollowsScrollingAndZooming() {
    CPageDocument* document = newImage(1000, 700, false);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    sizeView(document, 500, 400);
    CInfoControlBar* bar = frameOf(document)->infoBar();
    const QPoint at(100, 80);
    const auto expected = [&] {
        const WidePoint image = view->imagePointAt(at);
        return QStringLiteral("X: %1   Y: %2").arg(image.x).arg(image.y);
    };
    QTest::mouseMove(view, at);
    QCOMPARE(bar->positionText(), expected());
    const QString before = bar->positionText();

    QWheelEvent wheel(QPointF(at), QPointF(view->mapToGlobal(at)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QCOMPARE(bar->positionText(), expected());
    QVERIFY(bar->positionText() != before);

    QVERIFY(run(cmd::kZoomIn));
    QCOMPARE(bar->positionText(), expected());
}

QImage PageViewTest::grabView(CPageView* view) {
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void PageViewTest::cleanup() {
    test::closeAllDocuments(m_app);
}

void PageViewTest::zoomCommandsStepAndLabelTheZoomBox() {
    CPageDocument* document = newImage(40, 30, true);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    QVERIFY(view != nullptr);
    auto* zoomBox = qobject_cast<QToolButton*>(view->control(zoom_commands::kZoomBox));
    QVERIFY(zoomBox != nullptr);
    QCOMPARE(zoomBox->text(), QString("1:1"));
    QVERIFY(state(cmd::kZoom1To1).checked);

    const char* upward[] = {"2:1", "4:1", "8:1", "16:1", "32:1"};
    for (const char* label : upward) {
        QVERIFY(run(cmd::kZoomIn));
        QCOMPARE(zoomBox->text(), QString(label));
    }
    QVERIFY(run(cmd::kZoomIn));  // at 32:1 nothing changes
    QCOMPARE(view->geometry().zoom(), 32.0);
    QVERIFY(state(cmd::kZoom32To1).checked);
    QVERIFY(!state(cmd::kZoom1To1).checked);

    QVERIFY(run(cmd::kZoom1To32));
    QCOMPARE(zoomBox->text(), QString("1:32"));
    QVERIFY(run(cmd::kZoomOut));  // at 1:32 nothing changes
    QCOMPARE(view->geometry().zoom(), 1.0 / 32);
    QVERIFY(run(cmd::kZoomIn));
    QCOMPARE(zoomBox->text(), QString("1:16"));
    QVERIFY(run(cmd::kZoom1To32 - 4));  // 33016
    QCOMPARE(zoomBox->text(), QString("1:2"));
    QCOMPARE(view->geometry().zoomCode(), -2);
}

void PageViewTest::scrollRangesFollowTheWindowSize() {
    CPageDocument* document = newImage(1000, 700, false);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    sizeView(document, 500, 400);
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    auto* horizontal =
        qobject_cast<QScrollBar*>(view->control(zoom_commands::kHorizontalScrollBar));
    auto* vertical = qobject_cast<QScrollBar*>(view->control(zoom_commands::kVerticalScrollBar));
    QVERIFY(horizontal != nullptr && vertical != nullptr);
    QCOMPARE(view->width(), 500);
    QVERIFY(horizontal->isVisible());
    QVERIFY(vertical->isVisible());
    QCOMPARE(horizontal->maximum(), 1000 - (500 - extent));
    QCOMPARE(vertical->maximum(), 700 - (400 - extent));

    // Scrolling by the bar moves the image: the top-left image pixel leaves.
    horizontal->setValue(100);
    QCoreApplication::processEvents();
    QCOMPARE(view->geometry().placement().left, -100);

    // Larger window than image on the vertical axis only.
    sizeView(document, 500, 700 + extent + 20);
    QVERIFY(!vertical->isVisible());
    QVERIFY(horizontal->isVisible());
    QCOMPARE(view->geometry().placement().top, (720) / 2 - 700 / 2);
    QCOMPARE(horizontal->maximum(), 1000 - (500 - extent));

    // Zoom out to 1:4: the whole image fits, both bars go.
    QVERIFY(run(cmd::kZoomOut));
    QVERIFY(run(cmd::kZoomOut));
    QVERIFY(!horizontal->isVisible());
    QVERIFY(!vertical->isVisible());
}

void PageViewTest::paintingShowsThePageAtOneTwoAndHalf() {
    const int width = 61, height = 47;
    CPageDocument* document = newImage(width, height, true);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    sizeView(document, 420, 300);
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    const int areaWidth = 420 - extent, areaHeight = 300 - extent;

    struct Case {
        int zoomCommand;
        int mag;  // window pixels per image pixel (n:1)
        int red;  // image pixels per window pixel (1:n)
    };
    for (const Case& c : {Case{cmd::kZoom1To1, 1, 1}, Case{cmd::kZoom1To1 - 1, 2, 1},
                          Case{cmd::kZoom1To1 + 1, 1, 2}}) {
        QVERIFY(run(c.zoomCommand));
        const int extentX = width * c.mag / c.red, extentY = height * c.mag / c.red;
        const int originX = areaWidth / 2 - extentX / 2, originY = areaHeight / 2 - extentY / 2;
        const QImage shot = grabView(view);
        int mismatches = 0;
        for (int wy = 0; wy < areaHeight; ++wy) {
            for (int wx = 0; wx < areaWidth; ++wx) {
                QRgb expected;
                const bool inside = wx >= originX && wx < originX + extentX && wy >= originY &&
                                    wy < originY + extentY;
                const bool onFrame = !inside && wx >= originX - 1 && wx <= originX + extentX &&
                                     wy >= originY - 1 && wy <= originY + extentY;
                if (inside) {
                    const int ix = (wx - originX) / c.mag * c.red;
                    const int iy = (wy - originY) / c.mag * c.red;
                    expected = patternRgb(ix, iy);
                } else if (onFrame) {
                    expected = qRgb(0, 0, 0);
                } else {
                    expected = QColor(Qt::gray).rgb();
                }
                if ((shot.pixel(wx, wy) & 0xFFFFFF) != (expected & 0xFFFFFF) && mismatches++ < 5)
                    qWarning("zoom %d:%d pixel (%d, %d): %06x, expected %06x", c.mag, c.red, wx, wy,
                             shot.pixel(wx, wy) & 0xFFFFFF, expected & 0xFFFFFF);
            }
        }
        if (mismatches != 0) {
            shot.save(QDir::temp().filePath("page_view_actual.png"));
        }
        QCOMPARE(mismatches, 0);
    }
}

void PageViewTest::selectionCommandsEnableWithTheSelection() {
    CPageDocument* document = newImage(32, 32, true);
    QVERIFY(document != nullptr);
    const int needSelection[] = {cmd::kEditClear, cmd::kEditCopy,   cmd::kEditCut,
                                 cmd::kImageCrop, cmd::kSelectNone, cmd::kSelectInverse};
    for (int id : needSelection) QVERIFY2(!state(id).enabled, qPrintable(QString::number(id)));
    QVERIFY(state(cmd::kSelectAll).enabled);
    QVERIFY(state(cmd::kEditFill).enabled);

    QVERIFY(run(cmd::kSelectAll));
    for (int id : needSelection) QVERIFY2(state(id).enabled, qPrintable(QString::number(id)));
    QCOMPARE(CommandRouter::menuText(m_app.router().action(cmd::kEditUndo)).isEmpty(), false);
    QCOMPARE(*state(cmd::kEditUndo).text, QString("&Undo Selection\tCtrl+Z"));

    // Inverting an all-selected mask leaves a mask of zeros: still a selection.
    QVERIFY(run(cmd::kSelectInverse));
    QVERIFY(state(cmd::kSelectNone).enabled);
    QVERIFY(!document->page()->isSelected(5, 5));

    QVERIFY(run(cmd::kSelectNone));
    for (int id : needSelection) QVERIFY2(!state(id).enabled, qPrintable(QString::number(id)));

    // Undo brings the selection back, with its commands.
    QVERIFY(run(cmd::kEditUndo));
    QVERIFY(state(cmd::kSelectNone).enabled);
}

void PageViewTest::copyThenPasteIntoNewImageGivesSamePixels() {
    const int width = 50, height = 36;
    CPageDocument* source = newImage(width, height, true);
    QVERIFY(source != nullptr);
    QVERIFY(!state(cmd::kEditPaste).enabled || m_app.scrap()->hasImage());
    QVERIFY(run(cmd::kSelectAll));
    QVERIFY(run(cmd::kEditCopy));

    CPageDocument* target = newImage(width, height, false);
    QVERIFY(target != nullptr);
    QCOMPARE(m_app.activeDocument(), target);
    QVERIFY(state(cmd::kEditPaste).enabled);
    QVERIFY(run(cmd::kEditPaste));
    const Page& page = *target->page();
    QVERIFY(page.hasFloat());
    QCOMPARE(*state(cmd::kEditUndo).text, QString("&Undo Paste\tCtrl+Z"));
    QVERIFY(target->isModified());
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = page.colourAt(x, y);
            const std::uint32_t expected = pattern(x, y, 0) | (pattern(x, y, 1) << 8) |
                                           (static_cast<std::uint32_t>(pattern(x, y, 2)) << 16);
            if (c != expected) ++mismatches;
        }
    QCOMPARE(mismatches, 0);

    // The window shows the pasted pixels (float composited by the renderer,
    // within one level of the float, as the blend uses 256 - m).
    CPageView* view = viewOf(target);
    sizeView(target, 500, 300);
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    QCOMPARE(view->width(), 500);
    const int originX = (500 - extent) / 2 - width / 2, originY = (300 - extent) / 2 - height / 2;
    const QImage shot = grabView(view);
    for (int y = 0; y < height; y += 5)
        for (int x = 0; x < width; x += 7) {
            const QRgb got = shot.pixel(originX + x, originY + y);
            QVERIFY(std::abs(qRed(got) - pattern(x, y, 0)) <= 1);
            QVERIFY(std::abs(qGreen(got) - pattern(x, y, 1)) <= 1);
            QVERIFY(std::abs(qBlue(got) - pattern(x, y, 2)) <= 1);
        }
}

void PageViewTest::undoAndRedoOfAFilterThroughEditMenuTexts() {
    CPageDocument* document = newImage(40, 20, true);
    QVERIFY(document != nullptr);
    QAction* undo = m_app.router().action(cmd::kEditUndo);
    QAction* redo = m_app.router().action(cmd::kEditRedo);
    m_app.router().updateAll();
    QCOMPARE(CommandRouter::menuText(undo), QString("&Undo\tCtrl+Z"));
    QVERIFY(!undo->isEnabled());

    QVERIFY(run(cmd::kFilterInvert));
    m_app.router().updateAll();
    QCOMPARE(CommandRouter::menuText(undo), QString("&Undo Filter\tCtrl+Z"));
    QVERIFY(undo->isEnabled());
    const Page& page = *document->page();
    QCOMPARE(page.colourAt(3, 4) & 0xFF, 255u - pattern(3, 4, 0));

    undo->trigger();
    m_app.router().updateAll();
    QCOMPARE(page.colourAt(3, 4) & 0xFF, std::uint32_t{pattern(3, 4, 0)});
    QCOMPARE(CommandRouter::menuText(redo), QString("&Redo Filter\tCtrl+R"));
    QVERIFY(redo->isEnabled());
    QVERIFY(!undo->isEnabled());

    redo->trigger();
    m_app.router().updateAll();
    QCOMPARE(page.colourAt(3, 4) & 0xFF, 255u - pattern(3, 4, 0));
    // The window shows the state after the redo.
    CPageView* view = viewOf(document);
    sizeView(document, 500, 300);
    QCOMPARE(view->height(), 300);
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    const QImage shot = grabView(view);
    const QRgb got = shot.pixel((500 - extent) / 2 - 20 + 3, (300 - extent) / 2 - 10 + 4);
    QCOMPARE(qRed(got), 255 - pattern(3, 4, 0));
}

void PageViewTest::plugInFilterFromMenuRunsAndLastFilterRepeatsIt() {
    CPageDocument* document = newImage(30, 20, true);
    QVERIFY(document != nullptr);
    QMenu* plugIns = m_app.mainFrame()->mainMenu()->filterPlugInMenu();
    QVERIFY(plugIns != nullptr);
    m_app.router().updateMenu(plugIns);
    QAction* posterize = nullptr;
    std::vector<QMenu*> menus{plugIns};
    while (!menus.empty() && posterize == nullptr) {
        QMenu* menu = menus.back();
        menus.pop_back();
        for (QAction* action : menu->actions()) {
            if (action->menu() != nullptr)
                menus.push_back(action->menu());
            else if (action->text().contains("Posterize"))
                posterize = action;
        }
    }
    QVERIFY2(posterize != nullptr, "Posterize is not in Filter > Plug - Ins");
    const int id = CommandRouter::commandId(posterize);
    QVERIFY(cmd::inRange(id, cmd::kFilterPlugInFirst, cmd::kFilterPlugInLast));
    QVERIFY(state(cmd::kLastFilter).enabled == false);

    // Cancel in the module's dialog: no message, no change, no history.
    const Page& page = *document->page();
    const std::uint32_t untouched = page.colourAt(7, 5);
    QString message;
    QVERIFY(withNumbersDialog(
        posterize, [](CAskNumbersDlog* dialog) { dialog->reject(); }, message));
    QCOMPARE(message, QString());
    QCOMPARE(page.colourAt(7, 5), untouched);
    QCOMPARE(document->page()->pageData()->undoCount(), 0);
    QVERIFY(state(cmd::kLastFilter).enabled == false);

    // Four levels typed into the dialog (the menu is opened again first, as
    // a user would, which brings its enabling up to date).
    m_app.router().updateMenu(plugIns);
    QVERIFY(posterize->isEnabled());
    int shownMinimum = 0;
    int shownMaximum = 0;
    QVERIFY(withNumbersDialog(
        posterize,
        [&](CAskNumbersDlog* dialog) {
            auto* levels = dialog->controlAs<QSpinBox>(CAskNumbersDlog::kIdFirstValue);
            shownMinimum = levels->minimum();
            shownMaximum = levels->maximum();
            levels->setValue(4);
            dialog->accept();
        },
        message));
    QCOMPARE(message, QString());
    QCOMPARE(shownMinimum, 2);
    QCOMPARE(shownMaximum, 255);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 30; x += 4)
            QCOMPARE(page.colourAt(x, y) & 0xFF, std::uint32_t{posterized(pattern(x, y, 0))});
    QCOMPARE(*state(cmd::kEditUndo).text, QString("&Undo Filter\tCtrl+Z"));
    const CommandState last = state(cmd::kLastFilter);
    QVERIFY(last.enabled);
    QCOMPARE(*last.text, QString("Posterize\tCtrl+F"));

    // New pixels written behind the view's back, then Last Filter.
    PageData& data = *document->page()->pageData();
    std::vector<std::uint8_t> row(30);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 8 + y);
        data.writeRow(1, 0, y, 30, row.data());
    }
    QVERIFY(run(cmd::kLastFilter));
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 30; x += 4)
            QCOMPARE((page.colourAt(x, y) >> 8) & 0xFF,
                     std::uint32_t{posterized(static_cast<std::uint8_t>(x * 8 + y))});
}

void PageViewTest::failedEditIsShownInAMessageBox() {
    CPageDocument* document = newImage(20, 20, true);
    QVERIFY(document != nullptr);
    // A paste whose scrap has been emptied behind the menu's back fails: the
    // message comes up, and pixels and history stay as they were.
    QVERIFY(run(cmd::kSelectAll));
    QVERIFY(run(cmd::kEditCopy));
    QVERIFY(state(cmd::kEditPaste).enabled);
    const std::uint32_t before = document->page()->colourAt(4, 4);
    m_app.scrap()->clear();
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    CPageView* view = viewOf(document);
    QVERIFY(view->runCommand(cmd::kEditPaste));
    QCOMPARE(shown, QString("Could not complete this operation due to an error."));
    QVERIFY(!document->page()->hasFloat());
    QVERIFY(document->page()->hasMask());
    QCOMPARE(document->page()->colourAt(4, 4), before);
    QCOMPARE(*state(cmd::kEditUndo).text, QString("&Undo Selection\tCtrl+Z"));
}

void PageViewTest::outlineStepsAtMostEveryTwoHundredMilliseconds() {
    CPageDocument* document = newImage(40, 30, true);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    std::uint32_t now = 1000;
    view->setTickSource([&now] { return now; });
    QApplication::setActiveWindow(m_app.mainFrame());
    view->setFocus();
    QCoreApplication::processEvents();
    if (!view->hasFocus()) QSKIP("the offscreen platform gave no focus");
    QVERIFY(run(cmd::kSelectAll));
    view->idle();
    QVERIFY(view->outline().hasBitmap());
    const int steps = view->outlineSteps();
    now += 150;
    view->idle();
    QCOMPARE(view->outlineSteps(), steps);  // under 200 ms since the last step
    now += 60;
    view->idle();
    QCOMPARE(view->outlineSteps(), steps + 1);
    now += 199;
    view->idle();
    QCOMPARE(view->outlineSteps(), steps + 1);

    // The outline is painted: the image's top-left pixel shows the pattern
    // (black or white), not the image's own colour.
    sizeView(document, 500, 300);
    QCOMPARE(view->width(), 500);
    view->idle();
    const int extent = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
    const QImage shot = grabView(view);
    const QRgb corner = shot.pixel((500 - extent) / 2 - 20, (300 - extent) / 2 - 15) & 0xFFFFFF;
    QVERIFY2(corner == 0x000000 || corner == 0xFFFFFF,
             qPrintable(QString("corner %1 focus %2 bitmap %3 at %4,%5")
                            .arg(corner, 6, 16)
                            .arg(view->hasFocus())
                            .arg(view->outline().hasBitmap())
                            .arg(view->outline().windowRect().left)
                            .arg(view->outline().windowRect().top)));
    const QRgb inner =
        shot.pixel((500 - extent) / 2 - 20 + 5, (300 - extent) / 2 - 15 + 5) & 0xFFFFFF;
    QCOMPARE(inner, patternRgb(5, 5) & 0xFFFFFF);

    // Another image window becoming active drops the outline.
    CPageDocument* other = newImage(20, 20, false);
    QVERIFY(other != nullptr);
    view->idle();
    QVERIFY(!view->outline().hasBitmap());
}

// Runs the event loop (and so its idle passes) for `ms` milliseconds.
static void runLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void PageViewTest::outlineShowsInTheActiveWindowWithoutAClick() {
    QApplication::setActiveWindow(m_app.mainFrame());
    CPageDocument* document = newImage(40, 30, true);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    runLoop(50);
    // A new image window's view takes the keyboard at once.
    QVERIFY(view->hasFocus());
    QVERIFY(run(cmd::kSelectAll));
    const WideRect placement = view->geometry().placement();
    const QPoint corner(static_cast<int>(placement.left), static_cast<int>(placement.top));
    // Empty when the outline is painted at the image's top-left pixel (in
    // black or white, not the image's own colour); else what is wrong.
    const auto outlineFault = [&]() -> QString {
        const QRgb pixel = grabView(view).pixel(corner) & 0xFFFFFF;
        if (view->outline().hasBitmap() && (pixel == 0x000000 || pixel == 0xFFFFFF)) return {};
        return QString("pixel %1 bitmap %2 at %3,%4 steps %5 view %6x%7")
            .arg(pixel, 6, 16)
            .arg(view->outline().hasBitmap())
            .arg(view->outline().windowRect().left)
            .arg(view->outline().windowRect().top)
            .arg(view->outlineSteps())
            .arg(view->width())
            .arg(view->height());
    };
    // The outline is drawn and moves in the active window, whichever of its
    // widgets holds the keyboard: after a walk through a menu, after the
    // info bar's Show / Hide, and with the focus elsewhere in the window.
    struct Step {
        const char* what;
        std::function<void()> act;
    };
    QWidget* elsewhere = frameOf(document)->infoBar()->findChild<QToolButton*>();
    QVERIFY(elsewhere != nullptr);
    const std::vector<Step> steps = {
        {"after Select All", [] {}},
        {"after a menu walk",
         [this] {
             QMenu* menu = m_app.mainFrame()->mainMenu()->zoomMenu();
             menu->popup(QPoint(10, 10));
             runLoop(30);
             menu->close();
         }},
        {"after Show / Hide", [this] { run(cmd::kInfoShowHide); }},
        {"with the focus on the info bar",
         [elsewhere] { elsewhere->setFocus(Qt::OtherFocusReason); }},
    };
    for (const Step& step : steps) {
        step.act();
        const int before = view->outlineSteps();
        runLoop(450);  // at least two steps of 200 ms
        const QString fault = outlineFault();
        QVERIFY2(fault.isEmpty(), qPrintable(step.what + QString(": ") + fault));
        QVERIFY2(view->outlineSteps() > before, step.what);
    }
}

void PageViewTest::zoomButtonsBesideTheZoomBoxZoomAsTheCommands() {
    CPageDocument* byButton = newImage(400, 300, true);
    CPageDocument* byCommand = newImage(400, 300, true);
    QVERIFY(byButton != nullptr && byCommand != nullptr);
    CPageView* view = viewOf(byButton);
    CPageView* reference = viewOf(byCommand);
    sizeView(byButton, 300, 200);
    sizeView(byCommand, 300, 200);
    QWidget* zoomBox = view->control(zoom_commands::kZoomBox);
    auto* zoomIn = qobject_cast<QToolButton*>(view->control(zoom_commands::kZoomInButton));
    auto* zoomOut = qobject_cast<QToolButton*>(view->control(zoom_commands::kZoomOutButton));
    QVERIFY(zoomIn != nullptr && zoomOut != nullptr);
    QVERIFY(zoomIn->isVisible() && zoomOut->isVisible());
    // Beside the zoom box, on its row.
    QCOMPARE(zoomOut->geometry().left(), zoomBox->geometry().right() + 1);
    QCOMPARE(zoomIn->geometry().left(), zoomOut->geometry().right() + 1);
    QCOMPARE(zoomIn->geometry().top(), zoomBox->geometry().top());
    const std::pair<QToolButton*, bool> clicks[] = {
        {zoomIn, true}, {zoomIn, true}, {zoomOut, false}, {zoomOut, false}, {zoomOut, false}};
    for (const auto& [button, in] : clicks) {
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(reference->runCommand(in ? cmd::kZoomIn : cmd::kZoomOut));
        QCOMPARE(view->zoomLabel(), reference->zoomLabel());
        QCOMPARE(view->geometry().zoom(), reference->geometry().zoom());
        QCOMPARE(view->geometry().scrollBar(KorvelViewGeometry::Axis::Horizontal).position,
                 reference->geometry().scrollBar(KorvelViewGeometry::Axis::Horizontal).position);
        QCOMPARE(view->geometry().scrollBar(KorvelViewGeometry::Axis::Vertical).position,
                 reference->geometry().scrollBar(KorvelViewGeometry::Axis::Vertical).position);
    }
    QCOMPARE(view->zoomLabel(), QString("1:2"));
}

void PageViewTest::newWindowsFitTheirImageWithinTheArea() {
    using Axis = KorvelViewGeometry::Axis;
    m_app.mainFrame()->resize(1200, 900);
    QCoreApplication::processEvents();
    const QSize room = m_app.mainFrame()->mdiArea()->viewport()->size();

    // A tiny image opens at the minimum size.
    CPageDocument* tiny = newImage(30, 20, false);
    QVERIFY(tiny != nullptr);
    QCOMPARE(frameOf(tiny)->size(), QSize(CChildFrame::kMinimumWidth, CChildFrame::kMinimumHeight));

    // An image that fits is shown whole at its zoom, with no scroll bar.
    CPageDocument* fits = newImage(500, 300, false);
    QVERIFY(fits != nullptr);
    const KorvelViewGeometry& geometry = viewOf(fits)->geometry();
    QVERIFY(frameOf(fits)->width() <= room.width() && frameOf(fits)->height() <= room.height());
    QCOMPARE(geometry.imageArea().width(), geometry.scrollBar(Axis::Horizontal).extent);
    QCOMPARE(geometry.imageArea().height(), geometry.scrollBar(Axis::Vertical).extent);
    QVERIFY(!geometry.scrollBar(Axis::Horizontal).visible);
    QVERIFY(!geometry.scrollBar(Axis::Vertical).visible);

    // A larger image gets the whole area.
    CPageDocument* large = newImage(3000, 2000, false);
    QVERIFY(large != nullptr);
    QCOMPARE(frameOf(large)->size(), room);

    QCOMPARE(CChildFrame::openingSize(QSize(900, 100), QSize(600, 700)), QSize(600, 200));
}

void PageViewTest::windowsShowTheDocumentIcon() {
    CPageDocument* document = newImage(30, 20, false);
    QVERIFY(document != nullptr);
    const QImage shown = frameOf(document)->windowIcon().pixmap(32).toImage();
    QCOMPARE(shown, documentIcon().pixmap(32).toImage());
    // Paper with a picture, transparent around the sheet.
    QVERIFY(!shown.isNull());
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(shown.pixel(16, 24)), 255);
    QVERIFY(shown.pixel(16, 24) != qRgb(255, 255, 255));
}

int main(int argc, char** argv) {
    return tessary::test::runEditorTests<PageViewTest>(
        argc, argv, {std::filesystem::path(TESSARY_TEST_PLUGIN_DIR) / "Posterize.8bf"});
}

#include "page_view_test.moc"
