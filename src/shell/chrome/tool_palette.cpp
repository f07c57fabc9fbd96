#include "shell/chrome/tool_palette.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "app/zerozevuv.h"
#include "shell/chrome/color_swatch.h"

namespace tessary {

CToolPalette::CToolPalette(ZERozevuv& globals, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_globals(globals) {
    setWindowTitle(QStringLiteral("Tools"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(new QLabel(QStringLiteral("Opacity"), this), 0, Qt::AlignHCenter);
    m_opacity = new QSlider(Qt::Horizontal, this);
    m_opacity->setRange(0, 255);
    m_opacity->setObjectName(QStringLiteral("opacitySlider"));
    layout->addWidget(m_opacity);
    m_opacityValue = new QLabel(this);
    layout->addWidget(m_opacityValue, 0, Qt::AlignHCenter);
    m_swatch = new CColorSwatch(globals, this);
    m_swatch->setFixedSize(44, 44);
    layout->addWidget(m_swatch, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    refresh();
    connect(m_opacity, &QSlider::valueChanged, this, [this](int value) {
        m_globals.setOpacity(value);
        m_opacityValue->setText(QString::number(value));
    });
}

CToolPalette::~CToolPalette() = default;

void CToolPalette::refresh() {
    if (m_opacity->value() != m_globals.opacity()) {
        const QSignalBlocker quiet(m_opacity);
        m_opacity->setValue(m_globals.opacity());
    }
    const QString value = QString::number(m_globals.opacity());
    if (m_opacityValue->text() != value) m_opacityValue->setText(value);
    if (!m_shown || m_shownForeground != m_globals.foreground() ||
        m_shownBackground != m_globals.background()) {
        m_shown = true;
        m_shownForeground = m_globals.foreground();
        m_shownBackground = m_globals.background();
        m_swatch->update();
    }
}

}  // namespace tessary
