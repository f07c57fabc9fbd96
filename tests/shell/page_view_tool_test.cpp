// The image view as the tools' view, in the running editor on the offscreen
// platform: real presses and drags painting through the tool box, the
// feedback overlay, the cursor choice and an error of a stroke.

// Before any Qt header: it uses a word that Qt defines as a macro.
// clang-format off
#include "core/model/test_store.h"
// clang-format on

#include <QDialog>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "app/zerozevuv.h"
#include "editor_documents.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/korvel_app.h"
#include "shell/app/main_frame.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/view/page_view.h"
#include "shell/view/tool_cursors.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/pen_stroke.h"
#include "tools/paint/pencil_tool.h"
#include "tools/selection/selection_tool.h"
#include "tools/tool_box.h"
#include "view_test_main.h"

using namespace tessary;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

using PixelSet = std::set<std::pair<int, int>>;

// Rounds half away from zero.
int roundAway(double v) {
    return static_cast<int>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

// The pixels a one-pixel pencil with spacing 1 sets along `points`: the
// first point, then for each segment every step of max(|dx|, |dy|) equal
// steps, rounded. (Segments are chosen with an odd step count so that no
// step lands on a half pixel.)
PixelSet pencilPixels(const std::vector<QPoint>& points) {
    PixelSet set{{points[0].x(), points[0].y()}};
    for (std::size_t s = 1; s < points.size(); ++s) {
        const QPoint a = points[s - 1], b = points[s];
        const int n = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
        for (int i = 1; i <= n; ++i) {
            set.insert({a.x() + roundAway(double(i) * (b.x() - a.x()) / n),
                        a.y() + roundAway(double(i) * (b.y() - a.y()) / n)});
        }
    }
    return set;
}

// A press and release at `at`: the release is scheduled first, as the press
// runs the tool's drag loop until the button goes up.
void click(QWidget* view, QPoint at) {
    QTimer::singleShot(20, view, [view, at] { QTest::mouseRelease(view, Qt::LeftButton, {}, at); });
    QTest::mousePress(view, Qt::LeftButton, {}, at);
}

// Runs `steps` one after the other, each `intervalMs` after the previous
// one ran: each is a separate pass of the event loop, so a drag loop sees
// every move on its own. Steps not yet run when `owner` is destroyed (a drag
// that ended early) never run.
void runSteps(QObject* owner, std::shared_ptr<std::vector<std::function<void()>>> steps,
              std::size_t i, int intervalMs) {
    if (i >= steps->size()) return;
    QTimer::singleShot(intervalMs, owner, [owner, steps, i, intervalMs] {
        (*steps)[i]();
        runSteps(owner, steps, i + 1, intervalMs);
    });
}

void chain(QObject* owner, std::vector<std::function<void()>> steps, int intervalMs = 25) {
    runSteps(owner, std::make_shared<std::vector<std::function<void()>>>(std::move(steps)), 0,
             intervalMs);
}

// A press at points[0], moves through the others and a release at the last
// one (window pixels); `during`, when given, runs before the release. The
// moves are scheduled before the press, whose drag loop runs until the
// button goes up.
void drag(QWidget* view, const std::vector<QPoint>& points,
          const std::function<void()>& during = {}) {
    std::vector<std::function<void()>> steps;
    for (std::size_t i = 1; i < points.size(); ++i)
        steps.push_back([view, p = points[i]] { QTest::mouseMove(view, p); });
    if (during) steps.push_back(during);
    steps.push_back(
        [view, p = points.back()] { QTest::mouseRelease(view, Qt::LeftButton, {}, p); });
    QObject scope;
    chain(&scope, std::move(steps));
    QTest::mousePress(view, Qt::LeftButton, {}, points.front());
}

void saveShot(QWidget* widget, const QString& name) {
    const QString folder = QStringLiteral(QT_TESTCASE_BUILDDIR "/screenshots");
    QDir().mkpath(folder);
    QVERIFY(widget->grab().save(folder + "/" + name));
}

// What a tool drag in toolDragsThroughTheView prepares and checks.
enum class DragCheck {
    SelectsRectangle,
    SelectsEllipse,
    SelectsPolygon,
    WandSelectsAll,
    ArrowMovesOutline,
    CropsToDrag,
    LinePaints,
    BucketFills,
    GradientRamps,
    TextPlaced,
    HandScrolls,
    MagnifyZoomsIn,
    LeavesThePage,
};

}  // namespace

Q_DECLARE_METATYPE(DragCheck)

class PageViewToolTest : public QObject {
    Q_OBJECT
public:
    explicit PageViewToolTest(CKorvelApp& app) : m_app(app) {}

private slots:
    void init();
    void cleanup();
    void pencilDragPaintsTheLineAndIsOneUndoStep();
    void everyEndOfTheButtonEndsTheDrag_data();
    void everyEndOfTheButtonEndsTheDrag();
    void feedbackToggledTwiceLeavesTheViewAsBefore_data();
    void feedbackToggledTwiceLeavesTheViewAsBefore();
    void cursorShowsWhatAPressWouldDo_data();
    void cursorShowsWhatAPressWouldDo();
    void theClickThatActivatesAWindowOnlyActivatesIt();
    void failedStrokeIsReportedAndLeavesThePage();
    void brushStepsAtOneToOne();
    void toolDragsThroughTheView_data();
    void toolDragsThroughTheView();
    void selectionDragMovesPixelsAndLeavesNoOutline();

private:
    CPageDocument* newWhiteImage(int width, int height) {
        return test::newImage(m_app, width, height);
    }
    CPageView* viewOf(CPageDocument* document) const { return test::viewOf(m_app, document); }
    // Makes the document's window the active one and sizes its view.
    CPageView* showView(CPageDocument* document, int width = 420, int height = 320);
    QPoint windowPoint(CPageView* view, QPoint image) const;
    // What the screen shows of the view (the backing store, as flushed).
    QImage screenOf(CPageView* view) const;

    CKorvelApp& m_app;
};

CPageView* PageViewToolTest::showView(CPageDocument* document, int width, int height) {
    CChildFrame* frame = m_app.docTemplate().frameOf(document);
    CPageView* view = viewOf(document);
    if (frame == nullptr || view == nullptr) return nullptr;
    m_app.mainFrame()->resize(std::max(m_app.mainFrame()->width(), width + 200),
                              std::max(m_app.mainFrame()->height(), height + 200));
    frame->resize(frame->width() + width - view->width(),
                  frame->height() + height - view->height());
    QApplication::setActiveWindow(m_app.mainFrame());
    m_app.mainFrame()->mdiArea()->setActiveSubWindow(frame);
    QTest::qWait(20);
    return view;
}

QPoint PageViewToolTest::windowPoint(CPageView* view, QPoint image) const {
    const ToolPoint window = view->imageToWindow({image.x(), image.y()});
    return {window.x, window.y};
}

QImage PageViewToolTest::screenOf(CPageView* view) const {
    const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void PageViewToolTest::init() {
    m_app.globals().setForeground(kBlack);
    m_app.globals().setOpacity(255);
}

void PageViewToolTest::cleanup() {
    test::closeAllDocuments(m_app);
}

void PageViewToolTest::pencilDragPaintsTheLineAndIsOneUndoStep() {
    CPageDocument* document = newWhiteImage(64, 48);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document);
    QVERIFY(view != nullptr && view->windowActive());
    m_app.tools().setCurrentIndex(ToolBox::kPencil);
    const Page& page = *document->page();
    const int undoBefore = page.pageData()->undoCount();

    const std::vector<QPoint> path{{10, 10}, {41, 17}, {41, 40}, {20, 45}};
    bool firstSegmentOnScreen = false;
    bool closeRefused = false;
    int undoStepsDuringDrag = -1;
    std::vector<std::function<void()>> steps;
    steps.push_back([&] { QTest::mouseMove(view, windowPoint(view, path[1])); });
    steps.push_back([&] {
        // Shown while the button is held: the middle of the first segment.
        const QImage screen = screenOf(view);
        const PixelSet first = pencilPixels({path[0], path[1]});
        const auto [midX, midY] = *std::next(first.begin(), first.size() / 2);
        const QPoint mid = windowPoint(view, {midX, midY});
        firstSegmentOnScreen = !screen.isNull() && (screen.pixel(mid) & 0xFFFFFF) == kBlack;
        QTest::mouseMove(view, windowPoint(view, path[2]));
    });
    steps.push_back([&] {
        // No command, close or second press runs inside the drag.
        closeRefused = !m_app.docTemplate().frameOf(document)->close();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        QTest::mousePress(view, Qt::LeftButton, {}, windowPoint(view, {2, 2}));
        undoStepsDuringDrag = page.pageData()->undoCount();
        QTest::mouseMove(view, windowPoint(view, path[3]));
    });
    steps.push_back(
        [&] { QTest::mouseRelease(view, Qt::LeftButton, {}, windowPoint(view, path[3])); });
    QObject scope;
    chain(&scope, std::move(steps));
    QTest::mousePress(view, Qt::LeftButton, {}, windowPoint(view, path[0]));

    const PixelSet expected = pencilPixels(path);
    int mismatches = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t want = expected.count({x, y}) ? kBlack : kWhite;
            if (page.colourAt(x, y) != want && mismatches++ < 5)
                qWarning("pixel (%d, %d) is %06x, expected %06x", x, y, page.colourAt(x, y), want);
        }
    }
    QCOMPARE(mismatches, 0);
    QVERIFY(firstSegmentOnScreen);
    QVERIFY(closeRefused);
    QCOMPARE(undoStepsDuringDrag, undoBefore + 1);  // the stroke's change is open
    QCOMPARE(page.pageData()->undoCount(), undoBefore + 1);
    QCOMPARE(page.undoKind(), PencilTool::kUndoKind);
    QVERIFY(document->isModified());
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Pencil\tCtrl+Z"));
    // The window shows the stroke once the loop has painted.
    QTest::qWait(20);
    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.pixel(windowPoint(view, {41, 30})) & 0xFFFFFF, kBlack);

    QVERIFY(m_app.router().dispatch(cmd::kEditUndo));
    for (const auto& [x, y] : expected) QCOMPARE(page.colourAt(x, y), kWhite);
}

void PageViewToolTest::everyEndOfTheButtonEndsTheDrag_data() {
    QTest::addColumn<int>("ending");
    QTest::newRow("release outside the window") << 0;
    QTest::newRow("release on another widget") << 1;
    QTest::newRow("view hidden") << 2;
    QTest::newRow("application deactivated") << 3;
}

void PageViewToolTest::everyEndOfTheButtonEndsTheDrag() {
    QFETCH(int, ending);
    CPageDocument* document = newWhiteImage(40, 30);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document);
    QVERIFY(view != nullptr);
    m_app.tools().setCurrentIndex(ToolBox::kPencil);
    const QPoint outside = view->rect().bottomRight() + QPoint(60, 50);
    bool stillInLoop = false;
    std::vector<std::function<void()>> steps;
    steps.push_back([&] { QTest::mouseMove(view, windowPoint(view, {30, 20})); });
    steps.push_back([&] {
        stillInLoop = true;
        switch (ending) {
            case 0:
                QTest::mouseMove(view, outside);
                QTest::mouseRelease(view, Qt::LeftButton, {}, outside);
                break;
            case 1:
                QTest::mouseRelease(m_app.mainFrame()->menuBar(), Qt::LeftButton, {}, QPoint(5, 5));
                break;
            case 2:
                view->hide();
                break;
            case 3: {
                QEvent deactivate(QEvent::ApplicationDeactivate);
                QCoreApplication::sendEvent(qApp, &deactivate);
                break;
            }
        }
    });
    // Should the drag not end, this releases the button (and fails the test).
    QObject scope;
    bool watchdog = false;
    QTimer::singleShot(5000, &scope, [&] {
        watchdog = true;
        QTest::mouseRelease(view, Qt::LeftButton, {}, outside);
    });
    chain(&scope, std::move(steps));
    QTest::mousePress(view, Qt::LeftButton, {}, windowPoint(view, {5, 5}));
    QVERIFY(stillInLoop);
    QVERIFY(!watchdog);
    // The stroke is one undo step, painted up to the last point inside.
    QCOMPARE(document->page()->undoKind(), PencilTool::kUndoKind);
    QCOMPARE(document->page()->colourAt(30, 20), kBlack);
    if (ending == 0) {
        // Toward the release point, beyond the image's bottom-right corner:
        // the stroke reaches the right or the bottom edge.
        bool edge = false;
        for (int x = 0; x < 40; ++x) edge = edge || document->page()->colourAt(x, 29) == kBlack;
        for (int y = 0; y < 30; ++y) edge = edge || document->page()->colourAt(39, y) == kBlack;
        QVERIFY(edge);
    }
    if (ending == 2) view->show();
}

void PageViewToolTest::feedbackToggledTwiceLeavesTheViewAsBefore_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    const int rect = int(FeedbackFigure::Kind::Rectangle);
    QTest::newRow("rectangle") << rect << QPoint(60, 50) << QPoint(200, 150);
    QTest::newRow("rectangle, corners reversed") << rect << QPoint(200, 150) << QPoint(61, 52);
    QTest::newRow("rectangle beyond the area") << rect << QPoint(-40, 30) << QPoint(2000, 90);
    QTest::newRow("ellipse") << int(FeedbackFigure::Kind::Ellipse) << QPoint(80, 70)
                             << QPoint(170, 120);
    QTest::newRow("line") << int(FeedbackFigure::Kind::Line) << QPoint(70, 200) << QPoint(190, 60);
}

void PageViewToolTest::feedbackToggledTwiceLeavesTheViewAsBefore() {
    QFETCH(int, kind);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    CPageDocument* document = newWhiteImage(300, 220);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document);
    const QImage before = view->grab().toImage();
    const FeedbackFigure figure{FeedbackFigure::Kind(kind), {from.x(), from.y()}, {to.x(), to.y()}};

    const QImage screenBefore = screenOf(view);
    view->toggleFeedback(figure);
    QCOMPARE(view->feedback().size(), std::size_t{1});
    QVERIFY(view->grab().toImage() != before);
    // The screen shows the figure at once, without the event loop running.
    QVERIFY(screenOf(view) != screenBefore);

    view->toggleFeedback(figure);
    QVERIFY(view->feedback().empty());
    QCOMPARE(view->grab().toImage(), before);
    QCOMPARE(screenOf(view), screenBefore);
}

void PageViewToolTest::cursorShowsWhatAPressWouldDo_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("space");
    QTest::addColumn<bool>("overSelection");
    QTest::addColumn<int>("cursor");
    const int alt = Qt::AltModifier, shift = Qt::ShiftModifier;
    QTest::newRow("brush") << int(ToolBox::kBrush) << 0 << false << false << 15;
    QTest::newRow("brush, alt: dropper") << int(ToolBox::kBrush) << alt << false << false << 10;
    QTest::newRow("brush, space: hand") << int(ToolBox::kBrush) << 0 << true << false << 4;
    QTest::newRow("brush, shift alt")
        << int(ToolBox::kBrush) << (shift | alt) << false << false << 15;
    QTest::newRow("rectangle") << int(ToolBox::kSelection) << 0 << false << false << 2;
    QTest::newRow("rectangle over selection: move")
        << int(ToolBox::kSelection) << 0 << false << true << 1;
    QTest::newRow("rectangle, shift over selection")
        << int(ToolBox::kSelection) << shift << false << true << 2;
    QTest::newRow("hand over selection") << int(ToolBox::kHand) << 0 << false << true << 4;
}

void PageViewToolTest::cursorShowsWhatAPressWouldDo() {
    QFETCH(int, tool);
    QFETCH(int, modifiers);
    QFETCH(bool, space);
    QFETCH(bool, overSelection);
    QFETCH(int, cursor);
    CPageDocument* document = newWhiteImage(100, 80);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document);
    m_app.tools().setCurrentIndex(tool);
    if (overSelection) QVERIFY(m_app.router().dispatch(cmd::kSelectAll));
    if (space) QTest::keyPress(view, Qt::Key_Space);
    const QPoint at = windowPoint(view, {50, 40});
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::KeyboardModifiers(modifiers));
    QCoreApplication::sendEvent(view, &move);
    QCOMPARE(view->cursorNumber(), cursor);
    CToolCursors expected;
    QCOMPARE(view->cursor().pixmap().toImage(),
             expected.cursor(CToolCursors::kFirstResource + cursor, view->devicePixelRatioF())
                 .pixmap()
                 .toImage());
    if (space) QTest::keyRelease(view, Qt::Key_Space);
    QVERIFY(!view->spaceDown());

    // Keys going down and up while the pointer rests change the cursor too.
    QMouseEvent plain(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &plain);
    const int resting = view->cursorNumber();
    QTest::keyPress(view, Qt::Key_Space);
    QCOMPARE(view->cursorNumber(), 4);  // every tool scrolls with space
    QTest::keyRelease(view, Qt::Key_Space);
    QCOMPARE(view->cursorNumber(), resting);

    // Over the scroll-bar strip, the standard arrow.
    const QPoint strip(view->width() - 2, view->height() / 2);
    QMouseEvent away(QEvent::MouseMove, strip, view->mapToGlobal(strip), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view, &away);
    QCOMPARE(view->cursorNumber(), -1);
    QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
}

void PageViewToolTest::theClickThatActivatesAWindowOnlyActivatesIt() {
    CPageDocument* first = newWhiteImage(40, 30);
    CPageDocument* second = newWhiteImage(40, 30);
    QVERIFY(first != nullptr && second != nullptr);
    CPageView* view = showView(first);
    showView(second);
    QVERIFY(!view->windowActive());
    m_app.tools().setCurrentIndex(ToolBox::kPencil);
    click(view, windowPoint(view, {10, 10}));
    QVERIFY(view->windowActive());
    QCOMPARE(first->page()->colourAt(10, 10), kWhite);
    QVERIFY(view->activationClickPending());
    QTest::qWait(20);
    // The window was active before this one: it paints.
    click(view, windowPoint(view, {10, 10}));
    QCOMPARE(first->page()->colourAt(10, 10), kBlack);
    QVERIFY(!view->activationClickPending());
}

// A stroke that runs out of tiles: the message box names the error, and
// the page, its pixels and its history are as before the stroke.
void PageViewToolTest::failedStrokeIsReportedAndLeavesThePage() {
    test::TestStore store(8);
    CPageDocument* document = newWhiteImage(16, 16);
    QVERIFY(document != nullptr);
    auto page = std::make_unique<Page>(
        PageEnvironment{store.store(), nullptr, m_app.globals().blendTable()});
    const std::uint8_t white[3] = {255, 255, 255};
    QVERIFY(page->shape(Page::kTypeRgb, 1024, 128, 3, white));
    document->attachPage(std::move(page));
    CPageView* view = showView(document);
    QVERIFY(m_app.router().dispatch(cmd::kZoom1To1 + 2));  // 1:4, the whole width shows
    QTest::qWait(20);
    Page& shown = *document->page();

    // A first pencil dot gives the page an undo step of its own.
    m_app.tools().setCurrentIndex(ToolBox::kPencil);
    click(view, windowPoint(view, {0, 0}));
    QCOMPARE(shown.undoKind(), PencilTool::kUndoKind);
    const int undoCount = shown.pageData()->undoCount();
    std::vector<std::uint32_t> before;
    for (int x = 0; x < 1024; x += 8) before.push_back(shown.colourAt(x, 60));

    auto* brush = static_cast<BrushTool*>(m_app.tools().tool(ToolBox::kBrush));
    const BrushOptions kept = brush->options();
    brush->setOptions({9, 9, 1, 0, 0, 23, false});
    m_app.tools().setCurrentIndex(ToolBox::kBrush);
    QString shownMessage;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownMessage = box->text();
            box->accept();
        }
    });
    poll.start(10);
    drag(view, {windowPoint(view, {0, 60}), windowPoint(view, {1020, 60})});
    poll.stop();
    brush->setOptions(kept);

    QCOMPARE(shownMessage, QString("There is not enough disk space to complete this operation."));
    QCOMPARE(shown.pageData()->undoCount(), undoCount);
    QCOMPARE(shown.undoKind(), PencilTool::kUndoKind);
    std::vector<std::uint32_t> after;
    for (int x = 0; x < 1024; x += 8) after.push_back(shown.colourAt(x, 60));
    QCOMPARE(after, before);
    // The page goes before its store.
    cleanup();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_app.docTemplate().documents().empty());
}

// A 64-pixel round brush at 1:1, stroke after stroke as the pointer moves
// 8 pixels: each step stamps its dabs and repaints what they touched before
// the next pointer position is read. The time per step is reported, not
// judged (the machine is shared); the strokes are checked and shown in
// screenshots/view-strokes.png in the test's build folder.
void PageViewToolTest::brushStepsAtOneToOne() {
    CPageDocument* document = newWhiteImage(700, 460);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document, 760, 520);
    QCOMPARE(view->width(), 760);
    Page& page = *document->page();

    StrokeParams params;
    params.undoKind = BrushTool::kUndoKind;
    params.width = params.height = 64;
    params.thickness = 5;
    params.shapeClass = 1;
    params.profile = 0;
    params.opacity = 255;
    params.spacing = 16;
    const std::uint32_t colours[3] = {0x2040C0, 0x20A040, 0x3030E0};
    QElapsedTimer clock;
    qint64 total = 0;
    int stepCount = 0;
    for (int s = 0; s < 3; ++s) {
        QVERIFY(page.pageData()->beginChange());
        params.colour = colours[s];
        PenStroke stroke(page, params);
        ToolPoint previous{60, 90 + 140 * s};
        QCOMPARE(stroke.begin(previous), kErrNone);
        QCOMPARE(stroke.stamp(previous), kErrNone);
        for (int i = 1; i <= 72; ++i) {
            const ToolPoint current{60 + 8 * i, 90 + 140 * s + int(40 * std::sin(i / 8.0))};
            clock.start();
            QCOMPARE(stroke.segment(previous, current), kErrNone);
            view->drawNow(
                {std::min(previous.x, current.x) - 33, std::min(previous.y, current.y) - 33,
                 std::max(previous.x, current.x) + 33, std::max(previous.y, current.y) + 33});
            total += clock.nsecsElapsed();
            ++stepCount;
            previous = current;
        }
        QVERIFY(page.saveState(params.undoKind, 0, page.bounds()));
        page.pageData()->endChange();
    }
    qInfo("64-pixel brush at 1:1: %.3f ms per 8-pixel pointer step (%d steps)",
          double(total) / stepCount / 1e6, stepCount);

    // The screen shows the strokes' middles in their colours.
    const QImage screen = screenOf(view);
    QVERIFY(!screen.isNull());
    for (int s = 0; s < 3; ++s) {
        const QPoint centre = windowPoint(view, {60, 90 + 140 * s});
        const std::uint32_t c = colours[s];
        QCOMPARE(screen.pixel(centre) & 0xFFFFFF,
                 qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) & 0xFFFFFF);
        QCOMPARE(page.colourAt(60, 90 + 140 * s), c);
    }
    saveShot(m_app.mainFrame(), "view-strokes.png");
}

void PageViewToolTest::toolDragsThroughTheView_data() {
    QTest::addColumn<int>("tool");
    QTest::addColumn<QList<QPoint>>("points");  // image pixels
    QTest::addColumn<DragCheck>("check");
    QTest::addColumn<QString>("shot");
    using C = DragCheck;
    QTest::newRow("rectangle") << int(ToolBox::kSelection) << QList<QPoint>{{10, 10}, {40, 30}}
                               << C::SelectsRectangle << QString();
    QTest::newRow("ellipse") << int(ToolBox::kSelection) << QList<QPoint>{{10, 10}, {50, 50}}
                             << C::SelectsEllipse << QString();
    QTest::newRow("lasso") << int(ToolBox::kLasso)
                           << QList<QPoint>{{10, 10}, {70, 12}, {68, 60}, {12, 58}, {10, 12}}
                           << C::SelectsPolygon << QString("view-lasso.png");
    QTest::newRow("wand click") << int(ToolBox::kWand) << QList<QPoint>{{5, 5}} << C::WandSelectsAll
                                << QString();
    QTest::newRow("arrow") << int(ToolBox::kArrow) << QList<QPoint>{{30, 30}, {45, 40}, {60, 50}}
                           << C::ArrowMovesOutline << QString();
    QTest::newRow("crop") << int(ToolBox::kCrop) << QList<QPoint>{{10, 10}, {50, 40}}
                          << C::CropsToDrag << QString();
    QTest::newRow("line") << int(ToolBox::kLine) << QList<QPoint>{{10, 60}, {110, 60}}
                          << C::LinePaints << QString();
    QTest::newRow("bucket click") << int(ToolBox::kBucket) << QList<QPoint>{{60, 45}}
                                  << C::BucketFills << QString();
    QTest::newRow("gradient") << int(ToolBox::kGradient) << QList<QPoint>{{10, 45}, {110, 45}}
                              << C::GradientRamps << QString("view-gradient.png");
    QTest::newRow("text") << int(ToolBox::kText) << QList<QPoint>{{20, 40}} << C::TextPlaced
                          << QString("view-text.png");
    QTest::newRow("hand") << int(ToolBox::kHand) << QList<QPoint>{{60, 45}, {50, 40}, {40, 35}}
                          << C::HandScrolls << QString();
    QTest::newRow("magnify click")
        << int(ToolBox::kMagnify) << QList<QPoint>{{60, 45}} << C::MagnifyZoomsIn << QString();
    QTest::newRow("click without a current tool")
        << int(ToolBox::kNone) << QList<QPoint>{{10, 10}} << C::LeavesThePage << QString();
}

void PageViewToolTest::toolDragsThroughTheView() {
    QFETCH(int, tool);
    QFETCH(QList<QPoint>, points);
    QFETCH(DragCheck, check);
    QFETCH(QString, shot);
    CPageDocument* document = newWhiteImage(120, 90);
    QVERIFY(document != nullptr);
    CPageView* view = showView(document);
    view->setTickSource([] { return 0u; });
    Page& page = *document->page();
    m_app.globals().setBackground(kWhite);
    auto* selection = static_cast<SelectionTool*>(m_app.tools().tool(ToolBox::kSelection));
    selection->setShape(check == DragCheck::SelectsEllipse ? SelectionTool::kEllipse : 0);
    if (check == DragCheck::ArrowMovesOutline) {
        m_app.tools().setCurrentIndex(ToolBox::kSelection);
        drag(view, {windowPoint(view, {20, 20}), windowPoint(view, {40, 40})});
        QVERIFY(page.isSelected(30, 30));
    }
    if (check == DragCheck::HandScrolls)
        QVERIFY(m_app.router().dispatch(cmd::kZoom1To1 - 3));  // 8:1
    const ToolPoint originBefore = view->imageToWindow({0, 0});
    const double zoomBefore = view->zoom();
    const int undoBefore = page.pageData()->undoCount();
    m_app.tools().setCurrentIndex(tool);

    // Window points fixed before the press: the hand scrolls under them.
    std::vector<QPoint> window;
    for (const QPoint& p : points) window.push_back(windowPoint(view, p));
    QString answered;
    QTimer answer;
    // The text dialog opens inside the press: it is answered as a user
    // would, typing into the focused sample and clicking Set, so the press's
    // own input gate must let the dialog's input through. A dialog that
    // ignores the typing is rejected after a few tries.
    int tries = 0;
    connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        auto* sample = dialog->findChild<QPlainTextEdit*>();
        if (++tries > 20) return dialog->reject();
        if (sample->toPlainText() != "Tx") {
            sample->selectAll();
            QTest::keyClicks(sample, "Tx");
            return;
        }
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "Set") {
                answered = dialog->windowTitle();
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
    });
    if (check == DragCheck::TextPlaced) {
        answer.start(10);
        QTest::mousePress(view, Qt::LeftButton, {}, window.front());
        QTest::mouseRelease(view, Qt::LeftButton, {}, window.front());
        answer.stop();
        QVERIFY(!answered.isEmpty());
    } else if (window.size() == 1) {
        click(view, window.front());
    } else {
        drag(view, window);
    }
    selection->setShape(0);
    QTest::qWait(30);

    const auto black = [&](int x, int y) { return page.colourAt(x, y) == kBlack; };
    switch (check) {
        case DragCheck::SelectsRectangle:
            QVERIFY(page.isSelected(10, 10) && page.isSelected(39, 29));
            QVERIFY(!page.isSelected(40, 30) && !page.isSelected(9, 20));
            break;
        case DragCheck::SelectsEllipse:
            QVERIFY(page.isSelected(30, 30) && page.isSelected(30, 11));
            QVERIFY(!page.isSelected(12, 12) && !page.isSelected(48, 48));
            break;
        case DragCheck::SelectsPolygon:
            QVERIFY(page.isSelected(40, 35) && page.isSelected(15, 50));
            QVERIFY(!page.isSelected(90, 80) && !page.isSelected(5, 35));
            break;
        case DragCheck::WandSelectsAll:
            QVERIFY(page.isSelected(0, 0) && page.isSelected(119, 89));
            break;
        case DragCheck::ArrowMovesOutline:
            QVERIFY(page.isSelected(50, 50) && !page.isSelected(22, 22));
            QVERIFY(view->movedOutlineOffsets().empty());
            break;
        case DragCheck::CropsToDrag:
            QCOMPARE(page.bounds().width(), 40);
            QCOMPARE(page.bounds().height(), 30);
            break;
        case DragCheck::LinePaints:
            QVERIFY(black(60, 60) && !black(60, 50));
            break;
        case DragCheck::BucketFills:
            QVERIFY(black(0, 0) && black(119, 89));
            break;
        case DragCheck::GradientRamps: {
            // The press's side gets the background, the release's the foreground.
            QVERIFY(page.colourAt(5, 45) == kWhite && black(115, 45));
            const std::uint32_t middle = page.colourAt(60, 20);
            QVERIFY((middle & 0xFF) > 0x40 && (middle & 0xFF) < 0xC0);
            break;
        }
        case DragCheck::TextPlaced: {
            int inked = 0;
            for (int y = 0; y < 90; ++y)
                for (int x = 0; x < 120; ++x) inked += page.colourAt(x, y) != kWhite;
            QVERIFY(inked > 10);
            break;
        }
        case DragCheck::HandScrolls: {
            const ToolPoint origin = view->imageToWindow({0, 0});
            QCOMPARE(origin.x - originBefore.x, window.back().x() - window.front().x());
            QCOMPARE(origin.y - originBefore.y, window.back().y() - window.front().y());
            break;
        }
        case DragCheck::MagnifyZoomsIn:
            QCOMPARE(view->zoom(), 2 * zoomBefore);
            break;
        case DragCheck::LeavesThePage:
            QCOMPARE(page.colourAt(10, 10), kWhite);
            QCOMPARE(page.pageData()->undoCount(), undoBefore);
            QVERIFY(!document->isModified());
            break;
    }
    // The drag left no rubber band or moved outline behind.
    QVERIFY(view->feedback().empty());
    QVERIFY(view->movedOutlineOffsets().empty());
    if (!shot.isEmpty()) {
        view->idle();  // the still outline, as the application's idle pass shows it
        saveShot(view, shot);
    }
}

// A drag with the rectangle tool from inside a selection moves its pixels
// (the background is left behind); the moved outline follows the pointer
// and leaves nothing on the screen; toggling it twice leaves the view as it
// was.
void PageViewToolTest::selectionDragMovesPixelsAndLeavesNoOutline() {
    CPageDocument* document = newWhiteImage(120, 90);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    PageData& data = *page.pageData();
    const std::vector<std::uint8_t> dark(20, 0);
    for (int c = 0; c < 3; ++c)
        for (int y = 20; y < 40; ++y) data.writeRow(c, 20, y, 20, dark.data());
    CPageView* view = showView(document);
    view->setTickSource([] { return 0u; });
    m_app.globals().setBackground(kWhite);
    m_app.tools().setCurrentIndex(ToolBox::kSelection);
    drag(view, {windowPoint(view, {20, 20}), windowPoint(view, {40, 40})});
    QVERIFY(page.isSelected(25, 25));
    QTest::qWait(30);

    // Toggled twice, the moved outline leaves the view as it was.
    const QImage before = view->grab().toImage();
    view->toggleMovedOutline({25, 25}, {45, 35});
    QCOMPARE(view->movedOutlineOffsets().size(), std::size_t{1});
    QVERIFY(view->grab().toImage() != before);
    view->toggleMovedOutline({25, 25}, {45, 35});
    QCOMPARE(view->grab().toImage(), before);
    view->endMovedOutline();

    bool outlineShown = false;
    drag(view,
         {windowPoint(view, {30, 30}), windowPoint(view, {50, 40}), windowPoint(view, {70, 50})},
         [&] {
             outlineShown = view->movedOutlineOffsets().size() == 1;
             saveShot(view, "view-moved-outline.png");
         });
    QVERIFY(outlineShown);
    QCOMPARE(page.colourAt(60, 40), kBlack);
    QCOMPARE(page.colourAt(79, 59), kBlack);
    QCOMPARE(page.colourAt(25, 25), kWhite);
    QVERIFY(page.isSelected(65, 45) && !page.isSelected(25, 25));
    QVERIFY(view->movedOutlineOffsets().empty());
    QTest::qWait(30);
    QCOMPARE(screenOf(view), view->grab().toImage().convertToFormat(QImage::Format_RGB32));
}

int main(int argc, char** argv) {
    return tessary::test::runEditorTests<PageViewToolTest>(argc, argv);
}

#include "page_view_tool_test.moc"
