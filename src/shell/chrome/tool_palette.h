#pragma once

#include <QHash>
#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "shell/chrome/palette_layout.h"

class QLabel;

namespace tessary {

class CColorSwatch;
class CHSliderCtrl;
class ToolBox;
struct ShellContext;

// The floating tool palette beside the image windows: the sixteen tool
// buttons (control ids 400..415, in rows of two), the options button that
// opens the current tool's option dialog, the anti-alias toggle, the opacity
// slider and the colour swatches. It reads and writes the application's
// values through the shell context: the current tool of the tool box, the
// global opacity, the colours, the anti-alias switch and which colour is
// active.
//
// A left press, in this order of precedence: in the current tool's down
// image, nothing; in the options button, when enabled and not already
// pressed, the button shows pressed while the tool's option dialog runs (a
// tool without one only flashes it); in either half of the anti-alias
// toggle, when enabled, the switch flips; in a tool button, that tool
// becomes current. The option controls follow the current tool by
// palette::optionControlsFor().
//
// The palette registers context.coloursChanged, so the image view can have
// the swatches repainted at once after the dropper picked a colour.
class CToolPalette : public QWidget {
    Q_OBJECT
public:
    // `context` (with its globals) must outlive the palette; its tool box may
    // be null, and then no tool is shown or chosen.
    CToolPalette(ShellContext& context, QWidget* parent);
    ~CToolPalette() override;

    CHSliderCtrl* opacitySlider() const { return m_opacity; }
    CColorSwatch* swatch() const { return m_swatch; }
    const PaletteGeometry& layoutGeometry() const { return m_geometry; }
    // Tool `tool`'s up-image rectangle (1..16), in palette coordinates.
    QRect toolButtonRect(int tool) const;

    // The tool drawn down (0 when none).
    int shownTool() const { return m_shownTool; }
    bool optionsEnabled() const { return m_controls.optionsEnabled; }
    bool optionsPressed() const { return m_optionsPressed; }
    bool antiAliasEnabled() const { return m_controls.antiAliasEnabled; }

    // Makes `tool` the current tool of the tool box and shows it.
    void selectTool(int tool);
    // Shows the application's values again when they changed elsewhere (cheap
    // when nothing changed, so it can run on every idle pass).
    void refresh();
    // The single-letter tool keys (palette::toolShortcutKey) and the colour
    // keys, active while the focus is inside `scope` and no modifier is held.
    void installShortcuts(QWidget* scope);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Tool `tool`'s up or down image for a device of `ratio`.
    const QPixmap& bitmap(int tool, bool down, qreal ratio);
    void showTool(int tool);
    void pressOptionsButton();
    void flipAntiAlias();
    void swapColours();
    void defaultColours();
    void coloursChanged();
    QString toolTipAt(const QPoint& at) const;

    ShellContext& m_context;
    PaletteGeometry m_geometry;
    palette::OptionControls m_controls;
    int m_shownTool = 0;
    bool m_optionsPressed = false;
    bool m_shownAntiAlias = false;
    QLabel* m_opacityLabel = nullptr;
    CHSliderCtrl* m_opacity = nullptr;
    CColorSwatch* m_swatch = nullptr;
    std::uint32_t m_shownForeground = 0;
    std::uint32_t m_shownBackground = 0;
    bool m_shownBackgroundActive = false;
    // Button images by name, drawn for devices of m_bitmapRatio.
    QHash<QString, QPixmap> m_bitmaps;
    qreal m_bitmapRatio = 0;
};

}  // namespace tessary
