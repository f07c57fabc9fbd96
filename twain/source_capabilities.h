#pragma once

#include <optional>
#include <vector>

#include "device_settings.h"
#include "twain_protocol.h"

namespace tessary::twain {

// The capabilities one source negotiates with the application:
// ICAP_XFERMECH (memory only), ICAP_PIXELTYPE, ICAP_XRESOLUTION,
// ICAP_YRESOLUTION, CAP_FEEDERENABLED (devices with a feeder) and
// CAP_XFERCOUNT. Values the application sets go to the device at once and
// are remembered, so that they can be set again after the environment's
// option list has been applied at enabling.
class SourceCapabilities {
public:
    explicit SourceCapabilities(DeviceSettings& settings) : m_settings(settings) {}

    // Takes the device's current values as the defaults MSG_RESET returns to.
    void recordDefaults();

    // One DG_CONTROL / DAT_CAPABILITY call: MSG_GET, MSG_GETCURRENT,
    // MSG_GETDEFAULT, MSG_SET, MSG_RESET. `settable` is false outside
    // state 4, where MSG_SET and MSG_RESET are sequence errors. Answers a
    // return code and sets `condition` on failure. Containers handed back
    // are new blocks the application frees.
    TW_UINT16 handle(TW_UINT16 message, TW_CAPABILITY& capability, bool settable,
                     TW_UINT16& condition);

    // Sets the application's values on the device again.
    SANE_Status reapply();
    // The source window's choices, kept as if the application had set them.
    SANE_Status choose(int pixelType, double resolution);

    // CAP_XFERCOUNT: the images the application wants per enabling; -1 all.
    int transferCount() const { return m_transferCount; }

    // A device answers no option queries while it scans: freeze() takes
    // what the capabilities report before a scan starts, thaw() reads the
    // device again once it is idle. Frozen, MSG_SET and MSG_RESET are
    // refused as sequence errors in any case (states 6 and 7).
    void freeze();
    void thaw() { m_frozen.reset(); }
    double xResolution() const { return view().values.xResolution; }
    double yResolution() const { return view().values.yResolution; }
    bool feederEnabled() const { return view().values.feeder; }

private:
    struct Values {
        int pixelType = 0;
        double xResolution = 0.0;
        double yResolution = 0.0;
        bool feeder = false;
    };
    struct View {
        Values values;
        std::vector<int> pixelTypes;
        std::optional<NumberConstraint> resolutions;
        bool hasFeeder = false;
    };
    View view() const;
    bool supported(TW_UINT16 cap) const;
    TW_UINT16 report(TW_UINT16 message, TW_CAPABILITY& capability, TW_UINT16& condition) const;
    TW_UINT16 set(TW_CAPABILITY& capability, TW_UINT16& condition);
    void reset(TW_UINT16 cap);
    TW_UINT16 setResolution(TW_UINT16 cap, double dpi, TW_UINT16& condition);

    DeviceSettings& m_settings;
    Values m_defaults;
    std::optional<int> m_pixelType;
    std::optional<double> m_xResolution;
    std::optional<double> m_yResolution;
    std::optional<bool> m_feeder;
    int m_transferCount = -1;
    std::optional<View> m_frozen;
};

}  // namespace tessary::twain
