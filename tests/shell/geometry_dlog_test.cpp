// The geometry, Drop Shadow and Extrude dialogs, their number edits and
// preview wells, and their commands in the running editor on the offscreen
// platform.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/zerozevuv.h"
#include "editor_documents.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
#include "effects/shadow/extrude.h"
#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/korvel_app.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/canvas_res_dlog.h"
#include "shell/dialogs/canvas_size_dlog.h"
#include "shell/dialogs/drop_shadow_dlog.h"
#include "shell/dialogs/extrude_dlog.h"
#include "shell/dialogs/flip_rotate_dlog.h"
#include "shell/dialogs/image_well.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/dialogs/number_edits.h"
#include "shell/dialogs/scale_dlog.h"
#include "shell/dialogs/static_image.h"
#include "shell/view/page_view.h"
#include "shell/view/view_services.h"
#include "support/temp_dir.h"
#include "view_test_main.h"

using namespace tessary;

namespace {

// Sample c of test pixel (x, y), independent of any engine code.
std::uint8_t pattern(int x, int y, int c) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + c * 50);
}

std::uint32_t patternColour(int x, int y) {
    return pattern(x, y, 0) | (pattern(x, y, 1) << 8) |
           (static_cast<std::uint32_t>(pattern(x, y, 2)) << 16);
}

// Every sample of every plane over the image, with the page's geometry and
// history: what "the page as it was" means.
struct PageSnapshot {
    Rect bounds;
    Rect selection;
    int planes = 0;
    double horizontal = 0, vertical = 0;
    int undoCount = 0;
    std::vector<std::uint8_t> samples;

    static PageSnapshot of(const Page& page) {
        PageSnapshot s;
        s.bounds = page.bounds();
        s.selection = page.storedSelectionRect();
        s.planes = page.planeCount();
        s.horizontal = page.horizontalResolution();
        s.vertical = page.verticalResolution();
        s.undoCount = page.pageData()->undoCount();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(s.bounds.width()));
        for (int p = 0; p < s.planes; ++p)
            for (int y = 0; y < s.bounds.height(); ++y) {
                page.pageData()->readRow(p, 0, y, s.bounds.width(), row.data());
                s.samples.insert(s.samples.end(), row.begin(), row.end());
            }
        return s;
    }
    bool operator==(const PageSnapshot&) const = default;
};

bool inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Runs `action`, which opens one of the editor's modal dialogs, and hands
// the dialog to `driver` once it shows. A dialog the driver leaves open is
// cancelled, so that no test can hang. Returns whether the driver ran.
bool withDialog(const std::function<void(OurDlogHandlerBase&)>& driver,
                const std::function<void()>& action) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<OurDlogHandlerBase*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll.stop();
        ran = true;
        driver(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    poll.start();
    action();
    poll.stop();
    return ran;
}

// A click on a button (push, check or radio) of the dialog.
void click(OurDlogHandlerBase& dialog, int id) {
    auto* button = dialog.controlAs<QAbstractButton>(id);
    QVERIFY2(button != nullptr, qPrintable(QString::number(id)));
    button->click();
}

// The user clicks into an edit, replaces its text and leaves it with Tab.
void typeInto(OurDlogHandlerBase& dialog, int id, const QString& text) {
    auto* edit = dialog.controlAs<QLineEdit>(id);
    QVERIFY(edit != nullptr);
    if (!dialog.isVisible()) dialog.show();
    QApplication::setActiveWindow(&dialog);
    edit->setFocus();
    QApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (edit->hasFocus())
        QTest::keyClick(edit, Qt::Key_Tab);
    else
        emit edit->editingFinished();  // no window focus on this platform
}

QRgb pixelOf(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixel(at) & 0xFFFFFF;
}

}  // namespace

class GeometryDlogTest : public QObject {
    Q_OBJECT
public:
    explicit GeometryDlogTest(CKorvelApp& app) : m_app(app) {}

private slots:
    void cleanup();
    // Controls
    void intEditTakesDigitsOnly();
    void floatEditTakesNumberCharactersAndOneLeadingSign();
    void imageWellShowsTheCheckerboardAndPreviews();
    void flipRotateExamplesChooseAndShowTheTurn();
    // Dialog numbers
    void scaleDialogConvertsClampsFollowsAspectAndResets();
    void canvasSizeDialogShowsTheDefaultUnitAndClamps();
    void canvasResolutionDialogClampsAndShowsPerCentimetre();
    void dropShadowDialogMirrorsClampsAndStoresPrefs();
    void extrudeDialogChoosesDirectionOperationAndDistance();
    // Commands through the image view
    void selectionCommandsNeedASelection();
    void scaleThroughTheDialogEqualsScalePageAndUndoesInOneStep();
    void cancelLeavesThePageBitIdenticalWithNoUndoStep();
    void dropShadowFromTheMenuPaintsOnlyOutsideTheSelection();
    void quarterTurnThroughTheDialogTurnsTheImage();
    void canvasSizeGrowsWithTheBackgroundInTheDefaultUnit();
    void canvasResolutionStoresPerCentimetreValues();
    void extrudeSelectMakesTheStripBesideTheSquare();
    void effectDialogsShowTheCurrentImageAndRepaintAfterCancel();

private:
    CPageDocument* newImage(int width, int height) {
        return test::newImage(m_app, width, height, pattern);
    }
    CPageView* viewOf(CPageDocument* document) { return test::viewOf(m_app, document); }
    // Selects `rect` of the document's page: a mask of 255 inside, 0 outside.
    void select(CPageDocument* document, const Rect& rect);

    CKorvelApp& m_app;
};

void GeometryDlogTest::select(CPageDocument* document, const Rect& rect) {
    QVERIFY(viewOf(document)->runCommand(cmd::kSelectAll));
    Page& page = *document->page();
    QVERIFY(page.hasMask());
    const Rect bounds = page.bounds();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bounds.width()));
    for (int y = 0; y < bounds.height(); ++y) {
        for (int x = 0; x < bounds.width(); ++x)
            row[static_cast<std::size_t>(x)] = inside(rect, x, y) ? 255 : 0;
        page.pageData()->writeRow(page.maskPlane(), 0, y, bounds.width(), row.data());
    }
    page.setSelectionRect(rect);
}

void GeometryDlogTest::cleanup() {
    test::closeAllDocuments(m_app);
    m_app.globals().setUnit(0);
}

// --- Controls ----------------------------------------------------------------

void GeometryDlogTest::intEditTakesDigitsOnly() {
    CIntEdit edit;
    edit.show();
    QSignalSpy rejected(&edit, &CNumberEdit::characterRejected);
    QTest::keyClicks(&edit, "1a2-3.4 ");
    QCOMPARE(edit.text(), QString("1234"));
    QCOMPARE(rejected.count(), 4);
    QCOMPARE(rejected.at(0).at(0).value<QChar>(), QChar('a'));
    QCOMPARE(edit.value(), 1234);
    // Editing keys are not characters: they pass.
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), QString("23"));
    QCOMPARE(rejected.count(), 4);
    // A paste keeps the digits and beeps once for the rest.
    QApplication::clipboard()->setText("7x8y");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit.text(), QString("2378"));
    QCOMPARE(rejected.count(), 5);
    // A value too long for an int saturates instead of wrapping.
    edit.setText("99999999999999");
    QCOMPARE(edit.value(), INT_MAX);
}

void GeometryDlogTest::floatEditTakesNumberCharactersAndOneLeadingSign() {
    CFloatEdit negative(true);
    negative.show();
    QSignalSpy rejected(&negative, &CNumberEdit::characterRejected);
    QSignalSpy edited(&negative, &QLineEdit::textEdited);
    QTest::keyClicks(&negative, "1.5x,2e");
    QCOMPARE(negative.text(), QString("1.5,2"));
    QCOMPARE(rejected.count(), 2);
    // The sign goes in front wherever the cursor is, and only once.
    QTest::keyClicks(&negative, "-");
    QCOMPARE(negative.text(), QString("-1.5,2"));
    QCOMPARE(edited.last().at(0).toString(), QString("-1.5,2"));
    QTest::keyClicks(&negative, "-");
    QCOMPARE(negative.text(), QString("-1.5,2"));
    QCOMPARE(rejected.count(), 3);
    // A comma reads as the decimal point.
    negative.setText("-2,75");
    QCOMPARE(negative.value(), -2.75);
    // A selection that holds the sign is replaced by what is typed.
    negative.selectAll();
    QTest::keyClicks(&negative, "-7");
    QCOMPARE(negative.text(), QString("-7"));
    QCOMPARE(rejected.count(), 3);

    CFloatEdit positive(false);
    positive.show();
    QSignalSpy positiveRejected(&positive, &CNumberEdit::characterRejected);
    QTest::keyClicks(&positive, "-3.5");
    QCOMPARE(positive.text(), QString("3.5"));
    QCOMPARE(positiveRejected.count(), 1);
    QCOMPARE(positive.value(), 3.5);
}

void GeometryDlogTest::imageWellShowsTheCheckerboardAndPreviews() {
    CImageWell well;
    well.resize(104, 104);
    const QImage shot = well.grab().toImage();
    const QRect client = well.contentsRect();
    for (int cy = 0; cy < 10; ++cy)
        for (int cx = 0; cx < 10; ++cx) {
            const QPoint centre = client.topLeft() + QPoint((2 * cx + 1) * client.width() / 20,
                                                            (2 * cy + 1) * client.height() / 20);
            const QRgb expected = (cx + cy) % 2 == 0 ? 0xFFFFFF : 0x0000C0;
            QCOMPARE(shot.pixel(centre) & 0xFFFFFF, expected);
        }

    // Drop Shadow: the object is the middle half of the well, black; its
    // shadow is moved by the offsets (16, 16), grey by the intensity.
    DropShadowPrefs prefs;
    CDropShadowDialog shadow(prefs, 72, 72, 0);
    shadow.show();
    QApplication::processEvents();
    QWidget* shadowWell = shadow.control(CDropShadowDialog::kIdPreview);
    const QRect c = static_cast<CImageWell*>(shadowWell)->contentsRect();
    QVERIFY(c.width() >= 60 && c.height() >= 60);
    const QPoint objectCentre = c.topLeft() + QPoint(c.width() / 2, c.height() / 2);
    const QPoint shadowOnly = c.topLeft() + QPoint(c.width() * 3 / 4 + 8, c.height() * 3 / 4 + 8);
    QCOMPARE(pixelOf(shadowWell, objectCentre), QRgb(0x000000));
    QCOMPARE(pixelOf(shadowWell, shadowOnly), QRgb(0x000000));
    shadow.controlAs<QSlider>(CDropShadowDialog::kIdIntensitySlider)->setValue(50);
    QCOMPARE(pixelOf(shadowWell, shadowOnly), QRgb(0x7F7F7F));  // (100 - 50) x 255 / 100
    QCOMPARE(pixelOf(shadowWell, objectCentre), QRgb(0x000000));

    // Extrude: the sides toward the chosen direction in light grey.
    ExtrudePrefs extrudePrefs;
    extrudePrefs.distance = 20;
    extrudePrefs.compassDirection = 2;  // right
    CExtrudeDialog extrude(extrudePrefs);
    extrude.show();
    QApplication::processEvents();
    QWidget* extrudeWell = extrude.control(CExtrudeDialog::kIdPreview);
    const QRect e = static_cast<CImageWell*>(extrudeWell)->contentsRect();
    QVERIFY(e.width() >= 60 && e.height() >= 60);
    const QPoint right = e.topLeft() + QPoint(e.width() * 3 / 4 + 10, e.height() / 2);
    const QPoint left = e.topLeft() + QPoint(e.width() / 4 - 10, e.height() / 2);
    QCOMPARE(pixelOf(extrudeWell, right), QRgb(0xC0C0C0));
    QVERIFY(pixelOf(extrudeWell, left) != 0xC0C0C0);
    QCOMPARE(pixelOf(extrudeWell, e.topLeft() + QPoint(e.width() / 2, e.height() / 2)),
             QRgb(0x000000));
    click(extrude, CExtrudeDialog::kIdLeft);
    QCOMPARE(pixelOf(extrudeWell, left), QRgb(0xC0C0C0));
    QVERIFY(pixelOf(extrudeWell, right) != 0xC0C0C0);
}

void GeometryDlogTest::flipRotateExamplesChooseAndShowTheTurn() {
    CFlipRotateDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Flip and Rotate"));
    QCOMPARE(dialog.chosen(), 0);
    QCOMPARE(dialog.operation(), int{kFlipHorizontal});
    QVERIFY(dialog.example(1008)->chosen());
    dialog.show();
    QTest::mouseClick(dialog.example(1011), Qt::LeftButton);  // "90° Right (CW)"
    QCOMPARE(dialog.chosen(), 2);
    QCOMPARE(dialog.operation(), int{kQuarterTurnClockwise});
    QVERIFY(!dialog.example(1008)->chosen());
    QVERIFY(dialog.example(1011)->chosen());
    // "Current" is the original turned clockwise: its pixel (x, y) is the
    // original's (y, h - 1 - x).
    const QImage original = dialog.example(CFlipRotateDialog::kIdOriginal)->image();
    const QImage current = dialog.example(CFlipRotateDialog::kIdCurrent)->image();
    QCOMPARE(current.size(), original.size().transposed());
    for (int y = 0; y < current.height(); ++y)
        for (int x = 0; x < current.width(); ++x)
            QCOMPARE(current.pixel(x, y), original.pixel(y, original.height() - 1 - x));
    // The example picture itself is not symmetric under the flip.
    QVERIFY(flipRotatePicture(kFlipHorizontal) != original);
    QVERIFY(flipRotatePicture(kFlipVertical) != original);
}

// --- Dialog numbers ------------------------------------------------------------

void GeometryDlogTest::scaleDialogConvertsClampsFollowsAspectAndResets() {
    using D = CScaleDlogHandler;
    D dialog(200, 100, 72, Page::kTypeRgb, 0);
    QCOMPARE(dialog.getString(D::kIdOldWidth), QString("200.00"));
    QCOMPARE(dialog.getString(D::kIdOldHeight), QString("100.00"));
    QCOMPARE(dialog.entryCount(D::kIdUnits), 6);
    QCOMPARE(dialog.controlAs<QComboBox>(D::kIdUnits)->itemText(0), QString("Percent"));
    QCOMPARE(dialog.getString(D::kIdUnits), QString("Pixels"));  // default unit + 1
    QVERIFY(dialog.isChecked(D::kIdKeepAspect));
    QCOMPARE(dialog.getString(D::kIdWidth), QString("200.00"));
    QCOMPARE(dialog.getString(D::kIdSizeText), QString("58.5 K"));  // 60,000 bytes

    typeInto(dialog, D::kIdWidth, "20000");
    QCOMPARE(dialog.getString(D::kIdWidth), QString("16382.00"));
    QCOMPARE(dialog.getString(D::kIdHeight), QString("8191.00"));
    typeInto(dialog, D::kIdHeight, "0");
    QCOMPARE(dialog.getString(D::kIdHeight), QString("1.00"));
    QCOMPARE(dialog.getString(D::kIdWidth), QString("2.00"));

    click(dialog, D::kIdReset);
    QCOMPARE(dialog.getString(D::kIdWidth), QString("200.00"));
    QCOMPARE(dialog.getString(D::kIdHeight), QString("100.00"));
    QCOMPARE(dialog.getString(D::kIdSizeText), QString("58.5 K"));

    // Another unit shows the same size: 200 px at 72 per inch.
    dialog.controlAs<QComboBox>(D::kIdUnits)->setCurrentIndex(2);  // inches
    QCOMPARE(dialog.getString(D::kIdWidth), QString("2.78"));
    dialog.controlAs<QComboBox>(D::kIdUnits)->setCurrentIndex(3);  // centimetres
    QCOMPARE(dialog.getString(D::kIdWidth), QString("7.06"));
    dialog.controlAs<QComboBox>(D::kIdUnits)->setCurrentIndex(0);  // percent
    QCOMPARE(dialog.getString(D::kIdWidth), QString("100.00"));
    typeInto(dialog, D::kIdWidth, "50");
    QCOMPARE(dialog.getString(D::kIdHeight), QString("50.00"));
    QCOMPARE(dialog.model().resultWidth(), 100);
    QCOMPARE(dialog.model().resultHeight(), 50);

    // Without the aspect the other side stays.
    click(dialog, D::kIdKeepAspect);
    QVERIFY(!dialog.model().keepAspect());
    typeInto(dialog, D::kIdWidth, "150");
    QCOMPARE(dialog.getString(D::kIdHeight), QString("50.00"));
    QCOMPARE(dialog.model().resultWidth(), 300);
    QCOMPARE(dialog.getString(D::kIdSizeText), QString("43.9 K"));  // 300 x 50 x 3
}

void GeometryDlogTest::canvasSizeDialogShowsTheDefaultUnitAndClamps() {
    using D = CCanvasSizeDlogHandler;
    D dialog(144, 72, 72, Page::kTypeGrey, 1);  // inches
    QCOMPARE(dialog.groupTitle(), QString("New Dimensions (in inches)"));
    QCOMPARE(dialog.getString(D::kIdCurrentWidth), QString("2.00 (Inches)"));
    QCOMPARE(dialog.getString(D::kIdCurrentHeight), QString("1.00 (Inches)"));
    QCOMPARE(dialog.getString(D::kIdWidth), QString("2.00"));
    QCOMPARE(dialog.getString(D::kIdSizeText), QString("10.1 K"));  // 10,368 bytes
    QCOMPARE(dialog.control(OurDlogHandlerBase::kIdOk)->property("text").toString(),
             QString("Resize"));

    typeInto(dialog, D::kIdWidth, "300");  // 21,600 px: clamped to 16,382
    QCOMPARE(dialog.model().newWidth(), 16382.0);
    QCOMPARE(dialog.getString(D::kIdWidth), QString("227.53"));
    QCOMPARE(dialog.getString(D::kIdHeight), QString("113.76"));  // 8191 px
    typeInto(dialog, D::kIdHeight, "0.5");
    QCOMPARE(dialog.getString(D::kIdWidth), QString("1.00"));
    QCOMPARE(dialog.model().resultWidth(), 72);
    QCOMPARE(dialog.model().resultHeight(), 36);
    click(dialog, D::kIdReset);
    QCOMPARE(dialog.model().resultWidth(), 144);
    QCOMPARE(dialog.getString(D::kIdHeight), QString("1.00"));

    D pixels(100, 50, 72, Page::kTypeRgb, 0);
    QCOMPARE(pixels.groupTitle(), QString("New Dimensions (in pixels)"));
    QCOMPARE(pixels.getString(D::kIdCurrentWidth), QString("100.00 (Pixels)"));
}

void GeometryDlogTest::canvasResolutionDialogClampsAndShowsPerCentimetre() {
    using D = CCanvasResDlogHandler;
    D perInch(144, 72, 1);
    QCOMPARE(perInch.getString(D::kIdUnitText), QString("Pixels / Inch"));
    QCOMPARE(perInch.getString(D::kIdHorizontal), QString("144.00"));
    typeInto(perInch, D::kIdHorizontal, "9000");
    QCOMPARE(perInch.getString(D::kIdHorizontal), QString("8191.00"));
    QCOMPARE(perInch.getString(D::kIdVertical), QString("4095.50"));  // half, as at the start
    typeInto(perInch, D::kIdVertical, "0");
    QCOMPARE(perInch.getString(D::kIdVertical), QString("1.00"));
    QCOMPARE(perInch.getString(D::kIdHorizontal), QString("2.00"));
    click(perInch, D::kIdReset);
    QCOMPARE(perInch.model().horizontal(), 144.0);
    QCOMPARE(perInch.getString(D::kIdVertical), QString("72.00"));

    D perCm(144, 72, 2);
    QCOMPARE(perCm.getString(D::kIdUnitText), QString("Pixels / Cm"));
    QCOMPARE(perCm.getString(D::kIdHorizontal), QString("56.69"));
    QCOMPARE(perCm.getString(D::kIdVertical), QString("28.35"));
    typeInto(perCm, D::kIdHorizontal, "100");
    QCOMPARE(perCm.model().horizontal(), 254.0);
    QCOMPARE(perCm.getString(D::kIdVertical), QString("50.00"));
    typeInto(perCm, D::kIdHorizontal, "5000");  // 12,700 per inch: clamped
    QCOMPARE(perCm.model().horizontal(), 8191.0);
    QCOMPARE(perCm.getString(D::kIdHorizontal), QString("3224.80"));
}

void GeometryDlogTest::dropShadowDialogMirrorsClampsAndStoresPrefs() {
    using D = CDropShadowDialog;
    DropShadowPrefs prefs;  // feather 12, intensity 100, offsets 16, 16
    D dialog(prefs, 72, 72, 0);
    QCOMPARE(dialog.getString(D::kIdFeather), QString("12"));
    QCOMPARE(dialog.getString(D::kIdIntensity), QString("100"));
    QCOMPARE(dialog.getString(D::kIdHorizontal), QString("16.00"));
    QCOMPARE(dialog.entryCount(D::kIdUnits), 5);
    QCOMPARE(dialog.getString(D::kIdUnits), QString("Pixels"));
    auto* featherSlider = dialog.controlAs<QSlider>(D::kIdFeatherSlider);
    auto* intensitySlider = dialog.controlAs<QSlider>(D::kIdIntensitySlider);
    QCOMPARE(featherSlider->maximum(), 10);
    QCOMPARE(featherSlider->pageStep(), 2);
    QCOMPARE(intensitySlider->maximum(), 100);
    QCOMPARE(intensitySlider->pageStep(), 20);

    typeInto(dialog, D::kIdFeather, "15");
    QCOMPARE(dialog.getString(D::kIdFeather), QString("10"));
    QCOMPARE(featherSlider->value(), 10);
    featherSlider->setValue(3);
    QCOMPARE(dialog.getString(D::kIdFeather), QString("3"));
    typeInto(dialog, D::kIdIntensity, "50");
    QCOMPARE(intensitySlider->value(), 50);

    typeInto(dialog, D::kIdHorizontal, "30");
    QCOMPARE(dialog.getString(D::kIdHorizontal), QString("20.00"));
    typeInto(dialog, D::kIdVertical, "-25");
    QCOMPARE(dialog.getString(D::kIdVertical), QString("-20.00"));
    // Inches re-show both offsets; a typed value is read in inches.
    dialog.controlAs<QComboBox>(D::kIdUnits)->setCurrentIndex(1);
    QCOMPARE(dialog.getString(D::kIdHorizontal), QString("0.28"));
    QCOMPARE(dialog.getString(D::kIdVertical), QString("-0.28"));
    typeInto(dialog, D::kIdHorizontal, "0,1");  // 7.2 px
    QCOMPARE(dialog.model().horizontalOffset(), 7.2);

    dialog.model().store(prefs);
    QCOMPARE(prefs.feather, 3);
    QCOMPARE(prefs.intensity, 50);
    QCOMPARE(prefs.horizontalOffset, 7);
    QCOMPARE(prefs.verticalOffset, -20);
    QCOMPARE(dialog.model().request(0).opacity, 127);
}

void GeometryDlogTest::extrudeDialogChoosesDirectionOperationAndDistance() {
    using D = CExtrudeDialog;
    ExtrudePrefs prefs;  // distance 12, direction 3 (down-right), Fill Solid
    D dialog(prefs);
    QCOMPARE(dialog.getString(D::kIdDistance), QString("12"));
    QCOMPARE(dialog.controlAs<QSlider>(D::kIdDistanceSlider)->value(), 12);
    QCOMPARE(dialog.controlAs<QSlider>(D::kIdDistanceSlider)->pageStep(), 4);
    QVERIFY(dialog.isChecked(D::kIdDownRight));
    QVERIFY(dialog.isChecked(D::kIdFillSolid));
    QCOMPARE(dialog.getString(D::kIdFillSolid), QString("Fill Solid"));

    typeInto(dialog, D::kIdDistance, "25");
    QCOMPARE(dialog.getString(D::kIdDistance), QString("20"));
    QCOMPARE(dialog.controlAs<QSlider>(D::kIdDistanceSlider)->value(), 20);
    dialog.controlAs<QSlider>(D::kIdDistanceSlider)->setValue(7);
    QCOMPARE(dialog.getString(D::kIdDistance), QString("7"));
    const int ids[8] = {D::kIdUp,   D::kIdUpRight,  D::kIdRight, D::kIdDownRight,
                        D::kIdDown, D::kIdDownLeft, D::kIdLeft,  D::kIdUpLeft};
    for (int direction = 0; direction < 8; ++direction) {
        click(dialog, ids[direction]);
        QCOMPARE(dialog.model().direction(), direction);
        QVERIFY(dialog.isChecked(ids[direction]));
    }
    click(dialog, D::kIdLeft);
    click(dialog, D::kIdSelect);
    QVERIFY(!dialog.isChecked(D::kIdFillSolid));
    const ExtrudeRequest request = dialog.model().request(0);
    QCOMPARE(request.dx, -7);
    QCOMPARE(request.dy, 0);
    QVERIFY(request.select);
    dialog.model().store(prefs);
    QCOMPARE(prefs.distance, 7);
    QCOMPARE(prefs.compassDirection, 6);
    QVERIFY(prefs.select);
}

// --- Commands through the image view -------------------------------------------

void GeometryDlogTest::selectionCommandsNeedASelection() {
    CPageDocument* document = newImage(30, 20);
    QVERIFY(document != nullptr);
    CommandRouter& router = m_app.router();
    for (int id : {cmd::kImageFlipRotate, cmd::kImageScale, cmd::kImageCanvasSize,
                   cmd::kImageCanvasResolution})
        QVERIFY2(router.queryState(id).enabled, qPrintable(QString::number(id)));
    QVERIFY(!router.queryState(cmd::kDropShadow).enabled);
    QVERIFY(!router.queryState(cmd::kExtrude).enabled);
    QVERIFY(router.dispatch(cmd::kSelectAll));
    QVERIFY(router.queryState(cmd::kDropShadow).enabled);
    QVERIFY(router.queryState(cmd::kExtrude).enabled);
}

void GeometryDlogTest::scaleThroughTheDialogEqualsScalePageAndUndoesInOneStep() {
    const int width = 60, height = 40;
    CPageDocument* direct = newImage(width, height);
    CPageDocument* viaDialog = newImage(width, height);
    QVERIFY(direct != nullptr && viaDialog != nullptr);
    Page& page = *viaDialog->page();
    const PageSnapshot before = PageSnapshot::of(page);

    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Scale"));
            typeInto(dialog, CScaleDlogHandler::kIdWidth, "91.7");
            QCOMPARE(dialog.getString(CScaleDlogHandler::kIdHeight), QString("61.13"));
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] { QVERIFY(viewOf(viaDialog)->runCommand(cmd::kImageScale)); });
    QVERIFY(ran);
    // Truncated to whole pixels: 91 x 61.
    QCOMPARE(scalePage(*direct->page(), 91, 61, true, nullptr), kErrNone);
    QVERIFY(page.bounds() == (Rect{0, 0, 91, 61}));
    PageSnapshot scaled = PageSnapshot::of(page);
    PageSnapshot expected = PageSnapshot::of(*direct->page());
    QCOMPARE(scaled.samples.size(), expected.samples.size());
    QVERIFY(scaled.samples == expected.samples);
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Scale\tCtrl+Z"));
    QCOMPARE(page.pageData()->undoCount(), before.undoCount + 1);

    // One undo gives the page back exactly.
    QVERIFY(viewOf(viaDialog)->runCommand(cmd::kEditUndo));
    QVERIFY(PageSnapshot::of(page) == before);
    QCOMPARE(page.pageData()->redoCount(), 1);
}

void GeometryDlogTest::cancelLeavesThePageBitIdenticalWithNoUndoStep() {
    CPageDocument* document = newImage(40, 30);
    QVERIFY(document != nullptr);
    select(document, Rect{5, 6, 20, 18});
    Page& page = *document->page();
    const PageSnapshot before = PageSnapshot::of(page);
    const DropShadowPrefs shadowBefore = m_app.globals().preferences().dropShadow;
    for (int id : {cmd::kImageFlipRotate, cmd::kImageScale, cmd::kImageCanvasSize,
                   cmd::kImageCanvasResolution, cmd::kDropShadow, cmd::kExtrude}) {
        const bool ran = withDialog(
            [](OurDlogHandlerBase& dialog) {
                // Edits first, then Cancel: nothing of them may stay.
                if (auto* edit = dialog.findChild<CNumberEdit*>()) {
                    edit->setFocus();
                    edit->selectAll();
                    QTest::keyClicks(edit, "3");
                }
                click(dialog, OurDlogHandlerBase::kIdCancel);
            },
            [&] { QVERIFY(viewOf(document)->runCommand(id)); });
        QVERIFY2(ran, qPrintable(QString::number(id)));
        QVERIFY2(PageSnapshot::of(page) == before, qPrintable(QString::number(id)));
    }
    QCOMPARE(m_app.globals().preferences().dropShadow.feather, shadowBefore.feather);
    QCOMPARE(m_app.globals().preferences().dropShadow.intensity, shadowBefore.intensity);
}

void GeometryDlogTest::dropShadowFromTheMenuPaintsOnlyOutsideTheSelection() {
    const int width = 64, height = 48;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    const Rect object{10, 10, 30, 25};
    select(document, object);
    const std::uint32_t green = 0x00FF00;
    m_app.globals().setForeground(green);
    QVERIFY(m_app.router().queryState(cmd::kDropShadow).enabled);

    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Drop Shadow"));
            typeInto(dialog, CDropShadowDialog::kIdFeather, "0");
            typeInto(dialog, CDropShadowDialog::kIdIntensity, "100");
            typeInto(dialog, CDropShadowDialog::kIdHorizontal, "5");
            typeInto(dialog, CDropShadowDialog::kIdVertical, "4");
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] {
            m_app.router().updateAll();
            QAction* menuItem = m_app.router().action(cmd::kDropShadow);
            QVERIFY(menuItem->isEnabled());
            menuItem->trigger();
        });
    QVERIFY(ran);
    m_app.globals().setForeground(0);

    // A hard shadow: the object moved by (5, 4) in green, never over the
    // object itself; everything else as it was.
    const Rect shadow{object.left + 5, object.top + 4, object.right + 5, object.bottom + 4};
    const Page& page = *document->page();
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t expected =
                !inside(object, x, y) && inside(shadow, x, y) ? green : patternColour(x, y);
            if (page.colourAt(x, y) != expected && mismatches++ < 5)
                qWarning("(%d, %d): %06x, expected %06x", x, y, page.colourAt(x, y), expected);
        }
    QCOMPARE(mismatches, 0);
    QVERIFY(page.hasMask());
    QVERIFY(page.selectionRect() == object);
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Fill\tCtrl+Z"));
    const DropShadowPrefs& prefs = m_app.globals().preferences().dropShadow;
    QCOMPARE(prefs.feather, 0);
    QCOMPARE(prefs.horizontalOffset, 5);
    QCOMPARE(prefs.verticalOffset, 4);
}

void GeometryDlogTest::quarterTurnThroughTheDialogTurnsTheImage() {
    const int width = 30, height = 20;
    CPageDocument* document = newImage(width, height);
    QVERIFY(document != nullptr);
    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            auto& flip = static_cast<CFlipRotateDialog&>(dialog);
            QTest::mouseClick(flip.example(1011), Qt::LeftButton);  // clockwise
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] { QVERIFY(viewOf(document)->runCommand(cmd::kImageFlipRotate)); });
    QVERIFY(ran);
    const Page& page = *document->page();
    QVERIFY(page.bounds() == (Rect{0, 0, height, width}));
    // Clockwise: new (x, y) is old (y, h - 1 - x); the last column holds the
    // first source row.
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < height; ++x)
            QCOMPARE(page.colourAt(x, y), patternColour(y, height - 1 - x));
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Rotate\tCtrl+Z"));
    // The view laid itself out for the new size.
    QVERIFY(viewOf(document)->geometry().imageBounds() == page.bounds());
}

void GeometryDlogTest::canvasSizeGrowsWithTheBackgroundInTheDefaultUnit() {
    CPageDocument* document = newImage(72, 36);
    QVERIFY(document != nullptr);
    m_app.globals().setUnit(1);  // inches
    const std::uint32_t background = 0x336699;
    const std::uint32_t oldBackground = m_app.globals().background();
    m_app.globals().setBackground(background);
    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            auto& canvas = static_cast<CCanvasSizeDlogHandler&>(dialog);
            QCOMPARE(canvas.groupTitle(), QString("New Dimensions (in inches)"));
            QCOMPARE(dialog.getString(CCanvasSizeDlogHandler::kIdWidth), QString("1.00"));
            typeInto(dialog, CCanvasSizeDlogHandler::kIdWidth, "1.5");  // height follows
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] { QVERIFY(viewOf(document)->runCommand(cmd::kImageCanvasSize)); });
    m_app.globals().setBackground(oldBackground);
    QVERIFY(ran);
    const Page& page = *document->page();
    QVERIFY(page.bounds() == (Rect{0, 0, 108, 54}));
    for (int y = 0; y < 54; y += 3)
        for (int x = 0; x < 108; x += 5) {
            const std::uint32_t expected = x < 72 && y < 36 ? patternColour(x, y) : background;
            QCOMPARE(page.colourAt(x, y), expected);
        }
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Resize\tCtrl+Z"));
}

void GeometryDlogTest::canvasResolutionStoresPerCentimetreValues() {
    CPageDocument* document = newImage(20, 10);
    QVERIFY(document != nullptr);
    Page& page = *document->page();
    const PageSnapshot before = PageSnapshot::of(page);
    FileOptionsPrefs& options = m_app.globals().preferences().fileOptions;
    const std::int32_t oldUnit = options.newImageResolutionUnit;
    options.newImageResolutionUnit = 2;  // per centimetre
    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            QCOMPARE(dialog.getString(CCanvasResDlogHandler::kIdUnitText), QString("Pixels / Cm"));
            QCOMPARE(dialog.getString(CCanvasResDlogHandler::kIdHorizontal), QString("28.35"));
            click(dialog, CCanvasResDlogHandler::kIdKeepAspect);
            typeInto(dialog, CCanvasResDlogHandler::kIdHorizontal, "100");
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] { QVERIFY(viewOf(document)->runCommand(cmd::kImageCanvasResolution)); });
    options.newImageResolutionUnit = oldUnit;
    QVERIFY(ran);
    QCOMPARE(page.horizontalResolution(), 254.0);
    QCOMPARE(page.verticalResolution(), 72.0);
    QVERIFY(PageSnapshot::of(page).samples == before.samples);  // pixels stay
}

void GeometryDlogTest::extrudeSelectMakesTheStripBesideTheSquare() {
    CPageDocument* document = newImage(40, 30);
    QVERIFY(document != nullptr);
    const Rect square{8, 8, 18, 18};
    select(document, square);
    const bool ran = withDialog(
        [](OurDlogHandlerBase& dialog) {
            typeInto(dialog, CExtrudeDialog::kIdDistance, "5");
            click(dialog, CExtrudeDialog::kIdRight);
            click(dialog, CExtrudeDialog::kIdSelect);
            click(dialog, OurDlogHandlerBase::kIdOk);
        },
        [&] { QVERIFY(viewOf(document)->runCommand(cmd::kExtrude)); });
    QVERIFY(ran);
    const Page& page = *document->page();
    const Rect strip{square.right, square.top, square.right + 5, square.bottom};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) QCOMPARE(page.isSelected(x, y), inside(strip, x, y));
    QCOMPARE(page.colourAt(20, 10), patternColour(20, 10));  // no paint with "Select"
    QCOMPARE(*m_app.router().queryState(cmd::kEditUndo).text, QString("&Undo Selection\tCtrl+Z"));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

void GeometryDlogTest::effectDialogsShowTheCurrentImageAndRepaintAfterCancel() {
    CPageDocument* document = newImage(40, 30);
    QVERIFY(document != nullptr);
    CPageView* view = viewOf(document);
    select(document, Rect{5, 6, 20, 18});
    // One undo step, so that the state before the last one differs.
    QVERIFY(view->runCommand(cmd::kFilterInvert));
    const Page& page = *document->page();
    const WideRect placement = view->geometry().placement();
    const QPoint at(static_cast<int>(placement.left) + 8, static_cast<int>(placement.top) + 8);
    const std::uint32_t c = page.colourAt(8, 8);  // inverted
    const QRgb current = qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF) & 0xFFFFFF;
    for (int id : {cmd::kDropShadow, cmd::kExtrude}) {
        PaintCounter counter(view);
        std::int32_t offsetShown = -1;
        QRgb shown = 0;
        const bool ran = withDialog(
            [&](OurDlogHandlerBase& dialog) {
                offsetShown = view->historyOffset();
                shown = pixelOf(view, at);
                counter.paints = 0;
                click(dialog, OurDlogHandlerBase::kIdCancel);
            },
            [&] { QVERIFY(view->runCommand(id)); });
        QVERIFY2(ran, qPrintable(QString::number(id)));
        // The open dialog leaves the view on the image as it is now.
        QCOMPARE(offsetShown, 0);
        QCOMPARE(shown, current);
        QCOMPARE(view->historyOffset(), 0);
        // After Cancel the view paints again.
        QCoreApplication::processEvents();
        QVERIFY2(counter.paints > 0, qPrintable(QString::number(id)));
    }
}

int main(int argc, char** argv) {
    return tessary::test::runEditorTests<GeometryDlogTest>(argc, argv);
}

#include "geometry_dlog_test.moc"
