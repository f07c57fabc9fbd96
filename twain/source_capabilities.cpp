#include "source_capabilities.h"

#include <algorithm>

#include "capability_container.h"

namespace tessary::twain {

namespace {

TW_UINT16 failure(TW_UINT16& condition, TW_UINT16 code) {
    condition = code;
    return TWRC_FAILURE;
}

}  // namespace

void SourceCapabilities::recordDefaults() {
    m_defaults.pixelType = m_settings.pixelType();
    m_defaults.xResolution = m_settings.xResolution();
    m_defaults.yResolution = m_settings.yResolution();
    m_defaults.feeder = m_settings.feederEnabled();
}

SourceCapabilities::View SourceCapabilities::view() const {
    if (m_frozen) return *m_frozen;
    View view;
    view.values.pixelType = m_pixelType.value_or(m_settings.pixelType());
    view.values.xResolution = m_xResolution.value_or(m_settings.xResolution());
    view.values.yResolution = m_yResolution.value_or(m_settings.yResolution());
    view.values.feeder = m_feeder.value_or(m_settings.feederEnabled());
    view.pixelTypes = m_settings.pixelTypes();
    view.resolutions = m_settings.resolutions();
    view.hasFeeder = m_settings.hasFeeder();
    return view;
}

void SourceCapabilities::freeze() {
    if (!m_frozen) m_frozen = view();
}

bool SourceCapabilities::supported(TW_UINT16 cap) const {
    switch (cap) {
        case ICAP_XFERMECH:
        case ICAP_PIXELTYPE:
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION:
        case CAP_XFERCOUNT:
            return true;
        case CAP_FEEDERENABLED:
            return view().hasFeeder;
        default:
            return false;
    }
}

TW_UINT16 SourceCapabilities::handle(TW_UINT16 message, TW_CAPABILITY& capability, bool settable,
                                     TW_UINT16& condition) {
    if (!supported(capability.Cap)) return failure(condition, TWCC_CAPUNSUPPORTED);
    switch (message) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT:
            return report(message, capability, condition);
        case MSG_SET:
            if (!settable) return failure(condition, TWCC_SEQERROR);
            return set(capability, condition);
        case MSG_RESET:
            if (!settable) return failure(condition, TWCC_SEQERROR);
            reset(capability.Cap);
            return report(MSG_GETCURRENT, capability, condition);
        default:
            return failure(condition, TWCC_CAPBADOPERATION);
    }
}

TW_UINT16 SourceCapabilities::report(TW_UINT16 message, TW_CAPABILITY& capability,
                                     TW_UINT16& condition) const {
    const View seen = view();
    const Values now = message == MSG_GETDEFAULT ? m_defaults : seen.values;
    const bool all = message == MSG_GET;
    bool stored = false;
    switch (capability.Cap) {
        case ICAP_XFERMECH:
            stored = all ? putEnumeration(capability, TWTY_UINT16, {TWSX_MEMORY}, 0, 0)
                         : putOneValue(capability, TWTY_UINT16, TWSX_MEMORY);
            break;
        case ICAP_PIXELTYPE: {
            if (!all) {
                stored =
                    putOneValue(capability, TWTY_UINT16, static_cast<TW_UINT32>(now.pixelType));
                break;
            }
            const std::vector<int>& types = seen.pixelTypes;
            const auto indexOf = [&](int type) {
                const auto found = std::find(types.begin(), types.end(), type);
                return found == types.end() ? size_t{0}
                                            : static_cast<size_t>(found - types.begin());
            };
            stored = putEnumeration(capability, TWTY_UINT16,
                                    std::vector<TW_UINT32>(types.begin(), types.end()),
                                    indexOf(now.pixelType), indexOf(m_defaults.pixelType));
            break;
        }
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION: {
            const bool x = capability.Cap == ICAP_XRESOLUTION;
            const double value = x ? now.xResolution : now.yResolution;
            const double fallback = x ? m_defaults.xResolution : m_defaults.yResolution;
            const auto& constraint = seen.resolutions;
            if (all && constraint && constraint->isRange) {
                stored = putRange(capability, TWTY_FIX32, fix32Item(constraint->min),
                                  fix32Item(constraint->max),
                                  fix32Item(constraint->step > 0.0 ? constraint->step : 1.0),
                                  fix32Item(fallback), fix32Item(value));
            } else if (all && constraint && !constraint->values.empty()) {
                std::vector<TW_UINT32> items;
                for (double dpi : constraint->values) items.push_back(fix32Item(dpi));
                const auto position = [&](double dpi) {
                    const auto found =
                        std::find(constraint->values.begin(), constraint->values.end(), dpi);
                    return found == constraint->values.end()
                               ? size_t{0}
                               : static_cast<size_t>(found - constraint->values.begin());
                };
                stored = putEnumeration(capability, TWTY_FIX32, items, position(value),
                                        position(fallback));
            } else {
                stored = putOneValue(capability, TWTY_FIX32, fix32Item(value));
            }
            break;
        }
        case CAP_FEEDERENABLED:
            stored = putOneValue(capability, TWTY_BOOL, now.feeder ? 1 : 0);
            break;
        case CAP_XFERCOUNT: {
            const int count = message == MSG_GETDEFAULT ? -1 : m_transferCount;
            stored = putOneValue(capability, TWTY_INT16, static_cast<TW_UINT16>(count));
            break;
        }
    }
    return stored ? TWRC_SUCCESS : failure(condition, TWCC_LOWMEMORY);
}

TW_UINT16 SourceCapabilities::setResolution(TW_UINT16 cap, double dpi, TW_UINT16& condition) {
    const auto constraint = m_settings.resolutions();
    TW_UINT16 result = TWRC_SUCCESS;
    if (constraint && !constraint->allows(dpi)) {
        // A value inside a range but off its steps is rounded to the nearest
        // step and reported as changed; anything else is refused.
        if (!constraint->isRange || dpi < constraint->min || dpi > constraint->max)
            return failure(condition, TWCC_BADVALUE);
        dpi = constraint->nearest(dpi);
        result = TWRC_CHECKSTATUS;
    }
    const bool x = cap == ICAP_XRESOLUTION;
    const SANE_Status status = x ? m_settings.setXResolution(dpi) : m_settings.setYResolution(dpi);
    if (status != SANE_STATUS_GOOD) return failure(condition, TWCC_BADVALUE);
    if (!m_settings.separateYResolution() || x) m_xResolution = dpi;
    if (!m_settings.separateYResolution() || !x) m_yResolution = dpi;
    return result;
}

TW_UINT16 SourceCapabilities::set(TW_CAPABILITY& capability, TW_UINT16& condition) {
    if (capability.Cap == ICAP_XRESOLUTION || capability.Cap == ICAP_YRESOLUTION) {
        const auto dpi = oneValueNumber(capability);
        if (!dpi || *dpi <= 0.0) return failure(condition, TWCC_BADVALUE);
        return setResolution(capability.Cap, *dpi, condition);
    }
    const auto value = oneValueInteger(capability);
    if (!value) return failure(condition, TWCC_BADVALUE);
    switch (capability.Cap) {
        case ICAP_XFERMECH:
            return *value == TWSX_MEMORY ? TWRC_SUCCESS : failure(condition, TWCC_BADVALUE);
        case ICAP_PIXELTYPE: {
            const std::vector<int> types = m_settings.pixelTypes();
            if (std::find(types.begin(), types.end(), *value) == types.end() ||
                m_settings.setPixelType(static_cast<int>(*value)) != SANE_STATUS_GOOD)
                return failure(condition, TWCC_BADVALUE);
            m_pixelType = static_cast<int>(*value);
            return TWRC_SUCCESS;
        }
        case CAP_FEEDERENABLED:
            if (m_settings.setFeederEnabled(*value != 0) != SANE_STATUS_GOOD)
                return failure(condition, TWCC_BADVALUE);
            m_feeder = *value != 0;
            return TWRC_SUCCESS;
        case CAP_XFERCOUNT:
            // -1 (also as the unsigned 0xffff) asks for every image.
            if (*value == -1 || *value == 0xffff) {
                m_transferCount = -1;
            } else if (*value >= 1 && *value <= 0x7fff) {
                m_transferCount = static_cast<int>(*value);
            } else {
                return failure(condition, TWCC_BADVALUE);
            }
            return TWRC_SUCCESS;
        default:
            return failure(condition, TWCC_CAPUNSUPPORTED);
    }
}

void SourceCapabilities::reset(TW_UINT16 cap) {
    switch (cap) {
        case ICAP_PIXELTYPE:
            m_pixelType.reset();
            m_settings.setPixelType(m_defaults.pixelType);
            break;
        case ICAP_XRESOLUTION:
            m_xResolution.reset();
            m_settings.setXResolution(m_defaults.xResolution);
            break;
        case ICAP_YRESOLUTION:
            m_yResolution.reset();
            m_settings.setYResolution(m_defaults.yResolution);
            break;
        case CAP_FEEDERENABLED:
            m_feeder.reset();
            m_settings.setFeederEnabled(m_defaults.feeder);
            break;
        case CAP_XFERCOUNT:
            m_transferCount = -1;
            break;
    }
}

SANE_Status SourceCapabilities::reapply() {
    SANE_Status status = SANE_STATUS_GOOD;
    if (m_pixelType) status = m_settings.setPixelType(*m_pixelType);
    if (status == SANE_STATUS_GOOD && m_xResolution)
        status = m_settings.setXResolution(*m_xResolution);
    if (status == SANE_STATUS_GOOD && m_yResolution)
        status = m_settings.setYResolution(*m_yResolution);
    if (status == SANE_STATUS_GOOD && m_feeder) status = m_settings.setFeederEnabled(*m_feeder);
    return status;
}

SANE_Status SourceCapabilities::choose(int pixelType, double resolution) {
    m_pixelType = pixelType;
    m_xResolution = resolution;
    m_yResolution = resolution;
    return reapply();
}

}  // namespace tessary::twain
