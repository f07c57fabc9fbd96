#include "shell/chrome/tool_palette.h"

#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QToolTip>
#include <utility>

#include "app/zerozevuv.h"
#include "shell/app/shell_context.h"
#include "shell/chrome/color_swatch.h"
#include "shell/chrome/h_slider_ctrl.h"
#include "shell/chrome/palette_artwork.h"
#include "shell/chrome/tool_options_table.h"
#include "tools/tool_box.h"

namespace tessary {
namespace {

// How long the options button of a tool without a dialog stays pressed.
constexpr int kFlashMs = 150;

std::array<ToolButtonImages, palette::kToolCount> toolImageSizes() {
    std::array<ToolButtonImages, palette::kToolCount> sizes;
    sizes.fill({kToolImageSize, kToolImageSize});
    return sizes;
}

}  // namespace

CToolPalette::CToolPalette(ShellContext& context, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_context(context), m_geometry(layoutPalette(toolImageSizes())) {
    setWindowTitle(QStringLiteral("Tools"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(m_geometry.size);

    m_opacityLabel = new QLabel(QStringLiteral("Opacity"), this);
    QFont small = m_opacityLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_opacityLabel->setFont(small);
    m_opacityLabel->setAlignment(Qt::AlignCenter);
    m_opacityLabel->setGeometry(m_geometry.opacityLabel);

    m_opacity = new CHSliderCtrl(this);
    m_opacity->setObjectName(QStringLiteral("opacitySlider"));
    m_opacity->setRange(0, 255);
    m_opacity->setGeometry(m_geometry.opacitySlider);

    ZERozevuv& globals = *m_context.globals;
    m_swatch = new CColorSwatch(globals, this);
    m_swatch->setGeometry(m_geometry.swatch);
    m_swatch->setToolTip(QStringLiteral("Foreground and background colours (%1 exchanges, %2 "
                                        "resets to black and white)")
                             .arg(QLatin1Char(palette::kSwapColoursKey))
                             .arg(QLatin1Char(palette::kDefaultColoursKey)));

    connect(m_opacity, &CHSliderCtrl::valueChanged, this, [this](int value) {
        m_context.globals->setOpacity(value);
        m_opacity->setToolTip(QStringLiteral("Opacity: %1").arg(value));
    });
    m_context.coloursChanged = [this] { coloursChanged(); };
    installShortcuts(this);
    refresh();
}

CToolPalette::~CToolPalette() {
    m_context.coloursChanged = nullptr;
}

QRect CToolPalette::toolButtonRect(int tool) const {
    if (tool < 1 || tool > palette::kToolCount) return {};
    return m_geometry.tools.buttons[static_cast<std::size_t>(tool - 1)].up;
}

const QPixmap& CToolPalette::bitmap(int tool, bool down, qreal ratio) {
    if (ratio != m_bitmapRatio) {
        m_bitmaps.clear();
        m_bitmapRatio = ratio;
    }
    const QString name = QLatin1String(palette::toolBitmapName(tool)) + (down ? u'D' : u'U');
    auto found = m_bitmaps.find(name);
    if (found == m_bitmaps.end()) found = m_bitmaps.insert(name, paletteBitmap(name, ratio));
    return *found;
}

void CToolPalette::selectTool(int tool) {
    if (m_context.tools == nullptr || tool < 1 || tool > palette::kToolCount) return;
    m_context.tools->setCurrentIndex(tool);
    showTool(tool);
}

void CToolPalette::showTool(int tool) {
    if (tool == m_shownTool) return;
    if (m_shownTool != 0) update(toolButtonRect(m_shownTool));
    m_shownTool = tool;
    if (tool != 0) update(toolButtonRect(tool));
    const palette::OptionControls controls = palette::optionControlsFor(tool);
    if (controls != m_controls) {
        m_controls = controls;
        update(m_geometry.optionsButton);
        update(m_geometry.antiAliasOn.united(m_geometry.antiAliasOff));
    }
}

void CToolPalette::refresh() {
    if (m_context.globals == nullptr) return;
    ZERozevuv& globals = *m_context.globals;
    showTool(m_context.tools != nullptr ? m_context.tools->currentIndex() : 0);
    if (m_opacity->value() != globals.opacity() || m_opacity->toolTip().isEmpty()) {
        m_opacity->setValue(globals.opacity());
        m_opacity->setToolTip(QStringLiteral("Opacity: %1").arg(m_opacity->value()));
    }
    const bool antiAlias = globals.toolGlobals().antiAlias;
    if (antiAlias != m_shownAntiAlias) {
        m_shownAntiAlias = antiAlias;
        update(m_geometry.antiAliasOn.united(m_geometry.antiAliasOff));
    }
    if (m_shownForeground != globals.foreground() || m_shownBackground != globals.background() ||
        m_shownBackgroundActive != globals.toolGlobals().backgroundActive) {
        m_shownForeground = globals.foreground();
        m_shownBackground = globals.background();
        m_shownBackgroundActive = globals.toolGlobals().backgroundActive;
        m_swatch->update();
    }
}

void CToolPalette::coloursChanged() {
    refresh();
    m_swatch->repaint();
}

void CToolPalette::installShortcuts(QWidget* scope) {
    // Within the palette itself the keys work whenever it has the focus;
    // elsewhere only inside the given widget (the image windows).
    const Qt::ShortcutContext context =
        scope == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut;
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        auto* shortcut = new QShortcut(
            QKeySequence(QChar(palette::toolShortcutKey(tool))), scope, this,
            [this, tool] { selectTool(tool); }, context);
        shortcut->setObjectName(QStringLiteral("toolKey%1").arg(tool));
    }
    new QShortcut(
        QKeySequence(QChar(palette::kSwapColoursKey)), scope, this, [this] { swapColours(); },
        context);
    new QShortcut(
        QKeySequence(QChar(palette::kDefaultColoursKey)), scope, this, [this] { defaultColours(); },
        context);
}

void CToolPalette::swapColours() {
    ZERozevuv& globals = *m_context.globals;
    const std::uint32_t foreground = globals.foreground();
    globals.setForeground(globals.background());
    globals.setBackground(foreground);
    coloursChanged();
}

void CToolPalette::defaultColours() {
    m_context.globals->setForeground(0x000000);
    m_context.globals->setBackground(0xFFFFFF);
    coloursChanged();
}

void CToolPalette::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device really painted on (the backing store, or the pixmap of a
    // grab or render, which may have another ratio than the screen).
    const QPaintDevice* target =
        painter.paintEngine() != nullptr ? painter.paintEngine()->paintDevice() : this;
    const qreal ratio = target->devicePixelRatioF();
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        const bool down = tool == m_shownTool;
        const ToolButtonPlace& place = m_geometry.tools.buttons[static_cast<std::size_t>(tool - 1)];
        painter.drawPixmap((down ? place.down : place.up).topLeft(), bitmap(tool, down, ratio));
    }
    paintOptionsButton(painter, m_geometry.optionsButton, m_optionsPressed,
                       m_controls.optionsEnabled);
    const bool antiAlias = m_context.globals->toolGlobals().antiAlias;
    paintAntiAliasHalf(painter, m_geometry.antiAliasOn, true, antiAlias,
                       m_controls.antiAliasEnabled);
    paintAntiAliasHalf(painter, m_geometry.antiAliasOff, false, !antiAlias,
                       m_controls.antiAliasEnabled);
}

void CToolPalette::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    event->accept();
    if (m_shownTool != 0 &&
        m_geometry.tools.buttons[static_cast<std::size_t>(m_shownTool - 1)].down.contains(at)) {
        return;
    }
    if (m_geometry.optionsButton.contains(at)) return pressOptionsButton();
    if (m_geometry.antiAliasOn.contains(at) || m_geometry.antiAliasOff.contains(at))
        return flipAntiAlias();
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        if (toolButtonRect(tool).contains(at)) return selectTool(tool);
    }
}

void CToolPalette::pressOptionsButton() {
    if (m_optionsPressed || !m_controls.optionsEnabled || m_context.tools == nullptr) return;
    m_optionsPressed = true;
    repaint(m_geometry.optionsButton);
    if (const ToolOptionsRunner run = toolOptionsRunnerFor(m_context.tools->currentIndex())) {
        QWidget* parent = m_context.mainWindow != nullptr ? m_context.mainWindow : this;
        run(*m_context.tools, parent);
        m_optionsPressed = false;
        update(m_geometry.optionsButton);
        return;
    }
    QTimer::singleShot(kFlashMs, this, [this] {
        m_optionsPressed = false;
        update(m_geometry.optionsButton);
    });
}

void CToolPalette::flipAntiAlias() {
    if (!m_controls.antiAliasEnabled) return;
    bool& antiAlias = m_context.globals->toolGlobals().antiAlias;
    antiAlias = !antiAlias;
    m_shownAntiAlias = antiAlias;
    update(m_geometry.antiAliasOn.united(m_geometry.antiAliasOff));
}

QString CToolPalette::toolTipAt(const QPoint& at) const {
    if (m_geometry.optionsButton.contains(at)) return QStringLiteral("Tool options");
    if (m_geometry.antiAliasOn.contains(at)) return QStringLiteral("Anti-aliasing on");
    if (m_geometry.antiAliasOff.contains(at)) return QStringLiteral("Anti-aliasing off");
    for (int tool = 1; tool <= palette::kToolCount; ++tool) {
        if (toolButtonRect(tool).contains(at)) {
            return QStringLiteral("%1 (%2)")
                .arg(QLatin1String(palette::toolTitle(tool)))
                .arg(QLatin1Char(palette::toolShortcutKey(tool)));
        }
    }
    return {};
}

bool CToolPalette::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

}  // namespace tessary
