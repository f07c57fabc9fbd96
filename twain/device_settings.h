#pragma once

#include <sane/sane.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sane_device.h"

namespace tessary::twain {

// A scan area in millimetres from the top-left corner of the glass or page.
struct ScanArea {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    friend bool operator==(const ScanArea&, const ScanArea&) = default;
};

// "name=value" pairs, in the order they are to be set.
using OptionList = std::vector<std::pair<std::string, std::string>>;

// The protocol's view of a device's settings, mapped onto its SANE options
// by the standard option names and values:
// - pixel type: "mode" (Lineart, Gray, Color) with "depth" 8, or Gray with
//   depth 1 for line art where the device has no Lineart mode;
// - resolution: "resolution" (and "y-resolution" where the device has it);
// - feeder: a "source" entry naming a feeder ("ADF", "Feeder");
// - scan area: "tl-x", "tl-y", "br-x", "br-y" in millimetres.
// Setters answer the device's status; a refused value leaves the option as
// it was.
class DeviceSettings {
public:
    explicit DeviceSettings(SaneDevice& device) : m_device(device) {}

    // TWPT_BW, TWPT_GRAY, TWPT_RGB that the device can deliver, ascending.
    std::vector<int> pixelTypes() const;
    int pixelType() const;
    SANE_Status setPixelType(int pixelType);

    std::optional<NumberConstraint> resolutions() const;
    double xResolution() const;
    double yResolution() const;
    SANE_Status setXResolution(double dpi);
    SANE_Status setYResolution(double dpi);
    // Whether the device sets the vertical resolution apart from the
    // horizontal one; when not, both setters set the one resolution.
    bool separateYResolution() const;
    // Brings a resolution outside the device's own constraint into it (some
    // backends start with one).
    void repairResolution();

    bool hasFeeder() const;
    bool feederEnabled() const;
    SANE_Status setFeederEnabled(bool enabled);

    // The limits of the scan area when the device has the four geometry
    // options in millimetres: (x range, y range).
    std::optional<std::pair<NumberConstraint, NumberConstraint>> areaLimits() const;
    ScanArea area() const;
    SANE_Status setArea(const ScanArea& area);

    // Sets each named option from its text, in order; stops at the first
    // that fails and names it in `failed`.
    SANE_Status apply(const OptionList& options, std::string* failed = nullptr);

private:
    std::optional<std::string> modeEntry(int pixelType) const;
    const char* yResolutionOption() const;

    SaneDevice& m_device;
};

}  // namespace tessary::twain
