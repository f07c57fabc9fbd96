// The Selection, Line and Text Options dialogs driven through their
// controls, and the palette's options button, on the offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/tool_globals.h"
#include "app/zerozevuv.h"
#include "shell/chrome/tool_options_table.h"
#include "shell/dialogs/line_options_dlog.h"
#include "shell/dialogs/selection_options_dlog.h"
#include "shell/dialogs/text_options_dlog.h"
#include "support/temp_dir.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/selection/selection_tool.h"
#include "tools/tool_box.h"

using namespace tessary;

namespace {

// The picture of a dialog for reviewers, next to the test log.
void saveScreenshot(QWidget& dialog, const QString& name) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QDir().mkpath(QStringLiteral("screenshots"));
    QVERIFY(dialog.grab().save(QStringLiteral("screenshots/%1.png").arg(name)));
}

void click(OurDlogHandlerBase& dialog, int id) {
    auto* button = dialog.controlAs<QAbstractButton>(id);
    QVERIFY(button != nullptr);
    // A user clicks a laid-out, visible dialog.
    if (!dialog.isVisible()) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    // Check boxes and radio buttons take clicks on their indicator and
    // caption only, which the centre of a wide box misses.
    const QPoint at = qobject_cast<QPushButton*>(button) != nullptr
                          ? button->rect().center()
                          : QPoint(8, button->height() / 2);
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

struct Tools {
    ToolGlobals globals;
    ToolBox box{globals};

    explicit Tools(int current) { box.setCurrentIndex(current); }
    LineTool& line() { return *dynamic_cast<LineTool*>(box.tool(ToolBox::kLine)); }
    SelectionTool& selection() {
        return *dynamic_cast<SelectionTool*>(box.tool(ToolBox::kSelection));
    }
    TextTool& text() { return *dynamic_cast<TextTool*>(box.tool(ToolBox::kText)); }
};

}  // namespace

class ToolOptionsDlogTest : public QObject {
    Q_OBJECT
private slots:
    void lineOptionsShowsTheWidth_data();
    void lineOptionsShowsTheWidth();
    void lineOptionsSetWritesOnlyTheCurrentLineTool();

    void selectionOptionsFramesTheChosenShape();
    void selectionOptionsSetAndCancel();

    void textOptionsOpensWithTheToolsValues();
    void textOptionsStyleRules();
    void textOptionsSizeBox();
    void textOptionsSetWritesTheTool();
    void textOptionsCancelLeavesTheTool();

    void paletteOptionsButtonOpensTheToolsDialog();
};

// --- Line Options ---------------------------------------------------------

void ToolOptionsDlogTest::lineOptionsShowsTheWidth_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("toolWidth");
    QTest::addColumn<int>("shown");
    QTest::newRow("line tool, 7") << int{ToolBox::kLine} << 7 << 7;
    QTest::newRow("line tool, 32") << int{ToolBox::kLine} << 32 << 32;
    QTest::newRow("line tool, 1") << int{ToolBox::kLine} << 1 << 1;
    QTest::newRow("other tool") << int{ToolBox::kBrush} << 9 << 1;
}

void ToolOptionsDlogTest::lineOptionsShowsTheWidth() {
    QFETCH(int, current);
    QFETCH(int, toolWidth);
    QFETCH(int, shown);
    Tools tools(current);
    tools.line().setLineWidth(toolWidth);
    CLineOptionsDlog dialog(tools.box);
    auto* bar = dialog.controlAs<QSlider>(CLineOptionsDlog::kIdWidthBar);
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 32);
    QCOMPARE(bar->tickInterval(), 1);
    QCOMPARE(bar->value(), shown);
    QCOMPARE(dialog.getString(CLineOptionsDlog::kIdWidthText), QString::number(shown));
    QCOMPARE(dialog.control(CLineOptionsDlog::kIdHorizontalSample)->size(), QSize(96, shown));
    QCOMPARE(dialog.control(CLineOptionsDlog::kIdVerticalSample)->size(), QSize(shown, 64));

    // Moving the bar resizes both samples and the number.
    for (int width : {32, 5}) {
        bar->setValue(width);
        QCOMPARE(dialog.width(), width);
        QCOMPARE(dialog.control(CLineOptionsDlog::kIdHorizontalSample)->size(), QSize(96, width));
        QCOMPARE(dialog.control(CLineOptionsDlog::kIdVerticalSample)->size(), QSize(width, 64));
        QCOMPARE(dialog.getString(CLineOptionsDlog::kIdWidthText), QString::number(width));
    }
    if (current == ToolBox::kLine && toolWidth == 32) {
        bar->setValue(32);
        saveScreenshot(dialog, QStringLiteral("line-options"));
    }
}

void ToolOptionsDlogTest::lineOptionsSetWritesOnlyTheCurrentLineTool() {
    struct Case {
        int current;
        bool set;
        int expected;
    };
    for (const Case& c : {Case{ToolBox::kLine, true, 20}, Case{ToolBox::kLine, false, 4},
                          Case{ToolBox::kSelection, true, 4}}) {
        Tools tools(c.current);
        tools.line().setLineWidth(4);
        CLineOptionsDlog dialog(tools.box);
        dialog.controlAs<QSlider>(CLineOptionsDlog::kIdWidthBar)->setValue(20);
        click(dialog, c.set ? OurDlogHandlerBase::kIdOk : OurDlogHandlerBase::kIdCancel);
        QCOMPARE(dialog.result(), c.set ? int{QDialog::Accepted} : int{QDialog::Rejected});
        QCOMPARE(tools.line().lineWidth(), c.expected);
    }
}

// --- Selection Options ------------------------------------------------------

void ToolOptionsDlogTest::selectionOptionsFramesTheChosenShape() {
    Tools tools(ToolBox::kSelection);
    tools.selection().setShape(SelectionTool::kEllipse);
    CSelectionOptionsDlog dialog(tools.box);
    QCOMPARE(dialog.shape(), SelectionTool::kEllipse);

    auto* rectangle =
        dialog.controlAs<CSelectionShapeImage>(CSelectionOptionsDlog::kIdRectangleImage);
    auto* oval = dialog.controlAs<CSelectionShapeImage>(CSelectionOptionsDlog::kIdOvalImage);
    // The frame is the ring one pixel outside the picture: black around the
    // chosen one, white around the other.
    const auto frameColour = [](CSelectionShapeImage* image) {
        const QImage shot = image->grab().toImage();
        const QRect inner = image->imageRect();
        const QColor corner = shot.pixelColor(inner.left() - 1, inner.top() - 1);
        const QColor bottom = shot.pixelColor(inner.center().x(), inner.bottom() + 1);
        return corner == bottom ? corner : QColor(Qt::red);
    };
    QCOMPARE(frameColour(oval), QColor(Qt::black));
    QCOMPARE(frameColour(rectangle), QColor(Qt::white));

    // A press on the frame is outside the picture and chooses nothing.
    QTest::mouseClick(rectangle, Qt::LeftButton, {}, QPoint(0, 5));
    QCOMPARE(dialog.shape(), SelectionTool::kEllipse);
    QTest::mouseClick(rectangle, Qt::LeftButton, {}, rectangle->imageRect().center());
    QCOMPARE(dialog.shape(), SelectionTool::kRectangle);
    QCOMPARE(frameColour(rectangle), QColor(Qt::black));
    QCOMPARE(frameColour(oval), QColor(Qt::white));
    // Only the left button chooses.
    QTest::mouseClick(oval, Qt::RightButton, {}, oval->imageRect().center());
    QCOMPARE(dialog.shape(), SelectionTool::kRectangle);
    saveScreenshot(dialog, QStringLiteral("selection-options"));
}

void ToolOptionsDlogTest::selectionOptionsSetAndCancel() {
    struct Case {
        int current;
        bool set;
        int expected;
    };
    for (const Case& c : {Case{ToolBox::kSelection, false, SelectionTool::kRectangle},
                          Case{ToolBox::kSelection, true, SelectionTool::kEllipse},
                          Case{ToolBox::kLasso, true, SelectionTool::kRectangle}}) {
        Tools tools(c.current);
        CSelectionOptionsDlog dialog(tools.box);
        QCOMPARE(dialog.shape(), SelectionTool::kRectangle);
        auto* oval = dialog.controlAs<CSelectionShapeImage>(CSelectionOptionsDlog::kIdOvalImage);
        QTest::mouseClick(oval, Qt::LeftButton, {}, oval->imageRect().center());
        QCOMPARE(dialog.shape(), SelectionTool::kEllipse);
        click(dialog, c.set ? OurDlogHandlerBase::kIdOk : OurDlogHandlerBase::kIdCancel);
        QCOMPARE(tools.selection().shape(), c.expected);
    }
}

// --- Text Options -------------------------------------------------------------

void ToolOptionsDlogTest::textOptionsOpensWithTheToolsValues() {
    Tools tools(ToolBox::kText);
    TextTool& tool = tools.text();
    tool.setStyleFlags(TextTool::kBold | TextTool::kExpand);
    tool.setSize(20);
    tool.setAlignment(TextTool::kAlignCentre);
    tool.setTypeface("No Such Typeface Here");
    setTextOptionsSampleText(QStringLiteral("Shared sample"));
    CTextOptionsDlog dialog(tool);
    using D = CTextOptionsDlog;

    struct Box {
        int id;
        bool checked;
    };
    for (const Box& box :
         {Box{D::kIdPlain, false}, Box{D::kIdBold, true}, Box{D::kIdItalic, false},
          Box{D::kIdUnderline, false}, Box{D::kIdCondense, false}, Box{D::kIdExpand, true},
          Box{D::kIdAlignLeft, false}, Box{D::kIdAlignCenter, true}, Box{D::kIdAlignRight, false}})
        QVERIFY2(dialog.isChecked(box.id) == box.checked, qPrintable(QString::number(box.id)));
    QCOMPARE(dialog.description().weight, 700);
    QCOMPARE(dialog.description().width, 30);
    QCOMPARE(dialog.description().height, -20);

    // Every family of the system, the first one chosen for an unknown name.
    QCOMPARE(dialog.entryCount(D::kIdFont), int(QFontDatabase::families().size()));
    QVERIFY(dialog.entryCount(D::kIdFont) > 0);
    QCOMPARE(dialog.selectedIndex(D::kIdFont), 0);
    // The offered sizes; a size not among them is typed into the box.
    auto* sizes = dialog.controlAs<QComboBox>(D::kIdSize);
    QStringList offered;
    for (int i = 0; i < sizes->count(); ++i) offered << sizes->itemText(i);
    QCOMPARE(offered, (QStringList{"6", "9", "10", "12", "14", "18", "24", "36"}));
    QCOMPARE(dialog.getString(D::kIdSize), QStringLiteral("20"));

    // The shared text, all selected, with the focus, in the chosen font.
    auto* sample = dialog.controlAs<QPlainTextEdit>(D::kIdSample);
    QCOMPARE(sample->toPlainText(), QStringLiteral("Shared sample"));
    QCOMPARE(sample->textCursor().selectedText(), QStringLiteral("Shared sample"));
    QVERIFY(sample->font().bold());
    QCOMPARE(sample->font().pointSize(), 20);
    QCOMPARE(sample->font().family(), dialog.getString(D::kIdFont));
    QCOMPARE(sample->document()->defaultTextOption().alignment(), Qt::Alignment(Qt::AlignHCenter));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(dialog.hasFocus(D::kIdSample));

    // A tool with no style opens with only Plain; with the family known it
    // is chosen.
    const QString family = QFontDatabase::families().last();
    tool.setStyleFlags(0);
    tool.setTypeface(family.toStdString());
    tool.setSize(12);
    CTextOptionsDlog plain(tool);
    QVERIFY(plain.isChecked(D::kIdPlain));
    QVERIFY(!plain.isChecked(D::kIdBold));
    QCOMPARE(plain.description().weight, 400);
    if (family.size() <= 31) QCOMPARE(plain.getString(D::kIdFont), family);
    QCOMPARE(plain.getString(D::kIdSize), QStringLiteral("12"));
    QCOMPARE(plain.selectedIndex(D::kIdSize), 3);
    setTextOptionsSampleText(QString());
}

void ToolOptionsDlogTest::textOptionsStyleRules() {
    using D = CTextOptionsDlog;
    Tools tools(ToolBox::kText);
    CTextOptionsDlog dialog(tools.text());
    const auto checkedBoxes = [&dialog] {
        QList<int> ids;
        for (int id :
             {D::kIdPlain, D::kIdBold, D::kIdItalic, D::kIdUnderline, D::kIdCondense, D::kIdExpand})
            if (dialog.isChecked(id)) ids << id;
        return ids;
    };
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdPlain});

    // Bold on and off again leaves only Plain, at the normal weight.
    click(dialog, D::kIdBold);
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdBold});
    QCOMPARE(dialog.description().weight, 700);
    QVERIFY(dialog.controlAs<QPlainTextEdit>(D::kIdSample)->font().bold());
    click(dialog, D::kIdBold);
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdPlain});
    QCOMPARE(dialog.description().weight, 400);
    QCOMPARE(dialog.styleFlags(), 0);

    // Width: condense 5, expand 30, both or neither 0.
    struct WidthCase {
        int clickId;
        int width;
    };
    for (const WidthCase& c : {WidthCase{D::kIdCondense, 5}, WidthCase{D::kIdExpand, 0},
                               WidthCase{D::kIdCondense, 30}, WidthCase{D::kIdExpand, 0}}) {
        click(dialog, c.clickId);
        QCOMPARE(dialog.description().width, c.width);
    }
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdPlain});

    // Plain cannot be unchecked by a click; checking it clears the styles.
    click(dialog, D::kIdPlain);
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdPlain});
    for (int id : {D::kIdItalic, D::kIdUnderline, D::kIdExpand}) click(dialog, id);
    QCOMPARE(dialog.styleFlags(), TextTool::kItalic | TextTool::kUnderline | TextTool::kExpand);
    QVERIFY(dialog.description().italic && dialog.description().underline);
    QVERIFY(!dialog.isChecked(D::kIdPlain));
    click(dialog, D::kIdPlain);
    QCOMPARE(checkedBoxes(), QList<int>{D::kIdPlain});
    QVERIFY(!dialog.description().italic && !dialog.description().underline);
    QCOMPARE(dialog.description().width, 0);
    QVERIFY(!dialog.controlAs<QPlainTextEdit>(D::kIdSample)->font().italic());
}

void ToolOptionsDlogTest::textOptionsSizeBox() {
    using D = CTextOptionsDlog;
    struct Case {
        const char* typed;
        const char* shown;
        int size;
    };
    // Two characters at most; text without a number keeps the last size.
    for (const Case& c :
         {Case{"72", "72", 72}, Case{"123", "12", 12}, Case{"8", "8", 8}, Case{"ab", "ab", 12}}) {
        Tools tools(ToolBox::kText);
        CTextOptionsDlog dialog(tools.text());
        QLineEdit* edit = dialog.controlAs<QComboBox>(D::kIdSize)->lineEdit();
        QCOMPARE(edit->maxLength(), 2);
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        QCOMPARE(dialog.getString(D::kIdSize), QString::fromLatin1(c.shown));
        QCOMPARE(dialog.description().height, -c.size);
        click(dialog, OurDlogHandlerBase::kIdOk);
        QCOMPARE(tools.text().size(), c.size);
    }
}

void ToolOptionsDlogTest::textOptionsSetWritesTheTool() {
    using D = CTextOptionsDlog;
    Tools tools(ToolBox::kText);
    CTextOptionsDlog dialog(tools.text());
    const int fontIndex = dialog.entryCount(D::kIdFont) - 1;
    dialog.controlAs<QComboBox>(D::kIdFont)->setCurrentIndex(fontIndex);
    const QString family = dialog.getString(D::kIdFont);
    QCOMPARE(dialog.description().faceName, family);
    dialog.controlAs<QComboBox>(D::kIdSize)->setCurrentIndex(5);  // "18"
    click(dialog, D::kIdItalic);
    click(dialog, D::kIdUnderline);
    click(dialog, D::kIdAlignRight);
    QCOMPARE(
        dialog.controlAs<QPlainTextEdit>(D::kIdSample)->document()->defaultTextOption().alignment(),
        Qt::Alignment(Qt::AlignRight));
    auto* sample = dialog.controlAs<QPlainTextEdit>(D::kIdSample);
    sample->setPlainText(QStringLiteral("Hi\nthere\n\nend"));
    // The sample keeps at most 255 characters.
    sample->moveCursor(QTextCursor::End);
    QTest::keyClicks(sample, QString(300, QLatin1Char('x')));
    QCOMPARE(sample->toPlainText().size(), 255);
    sample->setPlainText(QStringLiteral("Hi\nthere\n\nend"));
    saveScreenshot(dialog, QStringLiteral("text-options"));
    click(dialog, OurDlogHandlerBase::kIdOk);

    const TextTool& tool = tools.text();
    QCOMPARE(tool.styleFlags(), TextTool::kItalic | TextTool::kUnderline);
    QCOMPARE(tool.size(), 18);
    QCOMPARE(QString::fromStdString(tool.typeface()), family.left(31));
    QCOMPARE(tool.alignment(), TextTool::kAlignRight);
    QCOMPARE(tool.text(), std::string("Hi\nthere\n\nend"));
    QCOMPARE(dialog.lineStarts(), (std::vector<int>{0, 3, 9, 10}));
    // The next run starts with this text.
    QCOMPARE(textOptionsSampleText(), QStringLiteral("Hi\nthere\n\nend"));
    CTextOptionsDlog next(tools.text());
    QCOMPARE(next.sampleText(), QStringLiteral("Hi\nthere\n\nend"));
    QVERIFY(next.isChecked(D::kIdAlignRight));
    setTextOptionsSampleText(QString());
}

void ToolOptionsDlogTest::textOptionsCancelLeavesTheTool() {
    using D = CTextOptionsDlog;
    Tools tools(ToolBox::kText);
    tools.text().setText("before");
    setTextOptionsSampleText(QStringLiteral("before"));
    CTextOptionsDlog dialog(tools.text());
    click(dialog, D::kIdBold);
    click(dialog, D::kIdAlignCenter);
    dialog.controlAs<QComboBox>(D::kIdSize)->setCurrentIndex(0);
    dialog.controlAs<QPlainTextEdit>(D::kIdSample)->setPlainText(QStringLiteral("after"));
    click(dialog, OurDlogHandlerBase::kIdCancel);
    QCOMPARE(tools.text().styleFlags(), 0);
    QCOMPARE(tools.text().size(), 12);
    QCOMPARE(tools.text().alignment(), TextTool::kAlignLeft);
    QCOMPARE(tools.text().text(), std::string("before"));
    QCOMPARE(textOptionsSampleText(), QStringLiteral("before"));
    setTextOptionsSampleText(QString());
}

// --- Palette ------------------------------------------------------------------

void ToolOptionsDlogTest::paletteOptionsButtonOpensTheToolsDialog() {
    // The rectangle selection, brush and line tools have a dialog; the
    // others only flash the button.
    for (int index = 0; index <= ToolBox::kToolCount; ++index) {
        const ToolOptionsRunner run = toolOptionsRunnerFor(index);
        if (index == ToolBox::kSelection)
            QVERIFY(run == &runSelectionOptionsDlog);
        else if (index == ToolBox::kLine)
            QVERIFY(run == &runLineOptionsDlog);
        else if (index == ToolBox::kBrush)
            QVERIFY(run != nullptr);
        else
            QVERIFY2(run == nullptr, qPrintable(QString::number(index)));
    }
}

QTEST_MAIN(ToolOptionsDlogTest)
#include "tool_options_dlog_test.moc"
