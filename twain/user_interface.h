#pragma once

// The source manager's windows, behind a header free of Qt: the source's own
// window and the source selection dialog, built with Qt Widgets inside the
// application's QApplication.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device_settings.h"
#include "sane_device.h"

class QWidget;

namespace tessary::twain {

// Windows may be shown: a QApplication runs in this process and
// TESSARY_TWAIN_HEADLESS is not set.
bool windowsAvailable();

// The selection dialog: one line per source, `initial` selected. The chosen
// index, or empty when the user cancelled.
std::optional<size_t> chooseSource(const std::vector<std::string>& sources, size_t initial);

// Shows the wait cursor for as long as it lives, when windows are
// available: for calls into the scanner library that keep the application
// waiting (looking for scanners takes seconds when network backends time out).
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown = false;
};

// Makes `window` (a top-level widget of the source manager) a transient of
// the application's active window, so that the window manager places it
// over that window and keeps it in front. Nothing without an active window.
void keepOverActiveWindow(QWidget* window);

// Tells the user that no scanner can be reached (shown when a selection or
// a scan is asked for and the scanner library lists no device).
void reportNoSources();

// What the user picks in the source window.
struct WindowChoices {
    int pixelType = 0;
    double resolution = 0.0;
    std::optional<ScanArea> area;  // when the device has a scan area
};

// What the source window shows of its device.
struct WindowDescription {
    std::string deviceName;
    std::string model;  // vendor and model
    std::vector<int> pixelTypes;
    std::optional<NumberConstraint> resolutions;
    std::optional<std::pair<NumberConstraint, NumberConstraint>> areaLimits;
    WindowChoices current;
};

// A preview scan, rows packed as the source transfers them.
struct PreviewImage {
    int width = 0;
    int height = 0;
    int pixelType = 0;
    uint32_t bytesPerRow = 0;
    std::vector<uint8_t> pixels;
};

// The source behind its window. Each call returns an error text for the
// window to show, empty on success.
class SourceWindowClient {
public:
    virtual ~SourceWindowClient() = default;
    // Scan: start scanning with these choices; the image is then offered to
    // the application.
    virtual std::string scanRequested(const WindowChoices& choices) = 0;
    // Preview: a quick low-resolution scan of the whole area.
    virtual std::string previewRequested(const WindowChoices& choices, PreviewImage& image) = 0;
    // Cancel, or the window closed by the user.
    virtual void cancelRequested() = 0;
};

class SourceWindow {
public:
    virtual ~SourceWindow() = default;
    // Shows a message in the window's status line (empty clears it).
    virtual void showStatus(const std::string& text) = 0;
};

// Creates and shows the window; it lives until the returned object is
// destroyed and calls `client` from the application's event processing.
std::unique_ptr<SourceWindow> openSourceWindow(const WindowDescription& description,
                                               SourceWindowClient& client);

}  // namespace tessary::twain
