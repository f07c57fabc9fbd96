#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;
class QSlider;

namespace tessary {

class CColorSwatch;
class ToolBox;
class ZERozevuv;

// The floating palette beside the image windows. It holds the opacity slider
// (0-255, the global opacity the painting tools use) and the foreground and
// background colour swatches, all read from and written to the application
// globals, and the options button, which opens the current tool's options
// dialog (tool_options_table.h) or, for a tool without one, only flashes.
// The tool buttons join it when the tools exist.
class CToolPalette : public QWidget {
    Q_OBJECT
public:
    CToolPalette(ZERozevuv& globals, QWidget* parent);
    ~CToolPalette() override;

    QSlider* opacitySlider() const { return m_opacity; }
    CColorSwatch* swatch() const { return m_swatch; }
    QPushButton* optionsButton() const { return m_options; }

    // The tools the options button works on; null (the default) makes the
    // button only flash. The box must outlive the palette or be unset.
    void setToolBox(ToolBox* tools) { m_tools = tools; }

    // Shows the globals' values again when they changed elsewhere (cheap
    // when nothing changed, so it can run on every idle pass).
    void refresh();

private:
    void optionsClicked();

    ZERozevuv& m_globals;
    ToolBox* m_tools = nullptr;
    QPushButton* m_options = nullptr;
    QSlider* m_opacity = nullptr;
    QLabel* m_opacityValue = nullptr;
    CColorSwatch* m_swatch = nullptr;
    std::uint32_t m_shownForeground = 0;
    std::uint32_t m_shownBackground = 0;
    bool m_shown = false;
};

}  // namespace tessary
