#include "shell/dialogs/brush_options_dlog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <algorithm>

#include "shell/dialogs/brush_shape_images.h"
#include "shell/dialogs/krv_bmp_btn.h"
#include "tools/paint/brush_shapes.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/tool_box.h"

namespace tessary {
namespace {

// Shape buttons stand in six columns of four: column g holds the group of
// buttons 4g + 1 ... 4g + 4, as the mapping groups them.
constexpr int kColumns = 6;
constexpr int kRows = 4;
constexpr QPoint kGridOrigin(18, 28);
constexpr int kColumnPitch = 35;
constexpr int kRowPitch = 31;

// The preview: the picture drawn pixel for pixel inside a one-pixel frame.
class BrushPreview : public QWidget {
public:
    explicit BrushPreview(const QImage& image, QWidget* parent) : QWidget(parent), m_image(image) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), m_image);
    }

private:
    const QImage& m_image;
};

}  // namespace

CBrushOptionsDlogHandler::CBrushOptionsDlogHandler(ToolBox& tools, QWidget* parent)
    : OurDlogHandlerBase(parent), m_tools(tools) {
    setWindowTitle(QStringLiteral("Brush Options"));

    auto* shapeGroup = new QGroupBox(QStringLiteral("Shape"), this);
    shapeGroup->setGeometry(8, 6, 232, 152);
    m_shapes = new QButtonGroup(this);
    m_shapes->setExclusive(true);
    for (int n = 1; n <= brush_shapes::kButtonCount; ++n) {
        auto* button = new CKrvBmpBtn(QStringLiteral("SHAPE%1").arg(n), this);
        button->setCheckable(true);
        button->setImage(brushShapeImage(n, kShapeImageSize, {kShapeImageBox, kShapeImageBox}));
        const int column = (n - 1) / kRows;
        const int row = (n - 1) % kRows;
        button->setGeometry(QRect(kGridOrigin + QPoint(column * kColumnPitch, row * kRowPitch),
                                  button->sizeHint()));
        button->setToolTip(QStringLiteral("SHAPE%1").arg(n));
        m_shapes->addButton(button, n);
        registerControl(kIdFirstShape + n - 1, button);
    }
    static_assert(kColumns * kRows == brush_shapes::kButtonCount);
    connect(m_shapes, &QButtonGroup::idClicked, this, [this] { updatePreview(); });

    auto* sizeGroup = new QGroupBox(QStringLiteral("Size"), this);
    sizeGroup->setGeometry(8, 162, 232, 54);
    auto* size = new QSlider(Qt::Horizontal, this);
    size->setRange(kMinimumSize, kMaximumSize);
    size->setPageStep(4);
    size->setTickPosition(QSlider::TicksBelow);
    size->setTickInterval(4);
    size->setGeometry(18, 182, 178, 26);
    registerControl(kIdSize, size);
    auto* number = new QLabel(this);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    number->setGeometry(200, 182, 28, 22);
    registerControl(kIdSizeNumber, number);
    connect(size, &QSlider::valueChanged, this, [this](int value) { sizeMoved(value); });

    auto* previewCaption = new QLabel(QStringLiteral("Preview"), this);
    previewCaption->setAlignment(Qt::AlignCenter);
    previewCaption->setGeometry(kPreviewRect.center().x() - 40, 12, 81, 18);
    auto* previewFrame = new QFrame(this);
    previewFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    previewFrame->setGeometry(kPreviewRect.adjusted(-1, -1, 1, 1));
    m_previewWidget = new BrushPreview(m_preview, this);
    m_previewWidget->setGeometry(kPreviewRect);

    QDialogButtonBox* buttons = makeButtons(QStringLiteral("Set"), QStringLiteral("Cancel"));
    buttons->setOrientation(Qt::Vertical);
    buttons->setGeometry(248, 130, 84, 80);
    setFixedSize(340, 224);

    // Opening: the tool's options, or the built-in brush when neither
    // painting tool with these options is current.
    BrushOptions options = BrushTool::kBuiltIn;
    readToolOptions(options);
    const int button = brush_shapes::buttonFor(options);
    // The keyboard starts on the pressed shape, or on the size when none is.
    if (button != 0) {
        m_shapes->button(button)->setChecked(true);
        m_shapes->button(button)->setFocus();
    } else {
        size->setFocus();
    }
    const int longer = std::max(options.width, options.height);
    setSliderValue(kIdSize, std::clamp(longer, kMinimumSize, kMaximumSize));
    setNumber(kIdSizeNumber, brushSize(), 0);
    updatePreview();
}

CBrushOptionsDlogHandler::~CBrushOptionsDlogHandler() = default;

int CBrushOptionsDlogHandler::pressedShape() const {
    return std::max(m_shapes->checkedId(), 0);
}

void CBrushOptionsDlogHandler::pressShape(int button) {
    if (QAbstractButton* shape = m_shapes->button(button)) shape->click();
}

int CBrushOptionsDlogHandler::brushSize() const {
    return controlAs<QSlider>(kIdSize)->value();
}

void CBrushOptionsDlogHandler::sizeMoved(int size) {
    setNumber(kIdSizeNumber, size, 0);
    updatePreview();
}

void CBrushOptionsDlogHandler::updatePreview() {
    const int shape = pressedShape() != 0 ? pressedShape() : 1;
    m_preview = brushShapeImage(shape, brushSize(), kPreviewRect.size());
    m_previewWidget->update();
}

bool CBrushOptionsDlogHandler::readToolOptions(BrushOptions& options) const {
    switch (m_tools.currentIndex()) {
        case ToolBox::kBrush:
            options = static_cast<const BrushTool*>(m_tools.currentTool())->options();
            return true;
        case ToolBox::kClone:
            options = static_cast<const CloneTool*>(m_tools.currentTool())->options();
            return true;
        default:
            return false;
    }
}

bool CBrushOptionsDlogHandler::writeToolOptions(const BrushOptions& options) {
    switch (m_tools.currentIndex()) {
        case ToolBox::kBrush:
            static_cast<BrushTool*>(m_tools.currentTool())->setOptions(options);
            return true;
        case ToolBox::kClone:
            static_cast<CloneTool*>(m_tools.currentTool())->setOptions(options);
            return true;
        default:
            return false;
    }
}

void CBrushOptionsDlogHandler::accept() {
    BrushOptions options;
    if (pressedShape() != 0 && readToolOptions(options) &&
        brush_shapes::applyButton(pressedShape(), brushSize(), options)) {
        writeToolOptions(options);
    }
    OurDlogHandlerBase::accept();
}

int runBrushOptionsDlog(ToolBox& tools, QWidget* parent) {
    CBrushOptionsDlogHandler dialog(tools, parent);
    return dialog.exec() == QDialog::Accepted ? OurDlogHandlerBase::kIdOk
                                              : OurDlogHandlerBase::kIdCancel;
}

}  // namespace tessary
