#include "shell/dialogs/line_options_dlog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "tools/edit/line_tool.h"
#include "tools/tool_box.h"

namespace tessary {

namespace {

// A black bar whose size is the sample's size.
QWidget* makeSample(QWidget* parent) {
    auto* sample = new QWidget(parent);
    sample->setAutoFillBackground(true);
    QPalette colours = sample->palette();
    colours.setColor(QPalette::Window, Qt::black);
    sample->setPalette(colours);
    return sample;
}

LineTool* currentLineTool(ToolBox& tools) {
    if (tools.currentIndex() != ToolBox::kLine) return nullptr;
    return dynamic_cast<LineTool*>(tools.currentTool());
}

// Room around the samples inside their area.
constexpr int kMargin = 8;

}  // namespace

CLineOptionsDlog::CLineOptionsDlog(ToolBox& tools, QWidget* parent)
    : OurDlogHandlerBase(parent), m_tools(tools) {
    setWindowTitle(QStringLiteral("Line Options"));

    auto* group = new QGroupBox(QStringLiteral("Line Width"), this);
    auto* bar = new QSlider(Qt::Horizontal, this);
    bar->setRange(LineTool::kMinWidth, LineTool::kMaxWidth);
    bar->setTickInterval(1);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setPageStep(4);
    auto* number = new QLabel(this);
    number->setMinimumWidth(number->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // The samples sit at fixed places in an area big enough for the widest
    // one, so resizing them does not move the other controls.
    auto* area = new QWidget(this);
    const int largest = LineTool::kMaxWidth;
    area->setFixedSize(kHorizontalSampleLength + largest + 3 * kMargin,
                       std::max(kVerticalSampleLength, largest) + 2 * kMargin);
    QWidget* horizontal = makeSample(area);
    QWidget* vertical = makeSample(area);
    horizontal->move(kMargin, kMargin);
    vertical->move(kHorizontalSampleLength + 2 * kMargin, kMargin);

    registerControl(kIdWidthBar, bar);
    registerControl(kIdHorizontalSample, horizontal);
    registerControl(kIdVerticalSample, vertical);
    registerControl(kIdWidthText, number);

    auto* barRow = new QHBoxLayout;
    barRow->addWidget(bar, 1);
    barRow->addWidget(number);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(barRow);
    groupLayout->addWidget(area, 0, Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(makeButtons(QStringLiteral("Set"), QStringLiteral("Cancel")));

    const LineTool* line = currentLineTool(m_tools);
    setWidth(line != nullptr ? line->lineWidth() : 1);
    connect(bar, &QSlider::valueChanged, this, &CLineOptionsDlog::setWidth);
}

void CLineOptionsDlog::setWidth(int width) {
    m_width = std::clamp(width, LineTool::kMinWidth, LineTool::kMaxWidth);
    setSliderValue(kIdWidthBar, m_width);
    control(kIdHorizontalSample)->setFixedSize(kHorizontalSampleLength, m_width);
    control(kIdVerticalSample)->setFixedSize(m_width, kVerticalSampleLength);
    setString(kIdWidthText, QString::number(m_width));
}

void CLineOptionsDlog::accept() {
    if (LineTool* line = currentLineTool(m_tools)) line->setLineWidth(m_width);
    OurDlogHandlerBase::accept();
}

bool runLineOptionsDlog(ToolBox& tools, QWidget* parent) {
    CLineOptionsDlog dialog(tools, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tessary
