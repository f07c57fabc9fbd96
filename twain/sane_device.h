#pragma once

#include <sane/sane.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessary::twain {

// One device as the SANE library lists it.
struct SaneDeviceInfo {
    std::string name;
    std::string vendor;
    std::string model;
};

// The SANE library for as long as the object lives: sane_init on creation,
// sane_exit when destroyed. Devices must be closed before it goes away.
class SaneSession {
public:
    SaneSession();
    ~SaneSession();
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;

    bool ready() const { return m_ready; }
    // The devices the backends find now (local and remote); empty when the
    // library failed to start.
    std::vector<SaneDeviceInfo> devices() const;

private:
    bool m_ready = false;
};

// The values a numeric option allows: a range (step 0: any value between
// min and max), a list, or anything (neither).
struct NumberConstraint {
    bool isRange = false;
    double min = 0.0;
    double max = 0.0;
    double step = 0.0;
    std::vector<double> values;

    bool allows(double value) const;
    // The allowed value closest to `value`.
    double nearest(double value) const;
};

// An opened SANE device, closed when the object goes away. Options are
// reached by their well-known names because a device renumbers and
// re-describes its options whenever one of them changes. Numbers are in the
// option's own unit (dpi, mm); integer, fixed-point and boolean options all
// read and write as double. Only active, single-valued options are seen.
class SaneDevice {
public:
    // Opens `name`; on failure `device` stays empty and the status says why.
    static SANE_Status open(const std::string& name, std::unique_ptr<SaneDevice>& device);
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    const std::string& name() const { return m_name; }

    bool hasOption(const char* option) const;
    std::optional<std::string> stringValue(const char* option) const;
    std::optional<double> numberValue(const char* option) const;
    // The allowed strings of a string-list option; empty for other options.
    std::vector<std::string> stringList(const char* option) const;
    std::optional<NumberConstraint> numberConstraint(const char* option) const;
    std::optional<SANE_Unit> unit(const char* option) const;

    SANE_Status setString(const char* option, const std::string& value);
    SANE_Status setNumber(const char* option, double value);
    // Sets an option from text: a number for integer and fixed-point
    // options, yes/no (true/false, 1/0) for booleans, the text itself for
    // strings; a button is pressed. Unknown or inactive options and text
    // that does not fit the type give SANE_STATUS_INVAL.
    SANE_Status setFromText(const std::string& option, const std::string& text);

    SANE_Status start();
    SANE_Status parameters(SANE_Parameters& parameters) const;
    // Reads up to `maximum` bytes; `length` is what arrived.
    SANE_Status read(SANE_Byte* data, SANE_Int maximum, SANE_Int& length);
    // Ends the current scan (any frame, any page); harmless when none runs.
    void cancel();

private:
    SaneDevice(SANE_Handle handle, std::string name);
    // The option's index and descriptor when it exists and is active.
    int find(const char* option, const SANE_Option_Descriptor** descriptor = nullptr) const;

    SANE_Handle m_handle;
    std::string m_name;
};

}  // namespace tessary::twain
