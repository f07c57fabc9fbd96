// The variations dialogs and the De-Interlace dialog in the running editor:
// the real application and engine on the offscreen platform, driven through
// control ids and mouse clicks.

#include "shell/dialogs/variations_dlog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/zerozevuv.h"
#include "editor_documents.h"
#include "effects/framework/filter.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/noise_generator.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/korvel_app.h"
#include "shell/app/main_frame.h"
#include "shell/app/page_document.h"
#include "shell/chrome/therm_obj.h"
#include "shell/dialogs/de_interlace_dlg.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/dialogs/variation_cntl.h"
#include "shell/view/view_services.h"
#include "support/temp_dir.h"
#include "view_test_main.h"

using namespace tessary;

namespace {

// Sample c of pixel (x, y) of the test image: uneven enough that a median
// or a blur changes it, computed without any engine code.
std::uint8_t sample(int x, int y, int c) {
    return static_cast<std::uint8_t>((x * 7 + y * 13 + c * 50) ^ ((x * y * 29 + c) & 0x3F));
}

QRgb sampleRgb(int x, int y) {
    return qRgb(sample(x, y, 0), sample(x, y, 1), sample(x, y, 2));
}

class NoProgress : public ProgressFactory {
public:
    std::unique_ptr<ProgressPort> create(std::int16_t) override { return nullptr; }
};

// What an effect command takes, owned by the test.
struct TestEffect {
    NoProgress progress;
    NoiseGenerator noise;
    std::unique_ptr<Filter> last;
    EffectContext context{255, 0, 0xFFFFFF, progress, noise, last};
};

// Every pixel of a page as colourAt() shows it.
std::vector<std::uint32_t> pixelsOf(const Page& page) {
    const Rect bounds = page.bounds();
    std::vector<std::uint32_t> out;
    for (int y = bounds.top; y < bounds.bottom; ++y)
        for (int x = bounds.left; x < bounds.right; ++x) out.push_back(page.colourAt(x, y));
    return out;
}

QRgb pictureAt(const CVariationCntl* thumb, int x, int y) {
    return thumb->picture().pixel(x, y) & 0xFFFFFF;
}

bool pictureIsWhite(const CVariationCntl* thumb) {
    const QImage& picture = thumb->picture();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

// Progress windows of the editor's own kind (CThermObj), shown at the first
// update. At the first update with the window on screen it notes whether
// the dialog is still shown and still modal, clicks Cancel as a user would,
// and waits long enough for the next update to look at the click.
class ClickingProgress : public ProgressFactory {
public:
    std::unique_ptr<ProgressPort> create(std::int16_t style) override {
        return std::make_unique<Port>(*this, style);
    }

    QPointer<QWidget> dialog;
    bool clicked = false;
    bool dialogShownDuringRun = false;
    bool dialogModalDuringRun = false;

private:
    class Port : public CThermObj {
    public:
        Port(ClickingProgress& owner, int style) : CThermObj(style, nullptr), m_owner(owner) {}
        void setDelay(std::uint32_t) override {}  // shown at once
        bool update(std::int32_t done, std::int32_t total) override {
            const bool cancelled = CThermObj::update(done, total);
            CThermWindow* window = this->window();
            if (!m_owner.clicked && window != nullptr && window->cancelButton() != nullptr) {
                m_owner.clicked = true;
                m_owner.dialogShownDuringRun = m_owner.dialog && m_owner.dialog->isVisible();
                m_owner.dialogModalDuringRun =
                    m_owner.dialog && QApplication::activeModalWidget() == m_owner.dialog;
                // Through the window, as the window system delivers it (a
                // click sent to the widget itself would skip modality and
                // event filters).
                QPushButton* cancel = window->cancelButton();
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                                  cancel->mapTo(window, cancel->rect().center()));
                QTest::qSleep(650);  // the logic looks at clicks at most every 600 ms
            }
            return cancelled;
        }

    private:
        ClickingProgress& m_owner;
    };
};

// Runs `action` (which shows a modal dialog and waits for it) and hands the
// dialog to `driver` once it is the active modal widget. A dialog still open
// after two seconds is rejected so that the test cannot hang.
bool withModal(const std::function<void(QWidget*)>& driver, const std::function<void()>& action) {
    bool ran = false;
    int tries = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && !ran) {
            ran = true;
            driver(modal);
        } else if (modal != nullptr && ++tries > 200) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
    poll.start();
    action();
    return ran;
}

// Clicks a control: a thumbnail in its middle, a button near its left end,
// where a radio button has its indicator.
void click(QWidget* control) {
    QVERIFY(control != nullptr);
    const QPoint at = qobject_cast<QAbstractButton*>(control) != nullptr
                          ? QPoint(std::min(8, control->width() / 2), control->height() / 2)
                          : control->rect().center();
    QTest::mouseClick(control, Qt::LeftButton, {}, at);
}

}  // namespace

class VariationsDlogTest : public QObject {
    Q_OBJECT
public:
    explicit VariationsDlogTest(CKorvelApp& app) : m_app(app) {}

private slots:
    void init();
    void cleanup();
    void titlesLabelsAndControlsOfEachDialog();
    void despeckleShowsLessThumbnailsBlankAtZero();
    void originalThumbnailDrawsThePageAtOneAndTwo();
    void moreThenOkGivesTheDirectRunWithOneUndoStep();
    void cancelAndClosingLeaveThePageBitIdentical();
    void noiseBackToZeroKeepsNoPreview();
    void coarseAndFineStepsReachTheEffectAndPreferences();
    void zoomButtonsStepAndAreRemembered();
    void draggingCurrentScrollsThePreview();
    void clickCountsOnlyInsideAndOutlineTravelsToCurrent();
    void deInterlaceChoicesReachCommandAndPreferences();
    void menuCommandsEnableAndRunThroughTheView();
    void finalRunShowsItsProgressAndCancelsFromIt();

private:
    CPageDocument* newImage(int width, int height, std::int32_t type = Page::kTypeRgb) {
        return test::newImage(m_app, width, height, sample, type);
    }
    VariationsPrefs& prefs() { return m_app.globals().preferences().variations; }
    std::unique_ptr<CVariationsDlogHandler> open(VariationsKind kind, Page& page);

    CKorvelApp& m_app;
    TestEffect m_effect;
};

void VariationsDlogTest::init() {
    prefs() = VariationsPrefs{};
    m_app.globals().preferences().deInterlace = DeInterlacePrefs{};
    m_effect.last.reset();
}

void VariationsDlogTest::cleanup() {
    test::closeAllDocuments(m_app);
}

std::unique_ptr<CVariationsDlogHandler> VariationsDlogTest::open(VariationsKind kind, Page& page) {
    auto dialog = makeVariationsDlog(kind, page, m_effect.context, prefs(),
                                     m_app.context().renderer, nullptr);
    if (dialog->setUp() != kErrNone) return nullptr;
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get())) return nullptr;
    return dialog;
}

void VariationsDlogTest::titlesLabelsAndControlsOfEachDialog() {
    CPageDocument* document = newImage(30, 20);
    QVERIFY(document != nullptr);
    struct Case {
        VariationsKind kind;
        const char* title;
        std::vector<int> thumbnails;
        std::vector<std::pair<int, const char*>> labels;
    };
    const Case cases[] = {
        {VariationsKind::BlurSharpen,
         "Blur and Sharpen",
         {1089, 1090, 1092, 1093, 1094, 1095},
         {{1105, "Original"},
          {1106, "Current"},
          {1108, "Blur More"},
          {1109, "Blur"},
          {1110, "Sharpen"},
          {1111, "Sharpen More"}}},
        {VariationsKind::Despeckle,
         "Despeckle",
         {1089, 1090, 1092, 1093, 1094, 1095},
         {{1108, "Much Less"}, {1109, "Less"}, {1110, "More"}, {1111, "Much More"}}},
        {VariationsKind::Noise,
         "Noise",
         {1089, 1090, 1092, 1093, 1094, 1095},
         {{1108, "Much Less"}, {1109, "Less Noise"}, {1110, "More Noise"}, {1111, "Much More"}}},
        {VariationsKind::BrightnessContrast,
         "Brightness and Contrast",
         {1089, 1090, 1091, 1093, 1094, 1096, 1097},
         {{1107, "Current"},
          {1109, "Less Brightness"},
          {1110, "More Brightness"},
          {1112, "Less Contrast"},
          {1113, "More Contrast"}}},
        {VariationsKind::ColorVariations,
         "Color Variations",
         {1089, 1090, 1091, 1093, 1094, 1096, 1097, 1098, 1099},
         {{1109, "More Cyan"},
          {1110, "More Red"},
          {1112, "More Magenta"},
          {1113, "More Green"},
          {1114, "More Yellow"},
          {1115, "More Blue"}}},
    };
    for (const Case& c : cases) {
        auto dialog = open(c.kind, *document->page());
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString(c.title));
        for (int id = 1089; id <= 1099; ++id) {
            const bool expected =
                std::find(c.thumbnails.begin(), c.thumbnails.end(), id) != c.thumbnails.end();
            QVERIFY2((dialog->thumbnail(id) != nullptr) == expected,
                     qPrintable(QString::number(id)));
            QCOMPARE(dialog->control(id + 16) != nullptr, expected);
        }
        for (const auto& [id, label] : c.labels) QCOMPARE(dialog->getString(id), QString(label));
        QVERIFY(dialog->isChecked(CVariationsDlogHandler::kIdCoarse));
        QVERIFY(!dialog->isChecked(CVariationsDlogHandler::kIdFine));
        QCOMPARE(dialog->getString(CVariationsDlogHandler::kIdZoomText), QString("100%"));
        QCOMPARE(dialog->getString(CVariationsDlogHandler::kIdZoomIn), QString("+"));
        QCOMPARE(dialog->getString(CVariationsDlogHandler::kIdZoomOut), QString("-"));
        QVERIFY(dialog->control(CVariationsDlogHandler::kIdOk) != nullptr);
        QVERIFY(dialog->control(CVariationsDlogHandler::kIdCancel) != nullptr);
        dialog->reject();
    }
    QVERIFY(!document->page()->canUndo());
}

void VariationsDlogTest::despeckleShowsLessThumbnailsBlankAtZero() {
    CPageDocument* document = newImage(40, 30);
    QVERIFY(document != nullptr);
    for (bool fine : {true, false}) {
        prefs().fine = fine;
        auto dialog = open(VariationsKind::Despeckle, *document->page());
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->step(), std::uint16_t(fine ? 1 : 2));
        QVERIFY(dialog->isChecked(fine ? CVariationsDlogHandler::kIdFine
                                       : CVariationsDlogHandler::kIdCoarse));
        for (int id : {1092, 1093}) {
            QVERIFY(!dialog->thumbnail(id)->isEnabled());
            QVERIFY(pictureIsWhite(dialog->thumbnail(id)));
        }
        for (int id : {1089, 1090, 1094, 1095}) {
            QVERIFY(dialog->thumbnail(id)->isEnabled());
            QVERIFY(!pictureIsWhite(dialog->thumbnail(id)));
        }
        // A blank thumbnail takes no clicks.
        click(dialog->thumbnail(1093));
        QCOMPARE(dialog->current().x, std::int16_t{0});
        // "More" moves x to the step; "Less" then shows x = 0 and comes back.
        click(dialog->thumbnail(1094));
        QCOMPARE(dialog->current().x, std::int16_t(fine ? 1 : 2));
        QVERIFY(dialog->thumbnail(1093)->isEnabled());
        dialog->reject();
    }
}

void VariationsDlogTest::originalThumbnailDrawsThePageAtOneAndTwo() {
    // An image smaller than the thumbnail sits in its middle on white.
    const int width = 20, height = 14;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    for (int zoom : {1, 2}) {
        prefs().zoom = zoom;
        auto dialog = open(VariationsKind::BrightnessContrast, *document->page());
        QVERIFY(dialog != nullptr);
        const CVariationCntl* original = dialog->thumbnail(1089);
        const QSize size = original->clientSize();
        QVERIFY(size.width() > 2 * width && size.height() > 2 * height);
        // The view's centre shows the image's centre.
        const int left = static_cast<int>(std::floor(size.width() / 2.0 - zoom * width / 2.0));
        const int top = static_cast<int>(std::floor(size.height() / 2.0 - zoom * height / 2.0));
        int mismatches = 0;
        for (int vy = 0; vy < size.height(); ++vy) {
            for (int vx = 0; vx < size.width(); ++vx) {
                const int ix = vx - left, iy = vy - top;
                const bool inside = ix >= 0 && iy >= 0 && ix < zoom * width && iy < zoom * height;
                const QRgb expected =
                    inside ? sampleRgb(ix / zoom, iy / zoom) & 0xFFFFFF : 0xFFFFFF;
                if (pictureAt(original, vx, vy) != expected && mismatches++ < 5)
                    qWarning("zoom %d (%d, %d): %06x, expected %06x", zoom, vx, vy,
                             pictureAt(original, vx, vy), expected);
            }
        }
        if (mismatches != 0) original->picture().save(QDir::temp().filePath("variations_1089.png"));
        QCOMPARE(mismatches, 0);
        // At no adjustment the current thumbnails show the same picture.
        QCOMPARE(dialog->thumbnail(1090)->picture(), original->picture());
        QCOMPARE(dialog->thumbnail(1091)->picture(), original->picture());
        dialog->reject();
    }
}

void VariationsDlogTest::moreThenOkGivesTheDirectRunWithOneUndoStep() {
    const int width = 150, height = 90;
    CPageDocument* document = newImage(width, height);
    CPageDocument* reference = newImage(width, height);
    QVERIFY(document != nullptr && reference != nullptr);
    Page& page = *document->page();

    auto dialog = open(VariationsKind::Despeckle, page);
    QVERIFY(dialog != nullptr);
    const QImage before = dialog->thumbnail(1090)->picture();
    click(dialog->thumbnail(1094));  // "More": x = 2 at the coarse step
    QCOMPARE(dialog->current(), (CVector3D{2, 0, 0}));
    // The current thumbnail now previews the despeckled image.
    QVERIFY(dialog->thumbnail(1090)->picture() != before);
    click(dialog->control(CVariationsDlogHandler::kIdOk));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dialog->finalCode(), kErrNone);

    // The same command with x = 2, run directly as the final run.
    Page& direct = *reference->page();
    QVERIFY(direct.pageData()->beginChange());
    TestEffect other;
    QCOMPARE(despeckleCommand(direct, direct.bounds(), CVector3D{2, 0, 0}, true, other.context),
             kErrNone);
    direct.pageData()->endChange();
    QVERIFY(pixelsOf(page) == pixelsOf(direct));
    QVERIFY(pixelsOf(page) != pixelsOf(*newImage(width, height)->page()));

    QCOMPARE(page.pageData()->undoCount(), 1);
    QCOMPARE(page.undoKind(), 6u);
    QVERIFY(page.modified());
    QVERIFY(m_effect.last != nullptr);
    QCOMPARE(QString::fromUtf8(m_effect.last->name().data(),
                               static_cast<qsizetype>(m_effect.last->name().size())),
             QString("Despeckle"));
    QCOMPARE(prefs().fine, false);
    QCOMPARE(prefs().zoom, 1.0);
}

void VariationsDlogTest::cancelAndClosingLeaveThePageBitIdentical() {
    CPageDocument* document = newImage(64, 48);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    const std::vector<std::uint32_t> original = pixelsOf(page);
    prefs().fine = true;
    prefs().zoom = 4;

    {
        auto dialog = open(VariationsKind::Noise, page);
        QVERIFY(dialog != nullptr);
        click(dialog->thumbnail(1094));
        click(dialog->thumbnail(1095));
        click(dialog->control(CVariationsDlogHandler::kIdFine));
        click(dialog->control(CVariationsDlogHandler::kIdCoarse));
        click(dialog->control(CVariationsDlogHandler::kIdZoomOut));
        QCOMPARE(dialog->current().x, std::int16_t{3});
        // The previews wrote into the open change.
        QVERIFY(page.pageData()->changeOpen());
        click(dialog->control(CVariationsDlogHandler::kIdCancel));
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }
    QVERIFY(!page.pageData()->changeOpen());
    QVERIFY(pixelsOf(page) == original);
    QCOMPARE(page.pageData()->undoCount(), 0);
    QVERIFY(!page.modified());
    QVERIFY(m_effect.last == nullptr);
    // Cancel keeps nothing in the preferences.
    QCOMPARE(prefs().fine, true);
    QCOMPARE(prefs().zoom, 4.0);

    // A dialog that goes away without OK or Cancel puts the page back too.
    {
        auto dialog = open(VariationsKind::BlurSharpen, page);
        QVERIFY(dialog != nullptr);
        click(dialog->thumbnail(1092));
        QVERIFY(pixelsOf(page) != original);
    }
    QVERIFY(!page.pageData()->changeOpen());
    QVERIFY(pixelsOf(page) == original);
    QCOMPARE(page.pageData()->undoCount(), 0);
}

void VariationsDlogTest::noiseBackToZeroKeepsNoPreview() {
    // Noise of amount 0 leaves pixels alone: what the previews wrote must not
    // be what OK keeps.
    CPageDocument* document = newImage(70, 50);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    const std::vector<std::uint32_t> original = pixelsOf(page);
    auto dialog = open(VariationsKind::Noise, page);
    QVERIFY(dialog != nullptr);
    click(dialog->thumbnail(1094));
    click(dialog->thumbnail(1093));
    QCOMPARE(dialog->current(), CVector3D{});
    QVERIFY(pixelsOf(page) != original);  // the last preview ("Much More") is in the page
    click(dialog->control(CVariationsDlogHandler::kIdOk));
    QCOMPARE(dialog->finalCode(), kErrNone);
    QVERIFY(pixelsOf(page) == original);
    QCOMPARE(page.pageData()->undoCount(), 1);
}

void VariationsDlogTest::coarseAndFineStepsReachTheEffectAndPreferences() {
    const int width = 40, height = 30;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    {
        auto dialog = open(VariationsKind::BrightnessContrast, page);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->step(), std::uint16_t{40});
        click(dialog->thumbnail(1094));  // More Brightness
        QCOMPARE(dialog->current(), (CVector3D{40, 0, 0}));
        click(dialog->thumbnail(1089));  // back to the original
        QCOMPARE(dialog->current(), CVector3D{});
        click(dialog->thumbnail(1094));
        click(dialog->control(CVariationsDlogHandler::kIdFine));
        QVERIFY(dialog->isChecked(CVariationsDlogHandler::kIdFine));
        QCOMPARE(dialog->step(), std::uint16_t{10});
        click(dialog->thumbnail(1097));  // More Contrast
        click(dialog->thumbnail(1093));  // Less Brightness
        click(dialog->thumbnail(1091));  // the second "Current" does nothing
        QCOMPARE(dialog->current(), (CVector3D{30, 10, 0}));
        click(dialog->control(CVariationsDlogHandler::kIdOk));
        QCOMPARE(dialog->finalCode(), kErrNone);
    }
    // Brightness 30, then contrast 10, from the formula.
    auto expected = [](int v) {
        const int t = std::clamp(v + 30, 0, 255);
        return std::clamp(-10 + (255 + 20) * t / 255, 0, 255);
    };
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 2) {
            const std::uint32_t c = page.colourAt(x, y);
            QCOMPARE(int(c & 0xFF), expected(sample(x, y, 0)));
            QCOMPARE(int((c >> 16) & 0xFF), expected(sample(x, y, 2)));
        }
    QCOMPARE(prefs().fine, true);

    // The next dialog starts fine.
    auto dialog = open(VariationsKind::ColorVariations, page);
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isChecked(CVariationsDlogHandler::kIdFine));
    QCOMPARE(dialog->step(), std::uint16_t{10});
    click(dialog->control(CVariationsDlogHandler::kIdCoarse));
    QCOMPARE(dialog->step(), std::uint16_t{40});
    click(dialog->thumbnail(1099));  // More Blue
    click(dialog->thumbnail(1096));  // More Magenta
    QCOMPARE(dialog->current(), (CVector3D{0, -40, 40}));
    dialog->reject();
}

void VariationsDlogTest::zoomButtonsStepAndAreRemembered() {
    CPageDocument* document = newImage(30, 30);
    QVERIFY(document != nullptr);
    auto dialog = open(VariationsKind::Noise, *document->page());
    QVERIFY(dialog != nullptr);
    const int zoomText = CVariationsDlogHandler::kIdZoomText;
    const char* upward[] = {"200%", "400%", "800%", "1600%", "3200%"};
    for (const char* text : upward) {
        click(dialog->control(CVariationsDlogHandler::kIdZoomIn));
        QCOMPARE(dialog->getString(zoomText), QString(text));
    }
    click(dialog->control(CVariationsDlogHandler::kIdZoomIn));  // at 32 nothing changes
    QCOMPARE(dialog->zoom(), 32.0);
    const char* downward[] = {"1600%", "800%", "400%", "200%", "100%",
                              "50%",   "25%",  "12%",  "6%",   "3%"};
    for (const char* text : downward) {
        click(dialog->control(CVariationsDlogHandler::kIdZoomOut));
        QCOMPARE(dialog->getString(zoomText), QString(text));
    }
    click(dialog->control(CVariationsDlogHandler::kIdZoomOut));  // at 1/32 nothing changes
    QCOMPARE(dialog->zoom(), 1.0 / 32);
    click(dialog->control(CVariationsDlogHandler::kIdZoomIn));
    click(dialog->control(CVariationsDlogHandler::kIdOk));
    QCOMPARE(prefs().zoom, 1.0 / 16);

    auto again = open(VariationsKind::Noise, *document->page());
    QVERIFY(again != nullptr);
    QCOMPARE(again->getString(zoomText), QString("6%"));
    again->reject();
}

void VariationsDlogTest::draggingCurrentScrollsThePreview() {
    CPageDocument* document = newImage(400, 300);
    QVERIFY(document != nullptr);
    auto dialog = open(VariationsKind::BlurSharpen, *document->page());
    QVERIFY(dialog != nullptr);
    CVariationCntl* current = dialog->thumbnail(1090);
    const QImage before = current->picture();
    const QPoint start = current->rect().center();
    const int shift = 10;
    QTest::mousePress(current, Qt::LeftButton, {}, start);
    QTest::mouseMove(current, start + QPoint(-shift, 0));
    // The picture follows the pointer: what was at x + shift is now at x.
    const QImage moved = current->picture();
    int mismatches = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x + shift < before.width(); ++x)
            if (moved.pixel(x, y) != before.pixel(x + shift, y)) ++mismatches;
    QCOMPARE(mismatches, 0);
    // The original thumbnail follows only on release.
    QCOMPARE(dialog->thumbnail(1089)->picture(), before);
    QTest::mouseRelease(current, Qt::LeftButton, {}, start + QPoint(-shift, 0));
    QCOMPARE(dialog->thumbnail(1089)->picture(), moved);
    QCOMPARE(dialog->current(), CVector3D{});
    dialog->reject();
}

void VariationsDlogTest::clickCountsOnlyInsideAndOutlineTravelsToCurrent() {
    CPageDocument* document = newImage(50, 40);
    QVERIFY(document != nullptr);
    auto dialog = open(VariationsKind::BlurSharpen, *document->page());
    QVERIFY(dialog != nullptr);
    CVariationCntl* sharpen = dialog->thumbnail(1094);
    const QPoint inside = sharpen->rect().center();
    const QPoint outside(sharpen->width() + 20, inside.y());

    QTest::mousePress(sharpen, Qt::LeftButton, {}, inside);
    QVERIFY(sharpen->pressed());
    QTest::mouseMove(sharpen, outside);
    QVERIFY(!sharpen->pressed());
    QTest::mouseRelease(sharpen, Qt::LeftButton, {}, outside);
    QCOMPARE(dialog->current(), CVector3D{});
    QVERIFY(dialog->lastOutlinePath()[0].isEmpty());

    QTest::mousePress(sharpen, Qt::LeftButton, {}, inside);
    QTest::mouseMove(sharpen, outside);
    QTest::mouseMove(sharpen, inside);
    QVERIFY(sharpen->pressed());
    QTest::mouseRelease(sharpen, Qt::LeftButton, {}, inside);
    QCOMPARE(dialog->current(), (CVector3D{2, 0, 0}));
    const auto& path = dialog->lastOutlinePath();
    const QRect from = dialog->windowRect(sharpen);
    const QRect to = dialog->windowRect(dialog->thumbnail(1090));
    QCOMPARE(path[0], from);
    QCOMPARE(path[8], to);
    QCOMPARE(path[4].left(), from.left() + (to.left() - from.left()) * 4 / 8);
    QCOMPARE(path[4].top(), from.top() + (to.top() - from.top()) * 4 / 8);
    for (const QRect& step : path) QCOMPARE(step.size(), from.size());
    dialog->reject();
}

void VariationsDlogTest::deInterlaceChoicesReachCommandAndPreferences() {
    const int width = 33, height = 21;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    const std::vector<std::uint32_t> original = pixelsOf(page);
    DeInterlacePrefs& remembered = m_app.globals().preferences().deInterlace;

    // Cancel: nothing changes, not even the remembered choice.
    DialogCommandResult result;
    QVERIFY(withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<DeInterlaceDlg*>(modal);
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("De-Interlace"));
            QVERIFY(dialog->isChecked(DeInterlaceDlg::kIdOddFields));
            QVERIFY(dialog->isChecked(DeInterlaceDlg::kIdInterpolation));
            QVERIFY(!dialog->isChecked(DeInterlaceDlg::kIdEvenFields));
            QCOMPARE(dialog->getString(DeInterlaceDlg::kIdDuplication), QString("Duplication"));
            click(dialog->control(DeInterlaceDlg::kIdEvenFields));
            click(dialog->control(DeInterlaceDlg::kIdCancel));
        },
        [&] { result = runDeInterlaceDialog(page, m_effect.context, m_app.context(), nullptr); }));
    QVERIFY(result.cancelled);
    QVERIFY(pixelsOf(page) == original);
    QVERIFY(remembered.replaceOddFields && remembered.interpolate);

    // "Even Fields" by "Duplication": the choice reaches the command and the
    // preferences.
    QVERIFY(withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<DeInterlaceDlg*>(modal);
            QVERIFY(dialog != nullptr);
            click(dialog->control(DeInterlaceDlg::kIdEvenFields));
            click(dialog->control(DeInterlaceDlg::kIdDuplication));
            click(dialog->control(DeInterlaceDlg::kIdOk));
        },
        [&] { result = runDeInterlaceDialog(page, m_effect.context, m_app.context(), nullptr); }));
    QVERIFY(!result.cancelled);
    QCOMPARE(result.code, kErrNone);
    QCOMPARE(result.repaint, page.bounds());
    QVERIFY(!remembered.replaceOddFields);
    QVERIFY(!remembered.interpolate);
    // Even Fields replaces rows 1, 3, 5, ... by a copy of the row above.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; x += 4)
            QCOMPARE(page.colourAt(x, y),
                     original[static_cast<std::size_t>((y % 2 == 1 ? y - 1 : y) * width + x)]);
    QCOMPARE(page.pageData()->undoCount(), 1);

    // The next dialog starts from the remembered choice.
    QVERIFY(withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<DeInterlaceDlg*>(modal);
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->isChecked(DeInterlaceDlg::kIdEvenFields));
            QVERIFY(dialog->isChecked(DeInterlaceDlg::kIdDuplication));
            dialog->reject();
        },
        [&] { result = runDeInterlaceDialog(page, m_effect.context, m_app.context(), nullptr); }));
}

void VariationsDlogTest::menuCommandsEnableAndRunThroughTheView() {
    const int variations[] = {cmd::kFilterBlurSharpen,     cmd::kFilterDespeckle,
                              cmd::kFilterNoise,           cmd::kFilterBrightnessContrast,
                              cmd::kFilterColorVariations, cmd::kFilterDeInterlace};
    for (int id : variations) QVERIFY(variationsDialogCommandOf(id) != nullptr);
    QVERIFY(variationsDialogCommandOf(cmd::kFilterInvert) == nullptr);

    CPageDocument* grey = newImage(20, 20, Page::kTypeGrey);
    QVERIFY(grey != nullptr);
    QCOMPARE(m_app.activeDocument(), grey);
    CommandRouter& router = m_app.router();
    for (int id : variations)
        QCOMPARE(router.queryState(id).enabled, id != cmd::kFilterColorVariations);

    const int width = 24, height = 18;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    QCOMPARE(m_app.activeDocument(), document);
    for (int id : variations) QVERIFY(router.queryState(id).enabled);

    QVERIFY(withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<CVariationsDlogHandler*>(modal);
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->windowTitle(), QString("Brightness and Contrast"));
            click(dialog->thumbnail(1094));  // More Brightness
            click(dialog->control(CVariationsDlogHandler::kIdOk));
        },
        [&] { QVERIFY(router.dispatch(cmd::kFilterBrightnessContrast)); }));
    const Page& page = *document->page();
    for (int y = 0; y < height; y += 2)
        for (int x = 0; x < width; x += 3)
            QCOMPARE(int((page.colourAt(x, y) >> 8) & 0xFF), std::min(255, sample(x, y, 1) + 40));
    QVERIFY(document->isModified());
    QCOMPARE(*router.queryState(cmd::kEditUndo).text, QString("&Undo Filter\tCtrl+Z"));
    const CommandState last = router.queryState(cmd::kLastFilter);
    QVERIFY(last.enabled);
    QCOMPARE(*last.text, QString("Brightness && Contrast\tCtrl+F"));

    // Cancel through the menu: no change and no new undo step.
    const std::vector<std::uint32_t> after = pixelsOf(page);
    QVERIFY(withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<CVariationsDlogHandler*>(modal);
            QVERIFY(dialog != nullptr);
            click(dialog->thumbnail(1093));
            click(dialog->control(CVariationsDlogHandler::kIdCancel));
        },
        [&] { QVERIFY(router.dispatch(cmd::kFilterDespeckle)); }));
    QVERIFY(pixelsOf(page) == after);
    QCOMPARE(page.pageData()->undoCount(), 1);
}

void VariationsDlogTest::finalRunShowsItsProgressAndCancelsFromIt() {
    CPageDocument* document = newImage(400, 300);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    const std::vector<std::uint32_t> original = pixelsOf(page);
    ClickingProgress progress;
    NoiseGenerator noise;
    std::unique_ptr<Filter> last;
    const EffectContext effect{255, 0, 0xFFFFFF, progress, noise, last};
    DialogCommandResult result;
    QVERIFY(withModal(
        [&progress](QWidget* modal) {
            auto* dialog = qobject_cast<CVariationsDlogHandler*>(modal);
            QVERIFY(dialog != nullptr);
            progress.dialog = dialog;
            click(dialog->thumbnail(1094));  // More
            click(dialog->thumbnail(1094));
            click(dialog->control(CVariationsDlogHandler::kIdOk));
        },
        [&] {
            result = CVariationsDlog::run(VariationsKind::Despeckle, page, effect, m_app.context(),
                                          m_app.mainFrame());
        }));
    QVERIFY(progress.clicked);
    // The dialog is out of the way while the effect runs: it neither covers
    // the progress window nor keeps it from taking the Cancel click.
    QVERIFY(!progress.dialogShownDuringRun);
    QVERIFY(!progress.dialogModalDuringRun);
    QVERIFY(result.cancelled);
    QVERIFY(pixelsOf(page) == original);
    QCOMPARE(page.pageData()->undoCount(), 0);
}

int main(int argc, char** argv) {
    return tessary::test::runEditorTests<VariationsDlogTest>(argc, argv);
}

#include "variations_dlog_test.moc"
