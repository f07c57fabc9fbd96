#include "sane_device.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tessary::twain {

namespace {

double fromWord(SANE_Value_Type type, SANE_Word word) {
    return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

SANE_Word toWord(SANE_Value_Type type, double value) {
    if (type == SANE_TYPE_FIXED) return SANE_FIX(value);
    if (type == SANE_TYPE_BOOL) return value != 0.0 ? SANE_TRUE : SANE_FALSE;
    return static_cast<SANE_Word>(std::lround(value));
}

bool isNumber(const SANE_Option_Descriptor& d) {
    return (d.type == SANE_TYPE_INT || d.type == SANE_TYPE_FIXED || d.type == SANE_TYPE_BOOL) &&
           d.size == static_cast<SANE_Int>(sizeof(SANE_Word));
}

std::optional<double> parseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> parseBool(const std::string& text) {
    for (const char* yes : {"yes", "true", "1", "on"})
        if (text == yes) return 1.0;
    for (const char* no : {"no", "false", "0", "off"})
        if (text == no) return 0.0;
    return std::nullopt;
}

}  // namespace

SaneSession::SaneSession() {
    SANE_Int version = 0;
    m_ready = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
}

SaneSession::~SaneSession() {
    if (m_ready) sane_exit();
}

std::vector<SaneDeviceInfo> SaneSession::devices() const {
    std::vector<SaneDeviceInfo> found;
    const SANE_Device** list = nullptr;
    if (!m_ready || sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return found;
    for (size_t i = 0; list[i]; ++i) {
        const SANE_Device& d = *list[i];
        if (!d.name || !*d.name) continue;
        found.push_back({d.name, d.vendor ? d.vendor : "", d.model ? d.model : ""});
    }
    return found;
}

bool NumberConstraint::allows(double value) const {
    if (isRange) return value >= min && value <= max;
    if (values.empty()) return true;
    return std::find(values.begin(), values.end(), value) != values.end();
}

double NumberConstraint::nearest(double value) const {
    if (isRange) {
        double clamped = std::clamp(value, min, max);
        if (step > 0.0) clamped = std::min(max, min + std::round((clamped - min) / step) * step);
        return clamped;
    }
    if (values.empty()) return value;
    return *std::min_element(values.begin(), values.end(), [value](double a, double b) {
        return std::fabs(a - value) < std::fabs(b - value);
    });
}

SANE_Status SaneDevice::open(const std::string& name, std::unique_ptr<SaneDevice>& device) {
    device.reset();
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD) return status;
    device.reset(new SaneDevice(handle, name));
    return SANE_STATUS_GOOD;
}

SaneDevice::SaneDevice(SANE_Handle handle, std::string name)
    : m_handle(handle), m_name(std::move(name)) {}

SaneDevice::~SaneDevice() {
    sane_cancel(m_handle);
    sane_close(m_handle);
}

int SaneDevice::find(const char* option, const SANE_Option_Descriptor** descriptor) const {
    SANE_Int count = 0;
    if (sane_control_option(m_handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) !=
        SANE_STATUS_GOOD)
        return -1;
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(m_handle, i);
        if (!d || !d->name || std::strcmp(d->name, option) != 0) continue;
        if (!SANE_OPTION_IS_ACTIVE(d->cap)) return -1;
        if (descriptor) *descriptor = d;
        return i;
    }
    return -1;
}

bool SaneDevice::hasOption(const char* option) const {
    return find(option) >= 0;
}

std::optional<std::string> SaneDevice::stringValue(const char* option) const {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = find(option, &d);
    if (index < 0 || d->type != SANE_TYPE_STRING || d->size <= 0) return std::nullopt;
    std::string value(static_cast<size_t>(d->size), '\0');
    if (sane_control_option(m_handle, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
        SANE_STATUS_GOOD)
        return std::nullopt;
    value.resize(std::strlen(value.c_str()));
    return value;
}

std::optional<double> SaneDevice::numberValue(const char* option) const {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = find(option, &d);
    if (index < 0 || !isNumber(*d)) return std::nullopt;
    SANE_Word word = 0;
    if (sane_control_option(m_handle, index, SANE_ACTION_GET_VALUE, &word, nullptr) !=
        SANE_STATUS_GOOD)
        return std::nullopt;
    return fromWord(d->type, word);
}

std::vector<std::string> SaneDevice::stringList(const char* option) const {
    std::vector<std::string> list;
    const SANE_Option_Descriptor* d = nullptr;
    if (find(option, &d) < 0 || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return list;
    for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
        list.emplace_back(*s);
    return list;
}

std::optional<NumberConstraint> SaneDevice::numberConstraint(const char* option) const {
    const SANE_Option_Descriptor* d = nullptr;
    if (find(option, &d) < 0 || !isNumber(*d)) return std::nullopt;
    NumberConstraint constraint;
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
        constraint.isRange = true;
        constraint.min = fromWord(d->type, d->constraint.range->min);
        constraint.max = fromWord(d->type, d->constraint.range->max);
        constraint.step = fromWord(d->type, d->constraint.range->quant);
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
        // The first word is the count of the words that follow.
        for (SANE_Word i = 1; i <= d->constraint.word_list[0]; ++i)
            constraint.values.push_back(fromWord(d->type, d->constraint.word_list[i]));
    }
    return constraint;
}

std::optional<SANE_Unit> SaneDevice::unit(const char* option) const {
    const SANE_Option_Descriptor* d = nullptr;
    if (find(option, &d) < 0) return std::nullopt;
    return d->unit;
}

SANE_Status SaneDevice::setString(const char* option, const std::string& value) {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = find(option, &d);
    if (index < 0 || d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(d->cap))
        return SANE_STATUS_INVAL;
    if (value.size() + 1 > static_cast<size_t>(d->size)) return SANE_STATUS_INVAL;
    std::string buffer = value;
    buffer.resize(static_cast<size_t>(d->size), '\0');
    return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
}

SANE_Status SaneDevice::setNumber(const char* option, double value) {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = find(option, &d);
    if (index < 0 || !isNumber(*d) || !SANE_OPTION_IS_SETTABLE(d->cap)) return SANE_STATUS_INVAL;
    SANE_Word word = toWord(d->type, value);
    return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &word, nullptr);
}

SANE_Status SaneDevice::setFromText(const std::string& option, const std::string& text) {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = find(option.c_str(), &d);
    if (index < 0 || !SANE_OPTION_IS_SETTABLE(d->cap)) return SANE_STATUS_INVAL;
    switch (d->type) {
        case SANE_TYPE_STRING:
            return setString(option.c_str(), text);
        case SANE_TYPE_BOOL: {
            const auto value = parseBool(text);
            return value ? setNumber(option.c_str(), *value) : SANE_STATUS_INVAL;
        }
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            const auto value = parseNumber(text);
            return value ? setNumber(option.c_str(), *value) : SANE_STATUS_INVAL;
        }
        case SANE_TYPE_BUTTON:
            return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, nullptr, nullptr);
        default:
            return SANE_STATUS_INVAL;
    }
}

SANE_Status SaneDevice::start() {
    return sane_start(m_handle);
}

SANE_Status SaneDevice::parameters(SANE_Parameters& parameters) const {
    return sane_get_parameters(m_handle, &parameters);
}

SANE_Status SaneDevice::read(SANE_Byte* data, SANE_Int maximum, SANE_Int& length) {
    length = 0;
    return sane_read(m_handle, data, maximum, &length);
}

void SaneDevice::cancel() {
    sane_cancel(m_handle);
}

}  // namespace tessary::twain
