#pragma once

#include <cstdint>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

struct FileOptionsPrefs;
class PageScrap;

// What File New makes after the New Image dialog's OK.
struct NewImageResult {
    std::int32_t type = 5;     // 2 grey, 5 RGB
    std::int32_t fill = 1;     // 1 white, 2 black, 3 clipboard
    double width = 0.0;        // pixels
    double height = 0.0;       // pixels
    double resolution = 72.0;  // pixels per inch
};

// The New Image dialog (dialog 130). It starts from the remembered file
// options, offers size presets, custom sizes in five units and standard
// resolutions, and shows the memory the image will take. The state below is
// what the controls show; every conversion goes through inches with the
// resolution in pixels per inch.
class CNewImageDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdType = 1000;
    static constexpr int kIdFill = 1001;
    static constexpr int kIdPresetRadio = 1002;
    static constexpr int kIdCustomRadio = 1003;
    static constexpr int kIdPresets = 1004;
    static constexpr int kIdWidth = 1005;
    static constexpr int kIdHeight = 1006;
    static constexpr int kIdSizeUnit = 1007;
    static constexpr int kIdResolutions = 1008;
    static constexpr int kIdResolutionUnit = 1009;
    static constexpr int kIdSizeText = 1018;
    static constexpr int kIdResolution = 1035;

    // `scrap` may be null (no internal clipboard): no "Clipboard" fill then.
    CNewImageDlogHandler(const FileOptionsPrefs& options, const PageScrap* scrap,
                         QWidget* parent = nullptr);
    ~CNewImageDlogHandler() override;

    // The result of the dialog as it stands (valid after OK).
    NewImageResult result() const;
    // Stores what the dialog remembers into `options`: type, fill (a
    // clipboard fill as white), size in pixels, resolution, both units.
    void remember(FileOptionsPrefs& options) const;

    std::int32_t type() const { return m_type; }
    std::int32_t fill() const { return m_fill; }
    double width() const { return m_width; }
    double height() const { return m_height; }
    int sizeUnit() const { return m_unit; }
    double resolution() const { return m_resolution; }
    int resolutionUnit() const { return m_resolutionUnit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void typeChanged(int index);
    void fillChanged(int index);
    void presetChosen();
    void sizeUnitChanged(int index);
    void resolutionChosen(int index);
    void resolutionUnitChanged(int index);
    void widthEdited();
    void heightEdited();
    void resolutionEdited();

    void showSize();
    void showResolution();
    void updateSizeText();
    void selectCustom();

    const PageScrap* m_scrap;
    std::int32_t m_type = 5;
    std::int32_t m_fill = 1;
    double m_width = 512.0;
    double m_height = 342.0;
    int m_unit = 0;
    double m_resolution = 72.0;  // pixels per inch, whatever the resolution unit
    int m_resolutionUnit = 1;
};

// File New's dialog launcher: runs the dialog modally on the remembered
// options; on OK fills `result`, remembers the choices in `options` and
// returns true. Cancel changes nothing.
class CNewImageDlog {
public:
    static bool run(FileOptionsPrefs& options, const PageScrap* scrap, QWidget* parent,
                    NewImageResult& result);
};

}  // namespace tessary
