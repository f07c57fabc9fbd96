// Brush Options (dialog 149): opening from the tool's options, "Set" and
// "Cancel", the preview, and the options' way through the preference record.

#include "shell/dialogs/brush_options_dlog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QTest>

#include "app/qs_prefs.h"
#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "shell/dialogs/brush_shape_images.h"
#include "shell/dialogs/krv_bmp_btn.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/tool_box.h"

namespace tessary {
namespace {

struct BrushRig {
    ToolGlobals globals;
    ToolBox tools{globals};

    BrushTool& brush() { return *static_cast<BrushTool*>(tools.tool(ToolBox::kBrush)); }
    CloneTool& clone() { return *static_cast<CloneTool*>(tools.tool(ToolBox::kClone)); }
};

QSlider* sizeBar(const CBrushOptionsDlogHandler& dialog) {
    return dialog.controlAs<QSlider>(CBrushOptionsDlogHandler::kIdSize);
}

TEST(BrushOptionsDlog, OpensOnTheButtonOfTheToolsDab) {
    struct Case {
        BrushOptions options;
        int button;
        int size;
    };
    const Case cases[] = {
        {{10, 10, 2, 0, 4, 25, false}, 3, 10},  // soft bottom edge, square
        {{20, 3, 3, 0, 6, 25, false}, 18, 20},  // wide
        {{3, 20, 3, 0, 7, 25, false}, 22, 20},  // tall: the size is its height
        {{9, 9, 2, 1, 8, 25, false}, 5, 9},
        {{40, 40, 6, 4, 15, 25, false}, 14, 32},  // larger than the bar: at its end
        {{12, 12, 2, 2, 0, 25, false}, 0, 12},    // class 2 has no button
    };
    for (const Case& c : cases) {
        BrushRig rig;
        rig.brush().setOptions(c.options);
        rig.tools.setCurrentIndex(ToolBox::kBrush);
        CBrushOptionsDlogHandler dialog(rig.tools);
        EXPECT_EQ(dialog.pressedShape(), c.button) << c.button;
        EXPECT_EQ(dialog.brushSize(), c.size) << c.button;
        EXPECT_EQ(dialog.getString(CBrushOptionsDlogHandler::kIdSizeNumber),
                  QString::number(c.size));
        EXPECT_EQ(sizeBar(dialog)->minimum(), 1);
        EXPECT_EQ(sizeBar(dialog)->maximum(), 32);
        for (int n = 1; n <= 24; ++n) {
            auto* button =
                dialog.controlAs<CKrvBmpBtn>(CBrushOptionsDlogHandler::kIdFirstShape + n - 1);
            ASSERT_NE(button, nullptr) << n;
            EXPECT_EQ(button->text(), QStringLiteral("SHAPE%1").arg(n));
            EXPECT_EQ(button->isChecked(), n == c.button) << n;
        }
    }
}

TEST(BrushOptionsDlog, SetWritesThePressedShapeAtTheBarsSize) {
    BrushRig rig;
    rig.brush().setOptions({10, 10, 2, 0, 4, 40, true});
    rig.tools.setCurrentIndex(ToolBox::kBrush);
    CBrushOptionsDlogHandler dialog(rig.tools);
    dialog.show();
    QTest::mouseClick(dialog.control(CBrushOptionsDlogHandler::kIdFirstShape + 17), Qt::LeftButton);
    sizeBar(dialog)->setValue(20);
    EXPECT_EQ(dialog.pressedShape(), 18);
    EXPECT_EQ(dialog.getString(CBrushOptionsDlogHandler::kIdSizeNumber), QStringLiteral("20"));
    QTest::mouseClick(dialog.control(OurDlogHandlerBase::kIdOk), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    // 20 wide, 20 / 8 + 1 high and thick; spacing and flag carried through.
    EXPECT_EQ(rig.brush().options(), (BrushOptions{20, 3, 3, 0, 6, 40, true}));
}

TEST(BrushOptionsDlog, CancelLeavesTheTool) {
    BrushRig rig;
    const BrushOptions before{10, 10, 2, 0, 4, 40, true};
    rig.brush().setOptions(before);
    rig.tools.setCurrentIndex(ToolBox::kBrush);
    CBrushOptionsDlogHandler dialog(rig.tools);
    dialog.show();
    dialog.pressShape(10);
    sizeBar(dialog)->setValue(5);
    QTest::mouseClick(dialog.control(OurDlogHandlerBase::kIdCancel), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(rig.brush().options(), before);
}

TEST(BrushOptionsDlog, WorksOnTheCloneToolWhenItIsCurrent) {
    BrushRig rig;
    const BrushOptions brushBefore = rig.brush().options();
    rig.clone().setOptions({16, 16, 3, 3, 10, 25, false});  // SHAPE11
    rig.tools.setCurrentIndex(ToolBox::kClone);
    CBrushOptionsDlogHandler dialog(rig.tools);
    EXPECT_EQ(dialog.pressedShape(), 11);
    dialog.pressShape(2);
    sizeBar(dialog)->setValue(7);
    dialog.accept();
    EXPECT_EQ(rig.clone().options(), (BrushOptions{7, 7, 1, 0, 0, 25, false}));
    EXPECT_EQ(rig.brush().options(), brushBefore);
}

TEST(BrushOptionsDlog, NoButtonNoToolNoChange) {
    BrushRig rig;
    const BrushOptions odd{12, 12, 2, 2, 0, 25, false};  // matches no button
    rig.brush().setOptions(odd);
    rig.tools.setCurrentIndex(ToolBox::kBrush);
    {
        CBrushOptionsDlogHandler dialog(rig.tools);
        dialog.accept();
        EXPECT_EQ(rig.brush().options(), odd);
    }
    rig.tools.setCurrentIndex(ToolBox::kPencil);
    CBrushOptionsDlogHandler dialog(rig.tools);
    dialog.pressShape(4);
    dialog.accept();
    EXPECT_EQ(rig.brush().options(), odd);
}

// Counts the preview's pixels darker than mid grey and their bounding box.
struct Ink {
    int count = 0;
    QRect box;
};
Ink inkOf(const QImage& image) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) >= 128) continue;
            ++ink.count;
            ink.box = ink.box.united(QRect(x, y, 1, 1));
        }
    }
    return ink;
}

TEST(BrushOptionsDlog, ThePreviewShowsTheShapeAtTheSize) {
    BrushRig rig;
    rig.brush().setOptions({10, 10, 2, 0, 0, 25, false});  // SHAPE2: hard square
    rig.tools.setCurrentIndex(ToolBox::kBrush);
    CBrushOptionsDlogHandler dialog(rig.tools);
    EXPECT_EQ(dialog.previewImage().size(), QSize(32, 32));
    Ink ink = inkOf(dialog.previewImage());
    EXPECT_EQ(ink.count, 100);
    EXPECT_EQ(ink.box, QRect(11, 11, 10, 10));
    // SHAPE17, hard and wide: 24 x (24 / 8 + 1).
    dialog.pressShape(17);
    sizeBar(dialog)->setValue(24);
    ink = inkOf(dialog.previewImage());
    EXPECT_EQ(ink.box, QRect(4, 14, 24, 4));
    EXPECT_EQ(ink.count, 24 * 4);
    // SHAPE1, the hard round dab: inside its square, missing the corners.
    dialog.pressShape(1);
    ink = inkOf(dialog.previewImage());
    EXPECT_TRUE(QRect(4, 4, 24, 24).contains(ink.box));
    EXPECT_EQ(ink.box.width(), 24);
    EXPECT_LT(ink.count, 24 * 24);
    EXPECT_GT(ink.count, 24 * 24 * 2 / 3);  // a disc covers about pi / 4 of it
    // Without a matching button the preview shows SHAPE1.
    rig.brush().setOptions({6, 6, 1, 2, 0, 25, false});
    CBrushOptionsDlogHandler unmatched(rig.tools);
    EXPECT_EQ(unmatched.previewImage(), brushShapeImage(1, 6, QSize(32, 32)));
}

TEST(BrushOptionsDlog, ChosenOptionsSurviveThePreferenceRecord) {
    BrushRig rig;
    rig.brush().setOptions({10, 10, 5, 0, 0, 40, true});
    rig.tools.setCurrentIndex(ToolBox::kBrush);
    {
        CBrushOptionsDlogHandler dialog(rig.tools);
        dialog.pressShape(3);
        sizeBar(dialog)->setValue(14);
        dialog.accept();
    }
    ToolBoxPrefs stored;
    rig.tools.storeOptions(stored);
    QSPrefs record;
    stored.collect(record);
    ToolBoxPrefs read;
    read.distribute(QSPrefs::fromBytes(record.toBytes()));

    BrushRig next;
    next.tools.loadOptions(&read);
    const BrushOptions& loaded = next.brush().options();
    EXPECT_EQ(loaded.width, 14);
    EXPECT_EQ(loaded.height, 14);
    EXPECT_EQ(loaded.shapeClass, 0);
    EXPECT_EQ(loaded.profile, 4);
    EXPECT_EQ(loaded.spacingPercent, 40);
    EXPECT_TRUE(loaded.flag);
    next.tools.setCurrentIndex(ToolBox::kBrush);
    CBrushOptionsDlogHandler reopened(next.tools);
    EXPECT_EQ(reopened.pressedShape(), 3);
    EXPECT_EQ(reopened.brushSize(), 14);
}

}  // namespace
}  // namespace tessary
