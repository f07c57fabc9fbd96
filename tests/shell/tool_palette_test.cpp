// The tool palette: its rules (enabling, keys), the button layout, the
// opacity slider's maths and drag pacing, the palette's clicks, the colour
// swatches, the anti-alias toggle, and where the palette first appears.

#include "shell/chrome/tool_palette.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <set>

#include "app/zerozevuv.h"
#include "shell/app/main_frame.h"
#include "shell/app/shell_context.h"
#include "shell/chrome/color_swatch.h"
#include "shell/chrome/h_slider_ctrl.h"
#include "shell/chrome/palette_artwork.h"
#include "shell/chrome/palette_layout.h"
#include "shell/chrome/tool_palette_rules.h"
#include "shell/dialogs/brush_options_dlog.h"
#include "shell_test_support.h"
#include "tools/tool_box.h"

namespace tessary {
namespace {

// A palette over its own globals and tool box, without the application.
struct PaletteRig {
    test::TempDir folder;
    ZERozevuv globals{folder.path()};
    ToolBox tools{globals.toolGlobals()};
    ShellContext context;
    std::unique_ptr<CToolPalette> palette;

    PaletteRig() {
        context.globals = &globals;
        context.tools = &tools;
        palette = std::make_unique<CToolPalette>(context, nullptr);
        palette->show();
    }
    void click(const QRect& rect) {
        QTest::mouseClick(palette.get(), Qt::LeftButton, {}, rect.center());
    }
    void clickTool(int tool) { click(palette->toolButtonRect(tool)); }
};

// --- Rules ------------------------------------------------------------------

TEST(ToolPaletteRules, OptionControlsFollowTheTool) {
    struct Case {
        int tool;
        bool options;
        bool antiAlias;
    };
    const Case cases[] = {
        {1, false, false},  {5, true, true},    {9, false, false}, {11, true, false},
        {12, false, false}, {13, true, true},   {14, false, true}, {16, false, true},
        {0, false, false},  {17, false, false},
    };
    for (const Case& c : cases) {
        const palette::OptionControls controls = palette::optionControlsFor(c.tool);
        EXPECT_EQ(controls.optionsEnabled, c.options) << c.tool;
        EXPECT_EQ(controls.antiAliasEnabled, c.antiAlias) << c.tool;
    }
}

TEST(ToolPaletteRules, EveryToolHasItsOwnLetter) {
    std::set<char> keys;
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        const char key = palette::toolShortcutKey(tool);
        EXPECT_TRUE(key >= 'A' && key <= 'Z') << tool;
        EXPECT_NE(key, palette::kSwapColoursKey) << tool;
        EXPECT_NE(key, palette::kDefaultColoursKey) << tool;
        keys.insert(key);
        EXPECT_EQ(palette::toolForShortcutKey(key), tool);
        EXPECT_EQ(palette::toolForShortcutKey(static_cast<char>(key - 'A' + 'a')), tool);
    }
    EXPECT_EQ(keys.size(), static_cast<std::size_t>(palette::kToolCount));
    EXPECT_EQ(palette::toolShortcutKey(0), 0);
    EXPECT_EQ(palette::toolForShortcutKey('X'), 0);
    EXPECT_STREQ(palette::toolBitmapName(1), "ARROW");
    EXPECT_STREQ(palette::toolBitmapName(16), "TEXT");
    EXPECT_EQ(palette::toolBitmapName(17), nullptr);
}

// --- Layout -------------------------------------------------------------------

TEST(ToolPaletteLayout, SixteenButtonsStandInRowsOfTwo) {
    std::array<ToolButtonImages, palette::kToolCount> images;
    images.fill({QSize(26, 24), QSize(26, 24)});
    const ToolButtonLayout layout = layoutToolButtons(images, QPoint(3, 5));
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        const int column = (tool - 1) % 2;
        const int row = (tool - 1) / 2;
        EXPECT_EQ(layout.buttons[tool - 1].up, QRect(3 + 26 * column, 5 + 24 * row, 26, 24))
            << tool;
        EXPECT_EQ(layout.buttons[tool - 1].down, layout.buttons[tool - 1].up) << tool;
    }
    EXPECT_EQ(layout.extent, QSize(3 + 52, 5 + 8 * 24));
}

TEST(ToolPaletteLayout, TheWiderAndTallerImageSetTheSteps) {
    std::array<ToolButtonImages, palette::kToolCount> images;
    images.fill({QSize(10, 10), QSize(10, 10)});
    images[0] = {QSize(20, 10), QSize(30, 14)};  // tool 1: the down image is larger
    images[1] = {QSize(10, 20), QSize(8, 6)};    // tool 2: the up image is taller
    const ToolButtonLayout layout = layoutToolButtons(images, QPoint(0, 0));
    EXPECT_EQ(layout.buttons[0].down, QRect(0, 0, 30, 14));
    EXPECT_EQ(layout.buttons[1].up, QRect(30, 0, 10, 20));
    EXPECT_EQ(layout.buttons[2].up.topLeft(), QPoint(0, 20));
    EXPECT_EQ(layout.buttons[15].up.topLeft(), QPoint(10, 20 + 6 * 10));
    EXPECT_EQ(layout.extent, QSize(40, 20 + 7 * 10));
}

TEST(ToolPaletteLayout, TheSliderIsAtMost44WideAndCentred) {
    std::array<ToolButtonImages, palette::kToolCount> wide;
    wide.fill({QSize(30, 20), QSize(30, 20)});
    const PaletteGeometry g = layoutPalette(wide);
    EXPECT_EQ(g.opacitySlider.width(), 44);
    EXPECT_EQ(g.opacitySlider.height(), 16);
    EXPECT_EQ(g.opacitySlider.center().x(), g.optionsButton.center().x());
    std::array<ToolButtonImages, palette::kToolCount> narrow;
    narrow.fill({QSize(15, 20), QSize(15, 20)});
    EXPECT_EQ(layoutPalette(narrow).opacitySlider.width(), 30);
}

TEST(ToolPaletteLayout, FirstPositionKeepsClearOfTheMenuBarAndOnScreen) {
    const QRect screen(0, 0, 1280, 900);
    const QSize palette(70, 340);
    // Room left of the main window: beside it, level with the image area.
    const QRect frame(80, 5, 560, 460);
    const QRect area(81, 50, 558, 380);
    EXPECT_EQ(firstPaletteFramePosition(frame, area, palette, screen), QPoint(6, 50));
    // No room: inside the image area, below the menu bar.
    const QRect leftFrame(0, 0, 560, 460);
    const QRect leftArea(1, 50, 558, 380);
    EXPECT_EQ(firstPaletteFramePosition(leftFrame, leftArea, palette, screen), QPoint(5, 54));
    // A short screen pushes it up as far as needed, never above the top.
    EXPECT_EQ(firstPaletteFramePosition(leftFrame, leftArea, palette, QRect(0, 0, 800, 370)),
              QPoint(5, 30));
    EXPECT_EQ(firstPaletteFramePosition(leftFrame, leftArea, palette, QRect(0, 0, 800, 200)),
              QPoint(5, 0));
}

TEST(ToolPaletteLayout, AMaximizedWindowsMenuBarPushesThePaletteIntoTheImageArea) {
    const QRect screen(0, 0, 1280, 900);
    const QRect bar(0, 20, 1280, 22);  // the maximized window's menu bar
    const QRect area(0, 42, 1280, 820);
    // Over the bar: down below it, same left edge; clear of it: left alone.
    EXPECT_EQ(paletteFramePositionClearOfMenuBar(QRect(18, 25, 60, 340), bar, area, screen),
              QPoint(18, 46));
    EXPECT_EQ(paletteFramePositionClearOfMenuBar(QRect(18, 60, 60, 340), bar, area, screen),
              QPoint(18, 60));
    // Kept on a short screen, even if that covers the bar again.
    EXPECT_EQ(paletteFramePositionClearOfMenuBar(QRect(18, 25, 60, 340), bar, area,
                                                 QRect(0, 0, 1280, 360)),
              QPoint(18, 20));
}

// --- Slider ---------------------------------------------------------------------

TEST(HSliderCtrl, ValuesAndPositionsMapAcrossTheTrack) {
    struct Case {
        int left, right, minimum, maximum, value, x;
    };
    // x = left + 2 + (value - min) * 40 / 255 for a 44 wide slider.
    const Case exact[] = {
        {0, 44, 0, 255, 0, 2},     {0, 44, 0, 255, 255, 42}, {10, 54, 0, 255, 0, 12},
        {10, 54, 0, 255, 255, 52}, {0, 24, 1, 11, 1, 2},     {0, 24, 1, 11, 11, 22},
        {0, 24, 1, 11, 6, 12},
    };
    for (const Case& c : exact) {
        EXPECT_EQ(sliderXForValue(c.left, c.right, c.minimum, c.maximum, c.value), c.x);
        EXPECT_EQ(sliderValueForX(c.left, c.right, c.minimum, c.maximum, c.x), c.value);
    }
    // Between the ends both directions truncate: 128 * 40 / 255 = 20.07 and
    // 255 * 20 / 40 = 127.5.
    EXPECT_EQ(sliderXForValue(0, 44, 0, 255, 128), 22);
    EXPECT_EQ(sliderValueForX(0, 44, 0, 255, 22), 127);
    EXPECT_EQ(sliderXForValue(0, 44, 0, 255, 100), 17);  // 15.69
    EXPECT_EQ(sliderValueForX(0, 44, 0, 255, 17), 95);   // 95.63
    // Beyond the track the value stays in range.
    EXPECT_EQ(sliderValueForX(0, 44, 0, 255, 0), 0);
    EXPECT_EQ(sliderValueForX(0, 44, 0, 255, 60), 255);
    // An empty range or track.
    EXPECT_EQ(sliderXForValue(0, 44, 5, 5, 5), 2);
    EXPECT_EQ(sliderValueForX(0, 4, 0, 255, 3), 0);
}

TEST(HSliderCtrl, ADragStepsAtMostEveryFiveMilliseconds) {
    CHSliderCtrl slider;
    slider.setRange(0, 255);
    slider.resize(44, 16);
    std::uint32_t now = 0xFFFFFFFEu;  // the pacing must survive the wrap
    slider.setTickSource([&] { return now; });
    slider.show();
    QSignalSpy changes(&slider, &CHSliderCtrl::valueChanged);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(2, 8));  // on the thumb at 0
    ASSERT_TRUE(slider.dragging());
    EXPECT_EQ(slider.value(), 0);
    now += 4;
    QTest::mouseMove(&slider, QPoint(22, 8));
    EXPECT_EQ(slider.value(), 0);
    now += 1;  // 5 ms after the press
    QTest::mouseMove(&slider, QPoint(22, 8));
    EXPECT_EQ(slider.value(), 127);
    now += 3;
    QTest::mouseMove(&slider, QPoint(32, 8));
    EXPECT_EQ(slider.value(), 127);
    // Letting go settles where the button came up.
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(32, 8));
    EXPECT_FALSE(slider.dragging());
    EXPECT_EQ(slider.value(), 191);  // 255 * 30 / 40 = 191.25
    EXPECT_EQ(changes.count(), 2);
}

TEST(HSliderCtrl, APressInTheTrackSetsTheValueAtOnce) {
    CHSliderCtrl slider;
    slider.setRange(0, 255);
    slider.resize(44, 16);
    slider.show();
    QSignalSpy changes(&slider, &CHSliderCtrl::valueChanged);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(42, 8));
    EXPECT_FALSE(slider.dragging());
    EXPECT_EQ(slider.value(), 255);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 255);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(42, 8));
    slider.setValue(255);  // no change, no notice
    EXPECT_EQ(changes.count(), 1);
}

// --- The palette ------------------------------------------------------------------

TEST(ToolPalette, AClickedToolBecomesCurrentAndSetsTheOptionControls) {
    PaletteRig rig;
    struct Case {
        int tool;
        bool options;
        bool antiAlias;
    };
    for (const Case& c : {Case{9, false, false}, Case{16, false, true}, Case{11, true, false},
                          Case{1, false, false}}) {
        rig.clickTool(c.tool);
        EXPECT_EQ(rig.tools.currentIndex(), c.tool);
        EXPECT_EQ(rig.palette->shownTool(), c.tool);
        EXPECT_EQ(rig.palette->optionsEnabled(), c.options) << c.tool;
        EXPECT_EQ(rig.palette->antiAliasEnabled(), c.antiAlias) << c.tool;
    }
    // Buttons are laid out in rows of two inside the palette.
    EXPECT_EQ(rig.palette->toolButtonRect(2).top(), rig.palette->toolButtonRect(1).top());
    EXPECT_GT(rig.palette->toolButtonRect(2).left(), rig.palette->toolButtonRect(1).left());
    EXPECT_GT(rig.palette->toolButtonRect(3).top(), rig.palette->toolButtonRect(1).top());
    EXPECT_TRUE(rig.palette->rect().contains(rig.palette->toolButtonRect(16)));
}

TEST(ToolPalette, AClickOnTheShownToolDoesNothing) {
    PaletteRig rig;
    rig.clickTool(11);
    // The tool changes elsewhere; until the palette refreshes, the brush is
    // still drawn down and a click on it must not choose it again.
    rig.tools.setCurrentIndex(3);
    rig.clickTool(11);
    EXPECT_EQ(rig.tools.currentIndex(), 3);
    rig.palette->refresh();
    EXPECT_EQ(rig.palette->shownTool(), 3);
    rig.clickTool(11);
    EXPECT_EQ(rig.tools.currentIndex(), 11);
}

TEST(ToolPalette, TheAntiAliasToggleFlipsOnlyWhenEnabled) {
    PaletteRig rig;
    bool& antiAlias = rig.globals.toolGlobals().antiAlias;
    antiAlias = false;
    const PaletteGeometry& g = rig.palette->layoutGeometry();
    rig.clickTool(9);  // pencil: disabled
    rig.click(g.antiAliasOn);
    rig.click(g.antiAliasOff);
    EXPECT_FALSE(antiAlias);
    rig.clickTool(16);  // text: enabled; either half flips
    rig.click(g.antiAliasOn);
    EXPECT_TRUE(antiAlias);
    rig.click(g.antiAliasOn);
    EXPECT_FALSE(antiAlias);
    rig.click(g.antiAliasOff);
    EXPECT_TRUE(antiAlias);
}

TEST(ToolPalette, TheOptionsButtonOpensBrushOptionsAndStaysPressedMeanwhile) {
    PaletteRig rig;
    const QRect options = rig.palette->layoutGeometry().optionsButton;
    rig.clickTool(9);  // disabled: nothing opens
    EXPECT_FALSE(test::withModal([](QWidget*) {}, [&] { rig.click(options); }, 200));
    EXPECT_FALSE(rig.palette->optionsPressed());
    rig.clickTool(11);
    bool pressedWhileOpen = false;
    bool brushOptions = false;
    EXPECT_TRUE(test::withModal(
        [&](QWidget* modal) {
            pressedWhileOpen = rig.palette->optionsPressed();
            brushOptions = qobject_cast<CBrushOptionsDlogHandler*>(modal) != nullptr;
            qobject_cast<QDialog*>(modal)->reject();
        },
        [&] { rig.click(options); }));
    EXPECT_TRUE(pressedWhileOpen);
    EXPECT_TRUE(brushOptions);
    EXPECT_FALSE(rig.palette->optionsPressed());
}

TEST(ToolPalette, TheSliderWritesTheGlobalOpacity) {
    PaletteRig rig;
    CHSliderCtrl* slider = rig.palette->opacitySlider();
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 255);
    EXPECT_EQ(slider->value(), rig.globals.opacity());
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(2, 8));
    EXPECT_EQ(rig.globals.opacity(), 0);
    rig.globals.setOpacity(12);
    rig.palette->refresh();
    EXPECT_EQ(slider->value(), 12);
}

TEST(ToolPalette, LetterKeysChooseToolsAndColours) {
    PaletteRig rig;
    QMainWindow window;
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    rig.palette->installShortcuts(area);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    area->setFocus();
    QTest::keyClick(area, Qt::Key_B);
    EXPECT_EQ(rig.tools.currentIndex(), ToolBox::kBrush);
    EXPECT_EQ(rig.palette->shownTool(), ToolBox::kBrush);
    QTest::keyClick(area, Qt::Key_T);
    EXPECT_EQ(rig.tools.currentIndex(), ToolBox::kText);
    QTest::keyClick(area, Qt::Key_B, Qt::ControlModifier);  // a modifier: not a tool key
    EXPECT_EQ(rig.tools.currentIndex(), ToolBox::kText);
    rig.globals.setForeground(0x0000FF);
    rig.globals.setBackground(0x00FF00);
    QTest::keyClick(area, Qt::Key_X);
    EXPECT_EQ(rig.globals.foreground(), 0x00FF00u);
    EXPECT_EQ(rig.globals.background(), 0x0000FFu);
    QTest::keyClick(area, Qt::Key_D);
    EXPECT_EQ(rig.globals.foreground(), 0x000000u);
    EXPECT_EQ(rig.globals.background(), 0xFFFFFFu);
}

TEST(ToolPalette, RegistersTheColourRefreshWhileItLives) {
    test::TempDir folder;
    ZERozevuv globals(folder.path());
    ShellContext context;
    context.globals = &globals;
    {
        CToolPalette palette(context, nullptr);
        ASSERT_TRUE(static_cast<bool>(context.coloursChanged));
        globals.toolGlobals().backgroundActive = true;
        context.coloursChanged();
        EXPECT_TRUE(palette.swatch()->backgroundActive());
        // Without a tool box no tool is shown or chosen.
        palette.selectTool(3);
        EXPECT_EQ(palette.shownTool(), 0);
    }
    EXPECT_FALSE(static_cast<bool>(context.coloursChanged));
}

// --- Swatches ------------------------------------------------------------------------

TEST(ColorSwatch, ClicksActivateThenAskTheChooser) {
    test::TempDir folder;
    ZERozevuv globals(folder.path());
    globals.setForeground(0x000000);
    globals.setBackground(0xFFFFFF);
    CColorSwatch swatch(globals);
    int asked = 0;
    std::uint32_t offeredInitial = 0;
    bool confirm = false;
    swatch.setColourChooser([&](QWidget*, std::uint32_t initial, std::uint32_t& chosen) {
        ++asked;
        offeredInitial = initial;
        if (confirm) chosen = 0x123456;
        return confirm;
    });
    swatch.resize(52, 52);
    swatch.show();
    const QPoint background(5, 5);
    const QPoint foreground(45, 45);
    ASSERT_FALSE(swatch.backgroundActive());

    QTest::mouseClick(&swatch, Qt::LeftButton, {}, background);  // inactive: only activates
    EXPECT_TRUE(globals.toolGlobals().backgroundActive);
    EXPECT_EQ(asked, 0);
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, background);  // active: the chooser, cancelled
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(offeredInitial, 0xFFFFFFu);
    EXPECT_EQ(globals.background(), 0xFFFFFFu);
    confirm = true;
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, background);
    EXPECT_EQ(globals.background(), 0x123456u);
    EXPECT_EQ(globals.foreground(), 0x000000u);

    QTest::mouseClick(&swatch, Qt::LeftButton, {}, foreground);
    EXPECT_FALSE(globals.toolGlobals().backgroundActive);
    EXPECT_EQ(asked, 2);
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, foreground);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(offeredInitial, 0x000000u);
    EXPECT_EQ(globals.foreground(), 0x123456u);
}

// --- Placement in the editor ------------------------------------------------------------

TEST(ToolPalette, FirstShownBesideTheMenuBarAndOnTheScreen) {
    CMainFrame::forgetWindowGeometry();
    test::EditorRig rig;
    CMainFrame* frame = rig.app().mainFrame();
    CToolPalette* palette = frame->toolPalette();
    ASSERT_NE(palette, nullptr);
    test::settle();
    const QRect menuBar(frame->menuBar()->mapToGlobal(QPoint(0, 0)), frame->menuBar()->size());
    const QRect paletteFrame = palette->frameGeometry();
    EXPECT_FALSE(paletteFrame.intersects(menuBar)) << paletteFrame.x() << "," << paletteFrame.y();
    EXPECT_TRUE(palette->screen()->availableGeometry().contains(paletteFrame));
    // Its natural width: two columns of buttons.
    EXPECT_LT(palette->width(), 2 * palette->toolButtonRect(1).width() + 16);
}

TEST(ToolPalette, WindowGeometryRoundTripsThroughTheSettings) {
    test::TempDir folder;
    QSettings settings(QString::fromStdString((folder / "geometry.ini").string()),
                       QSettings::IniFormat);
    test::EditorRig rig;
    CMainFrame* frame = rig.app().mainFrame();
    CToolPalette* palette = frame->toolPalette();
    frame->setGeometry(QRect(200, 150, 640, 480));
    palette->move(30, 160);
    test::settle();
    const QRect frameBefore = frame->geometry();
    const QPoint paletteBefore = palette->pos();
    frame->saveWindowGeometry(settings);
    frame->setGeometry(QRect(10, 20, 500, 400));
    palette->move(400, 300);
    test::settle();
    ASSERT_TRUE(frame->restoreWindowGeometry(settings));
    test::settle();
    EXPECT_EQ(frame->geometry(), frameBefore);
    EXPECT_EQ(palette->pos(), paletteBefore);
    // Nothing saved: nothing restored.
    QSettings empty(QString::fromStdString((folder / "empty.ini").string()), QSettings::IniFormat);
    EXPECT_FALSE(frame->restoreWindowGeometry(empty));
}

// --- Artwork ----------------------------------------------------------------------------

// Saves `image` under the test build's screenshot folder for people to look at.
bool saveScreenshot(const QImage& image, const QString& name) {
    const QString folder = QStringLiteral(TESSARY_SCREENSHOT_DIR);
    return QDir().mkpath(folder) && image.save(folder + u'/' + name);
}

TEST(PaletteArtwork, EveryToolHasItsOwnPictureAtBothScales) {
    for (const qreal ratio : {1.0, 2.0}) {
        std::vector<QImage> ups;
        for (int tool = 1; tool <= palette::kToolCount; ++tool) {
            const QString name = QLatin1String(palette::toolBitmapName(tool));
            const QImage up = paletteBitmap(name + u'U', ratio).toImage();
            const QImage down = paletteBitmap(name + u'D', ratio).toImage();
            ASSERT_EQ(up.size(), kToolImageSize * ratio) << tool;
            ASSERT_EQ(down.size(), kToolImageSize * ratio) << tool;
            EXPECT_NE(up, down) << tool;
            for (const QImage& earlier : ups) EXPECT_NE(up, earlier) << tool;
            ups.push_back(up);
        }
    }
    EXPECT_TRUE(paletteBitmap(QStringLiteral("BRUSHX"), 1).isNull());
    EXPECT_TRUE(paletteBitmap(QStringLiteral("NOTATOOLU"), 1).isNull());
}

TEST(PaletteArtwork, ScreenshotsOfThePalette) {
    PaletteRig rig;
    rig.clickTool(ToolBox::kBrush);
    rig.globals.setForeground(0x2050C0);
    rig.palette->refresh();
    for (const int ratio : {1, 2}) {
        QPixmap shot(rig.palette->size() * ratio);
        shot.setDevicePixelRatio(ratio);
        rig.palette->render(&shot);
        const QImage image = shot.toImage();
        EXPECT_EQ(image.size(), rig.palette->size() * ratio);
        EXPECT_TRUE(saveScreenshot(image, QStringLiteral("tool_palette_x%1.png").arg(ratio)));
    }
}

}  // namespace
}  // namespace tessary
