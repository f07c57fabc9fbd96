#include "device_settings.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "twain_protocol.h"

namespace tessary::twain {

namespace {

// The resolution a device gets when its own starting value lies outside its
// constraint: a common office setting, fast at any paper size.
constexpr double kFallbackResolution = 100.0;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isOneOf(const std::string& value, std::initializer_list<const char*> names) {
    const std::string wanted = lower(value);
    return std::any_of(names.begin(), names.end(),
                       [&](const char* name) { return wanted == name; });
}

bool isColourMode(const std::string& mode) {
    return isOneOf(mode, {"color", "colour"});
}
bool isGreyMode(const std::string& mode) {
    return isOneOf(mode, {"gray", "grey", "grayscale", "greyscale"});
}
bool isLineArtMode(const std::string& mode) {
    return isOneOf(mode, {"lineart", "line art", "binary", "black & white", "halftone"});
}

bool isFeederSource(const std::string& source) {
    const std::string name = lower(source);
    return name.find("feeder") != std::string::npos || name.find("adf") != std::string::npos;
}

const char* const kAreaOptions[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X,
                                     SANE_NAME_SCAN_BR_Y};

}  // namespace

std::optional<std::string> DeviceSettings::modeEntry(int pixelType) const {
    for (const std::string& mode : m_device.stringList(SANE_NAME_SCAN_MODE)) {
        if ((pixelType == TWPT_RGB && isColourMode(mode)) ||
            (pixelType == TWPT_GRAY && isGreyMode(mode)) ||
            (pixelType == TWPT_BW && isLineArtMode(mode)))
            return mode;
    }
    return std::nullopt;
}

std::vector<int> DeviceSettings::pixelTypes() const {
    if (!m_device.hasOption(SANE_NAME_SCAN_MODE)) return {pixelType()};
    std::vector<int> types;
    const auto depths = m_device.numberConstraint(SANE_NAME_BIT_DEPTH);
    const bool greyOneBit = modeEntry(TWPT_GRAY) && depths && !depths->isRange &&
                            std::count(depths->values.begin(), depths->values.end(), 1.0) > 0;
    if (modeEntry(TWPT_BW) || greyOneBit) types.push_back(TWPT_BW);
    if (modeEntry(TWPT_GRAY)) types.push_back(TWPT_GRAY);
    if (modeEntry(TWPT_RGB)) types.push_back(TWPT_RGB);
    if (types.empty()) types.push_back(pixelType());
    return types;
}

int DeviceSettings::pixelType() const {
    if (const auto mode = m_device.stringValue(SANE_NAME_SCAN_MODE)) {
        if (isColourMode(*mode)) return TWPT_RGB;
        if (isLineArtMode(*mode)) return TWPT_BW;
        if (isGreyMode(*mode))
            return m_device.numberValue(SANE_NAME_BIT_DEPTH).value_or(8.0) == 1.0 ? TWPT_BW
                                                                                  : TWPT_GRAY;
    }
    SANE_Parameters parameters{};
    if (m_device.parameters(parameters) != SANE_STATUS_GOOD) return TWPT_GRAY;
    if (parameters.format != SANE_FRAME_GRAY) return TWPT_RGB;
    return parameters.depth == 1 ? TWPT_BW : TWPT_GRAY;
}

SANE_Status DeviceSettings::setPixelType(int pixelType) {
    if (!m_device.hasOption(SANE_NAME_SCAN_MODE))
        return pixelType == this->pixelType() ? SANE_STATUS_GOOD : SANE_STATUS_INVAL;
    if (pixelType == TWPT_BW && !modeEntry(TWPT_BW)) {
        const auto grey = modeEntry(TWPT_GRAY);
        if (!grey) return SANE_STATUS_INVAL;
        if (const SANE_Status status = m_device.setString(SANE_NAME_SCAN_MODE, *grey);
            status != SANE_STATUS_GOOD)
            return status;
        return m_device.setNumber(SANE_NAME_BIT_DEPTH, 1.0);
    }
    const auto mode = modeEntry(pixelType);
    if (!mode) return SANE_STATUS_INVAL;
    if (const SANE_Status status = m_device.setString(SANE_NAME_SCAN_MODE, *mode);
        status != SANE_STATUS_GOOD)
        return status;
    if (pixelType != TWPT_BW) {
        const auto depths = m_device.numberConstraint(SANE_NAME_BIT_DEPTH);
        if (depths && depths->allows(8.0)) return m_device.setNumber(SANE_NAME_BIT_DEPTH, 8.0);
    }
    return SANE_STATUS_GOOD;
}

bool DeviceSettings::separateYResolution() const {
    return m_device.hasOption(SANE_NAME_SCAN_Y_RESOLUTION);
}

const char* DeviceSettings::yResolutionOption() const {
    return separateYResolution() ? SANE_NAME_SCAN_Y_RESOLUTION : SANE_NAME_SCAN_RESOLUTION;
}

std::optional<NumberConstraint> DeviceSettings::resolutions() const {
    return m_device.numberConstraint(SANE_NAME_SCAN_RESOLUTION);
}

double DeviceSettings::xResolution() const {
    return m_device.numberValue(SANE_NAME_SCAN_RESOLUTION).value_or(0.0);
}

double DeviceSettings::yResolution() const {
    return m_device.numberValue(yResolutionOption()).value_or(xResolution());
}

SANE_Status DeviceSettings::setXResolution(double dpi) {
    return m_device.setNumber(SANE_NAME_SCAN_RESOLUTION, dpi);
}

SANE_Status DeviceSettings::setYResolution(double dpi) {
    return m_device.setNumber(yResolutionOption(), dpi);
}

void DeviceSettings::repairResolution() {
    for (const char* option : {SANE_NAME_SCAN_RESOLUTION, SANE_NAME_SCAN_Y_RESOLUTION}) {
        const auto constraint = m_device.numberConstraint(option);
        const auto value = m_device.numberValue(option);
        if (constraint && value && !constraint->allows(*value))
            m_device.setNumber(option, constraint->nearest(kFallbackResolution));
    }
}

bool DeviceSettings::hasFeeder() const {
    const auto sources = m_device.stringList(SANE_NAME_SCAN_SOURCE);
    return std::any_of(sources.begin(), sources.end(), isFeederSource);
}

bool DeviceSettings::feederEnabled() const {
    const auto source = m_device.stringValue(SANE_NAME_SCAN_SOURCE);
    return source && isFeederSource(*source);
}

SANE_Status DeviceSettings::setFeederEnabled(bool enabled) {
    for (const std::string& source : m_device.stringList(SANE_NAME_SCAN_SOURCE))
        if (isFeederSource(source) == enabled)
            return m_device.setString(SANE_NAME_SCAN_SOURCE, source);
    return SANE_STATUS_INVAL;
}

std::optional<std::pair<NumberConstraint, NumberConstraint>> DeviceSettings::areaLimits() const {
    for (const char* option : kAreaOptions)
        if (m_device.unit(option) != SANE_UNIT_MM) return std::nullopt;
    const auto x = m_device.numberConstraint(SANE_NAME_SCAN_BR_X);
    const auto y = m_device.numberConstraint(SANE_NAME_SCAN_BR_Y);
    if (!x || !y || !x->isRange || !y->isRange) return std::nullopt;
    return std::make_pair(*x, *y);
}

ScanArea DeviceSettings::area() const {
    ScanArea area;
    double* fields[4] = {&area.left, &area.top, &area.right, &area.bottom};
    for (int i = 0; i < 4; ++i) *fields[i] = m_device.numberValue(kAreaOptions[i]).value_or(0.0);
    return area;
}

SANE_Status DeviceSettings::setArea(const ScanArea& area) {
    const double values[4] = {area.left, area.top, area.right, area.bottom};
    for (int i = 0; i < 4; ++i)
        if (const SANE_Status status = m_device.setNumber(kAreaOptions[i], values[i]);
            status != SANE_STATUS_GOOD)
            return status;
    return SANE_STATUS_GOOD;
}

SANE_Status DeviceSettings::apply(const OptionList& options, std::string* failed) {
    for (const auto& [name, value] : options) {
        const SANE_Status status = m_device.setFromText(name, value);
        if (status != SANE_STATUS_GOOD) {
            if (failed) *failed = name;
            return status;
        }
    }
    return SANE_STATUS_GOOD;
}

}  // namespace tessary::twain
