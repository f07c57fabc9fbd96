#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QSlider;

namespace tessary {

class CColorSwatch;
class ZERozevuv;

// The floating palette beside the image windows. It holds the opacity slider
// (0-255, the global opacity the painting tools use) and the foreground and
// background colour swatches, all read from and written to the application
// globals. The tool buttons and the tools' option controls join it when the
// tools exist.
class CToolPalette : public QWidget {
    Q_OBJECT
public:
    CToolPalette(ZERozevuv& globals, QWidget* parent);
    ~CToolPalette() override;

    QSlider* opacitySlider() const { return m_opacity; }
    CColorSwatch* swatch() const { return m_swatch; }

    // Shows the globals' values again when they changed elsewhere (cheap
    // when nothing changed, so it can run on every idle pass).
    void refresh();

private:
    ZERozevuv& m_globals;
    QSlider* m_opacity = nullptr;
    QLabel* m_opacityValue = nullptr;
    CColorSwatch* m_swatch = nullptr;
    std::uint32_t m_shownForeground = 0;
    std::uint32_t m_shownBackground = 0;
    bool m_shown = false;
};

}  // namespace tessary
