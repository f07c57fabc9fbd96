#include "shell/dialogs/selection_options_dlog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "tools/selection/selection_tool.h"
#include "tools/tool_box.h"

namespace tessary {

namespace {

SelectionTool* currentSelectionTool(ToolBox& tools) {
    if (tools.currentIndex() != ToolBox::kSelection) return nullptr;
    return dynamic_cast<SelectionTool*>(tools.currentTool());
}

// The artwork's shape: a square area at the top of the picture, the caption
// in the strip below it.
constexpr int kShapeSide = 44;
constexpr int kShapeTop = 8;
constexpr int kCaptionHeight = 18;

}  // namespace

CSelectionShapeImage::CSelectionShapeImage(Artwork artwork, QWidget* parent)
    : QWidget(parent), m_artwork(artwork) {
    setFixedSize(kImageWidth + 2, kImageHeight + 2);
}

void CSelectionShapeImage::setSelected(bool selected) {
    if (m_selected == selected) return;
    m_selected = selected;
    update();
}

void CSelectionShapeImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect image = imageRect();
    // Frame: one pixel outside the picture on every side.
    painter.fillRect(rect(), m_selected ? Qt::black : Qt::white);
    painter.fillRect(image, Qt::white);

    QPen dashed(Qt::black);
    dashed.setWidth(1);
    dashed.setDashPattern({3, 2});
    painter.setPen(dashed);
    const QRect shape(image.left() + (kImageWidth - kShapeSide) / 2, image.top() + kShapeTop,
                      kShapeSide - 1, kShapeSide - 1);
    if (m_artwork == Artwork::Rectangle) {
        painter.drawRect(shape);
    } else {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawEllipse(shape);
    }

    painter.setPen(Qt::black);
    QFont caption = font();
    caption.setPixelSize(12);
    painter.setFont(caption);
    const QRect captionRect(image.left(), image.bottom() + 1 - kCaptionHeight, kImageWidth,
                            kCaptionHeight);
    painter.drawText(
        captionRect, Qt::AlignHCenter | Qt::AlignTop,
        m_artwork == Artwork::Rectangle ? QStringLiteral("Rectangle") : QStringLiteral("Oval"));
}

void CSelectionShapeImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && imageRect().contains(event->position().toPoint()))
        emit pressed();
    QWidget::mousePressEvent(event);
}

CSelectionOptionsDlog::CSelectionOptionsDlog(ToolBox& tools, QWidget* parent)
    : OurDlogHandlerBase(parent), m_tools(tools) {
    setWindowTitle(QStringLiteral("Selection Options"));

    auto* group = new QGroupBox(QStringLiteral("Shape"), this);
    auto* rectangle = new CSelectionShapeImage(CSelectionShapeImage::Artwork::Rectangle, this);
    auto* oval = new CSelectionShapeImage(CSelectionShapeImage::Artwork::Oval, this);
    registerControl(kIdRectangleImage, rectangle);
    registerControl(kIdOvalImage, oval);
    auto* row = new QHBoxLayout(group);
    row->addWidget(rectangle);
    row->addSpacing(12);
    row->addWidget(oval);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(makeButtons(QStringLiteral("Set"), QStringLiteral("Cancel")));

    const SelectionTool* tool = currentSelectionTool(m_tools);
    selectShape(tool != nullptr ? tool->shape() : SelectionTool::kRectangle);
    connect(rectangle, &CSelectionShapeImage::pressed, this,
            [this] { selectShape(SelectionTool::kRectangle); });
    connect(oval, &CSelectionShapeImage::pressed, this,
            [this] { selectShape(SelectionTool::kEllipse); });
}

void CSelectionOptionsDlog::selectShape(std::int32_t shape) {
    m_shape =
        shape == SelectionTool::kEllipse ? SelectionTool::kEllipse : SelectionTool::kRectangle;
    controlAs<CSelectionShapeImage>(kIdRectangleImage)
        ->setSelected(m_shape == SelectionTool::kRectangle);
    controlAs<CSelectionShapeImage>(kIdOvalImage)->setSelected(m_shape == SelectionTool::kEllipse);
}

void CSelectionOptionsDlog::accept() {
    if (SelectionTool* tool = currentSelectionTool(m_tools)) tool->setShape(m_shape);
    OurDlogHandlerBase::accept();
}

bool runSelectionOptionsDlog(ToolBox& tools, QWidget* parent) {
    CSelectionOptionsDlog dialog(tools, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tessary
