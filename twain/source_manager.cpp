#include "source_manager.h"

#include <algorithm>
#include <cstring>

#include "environment.h"
#include "remembered_source.h"
#include "user_interface.h"

namespace tessary::twain {

namespace {

// Copies `text` into a protocol string field, cut to fit with its NUL.
template <size_t N>
void copyCut(char (&field)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, N - length);
}

}  // namespace

SourceManager::SourceManager() = default;

SourceManager::~SourceManager() {
    closeManager();
}

TW_UINT16 SourceManager::fail(TW_UINT16 condition) {
    m_condition = condition;
    return TWRC_FAILURE;
}

TW_UINT16 SourceManager::entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                               TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    if (!origin) return fail(TWCC_BADPROTOCOL);
    if (destination) {
        if (m_state < 3) return fail(TWCC_SEQERROR);
        if (!m_open || destination->Id != m_open->identity().Id) return fail(TWCC_BADDEST);
        return m_open->call(group, dat, message, data);
    }
    if (group == DG_CONTROL && dat == DAT_STATUS) {
        if (message != MSG_GET || !data) return TWRC_FAILURE;
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = m_condition;
        status->Reserved = 0;
        return TWRC_SUCCESS;
    }
    m_condition = TWCC_SUCCESS;
    if (group != DG_CONTROL) return fail(TWCC_BADPROTOCOL);
    if (dat == DAT_PARENT) {
        if (message == MSG_OPENDSM) {
            if (m_state != 2) return fail(TWCC_SEQERROR);
            return openManager(*origin);
        }
        if (message == MSG_CLOSEDSM) {
            if (m_state != 3 || m_open) return fail(TWCC_SEQERROR);
            closeManager();
            return TWRC_SUCCESS;
        }
        return fail(TWCC_BADPROTOCOL);
    }
    if (dat == DAT_IDENTITY) {
        if (m_state != 3) return fail(TWCC_SEQERROR);
        if (!data) return fail(TWCC_BADVALUE);
        return identity(message, *static_cast<TW_IDENTITY*>(data));
    }
    return fail(TWCC_BADPROTOCOL);
}

void SourceManager::addSource(const SaneDeviceInfo& device) {
    Source source;
    source.deviceName = device.name;
    TW_IDENTITY& id = source.identity;
    id = TW_IDENTITY{};
    id.Id = m_nextId++;
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_USA;
    id.Version.Country = TWCY_USA;
    copyCut(id.Version.Info, "1.0");
    id.ProtocolMajor = 1;
    id.ProtocolMinor = 5;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyCut(id.Manufacturer, device.vendor);
    copyCut(id.ProductFamily, device.model);
    copyCut(id.ProductName, device.name);
    m_sources.push_back(source);
}

TW_UINT16 SourceManager::openManager(TW_IDENTITY& application) {
    const WaitCursor waiting;
    m_sane = std::make_unique<SaneSession>();
    if (!m_sane->ready()) {
        m_sane.reset();
        return fail(TWCC_BUMMER);
    }
    m_nextId = 1;
    application.Id = m_nextId++;
    m_sources.clear();
    for (const SaneDeviceInfo& device : m_sane->devices()) addSource(device);
    // A device named in the environment may be one discovery does not list
    // (a network address): it becomes a source of its own.
    const std::string wanted = deviceOverride();
    if (!wanted.empty() && std::none_of(m_sources.begin(), m_sources.end(),
                                        [&](const Source& s) { return s.deviceName == wanted; }))
        addSource({wanted, "", ""});
    m_nextListed = 0;
    m_state = 3;
    return TWRC_SUCCESS;
}

void SourceManager::closeManager() {
    m_open.reset();
    m_sources.clear();
    m_sane.reset();
    m_state = 2;
}

const SourceManager::Source* SourceManager::findByName(const char* productName) const {
    for (const Source& source : m_sources)
        if (std::strncmp(source.identity.ProductName, productName, sizeof(TW_STR32)) == 0)
            return &source;
    return nullptr;
}

const SourceManager::Source* SourceManager::defaultSource() const {
    const auto byDevice = [this](const std::string& name) -> const Source* {
        for (const Source& source : m_sources)
            if (!name.empty() && source.deviceName == name) return &source;
        return nullptr;
    };
    if (const Source* source = byDevice(deviceOverride())) return source;
    if (const Source* source = byDevice(readRememberedSource(stateFolder()))) return source;
    return m_sources.empty() ? nullptr : &m_sources.front();
}

TW_UINT16 SourceManager::identity(TW_UINT16 message, TW_IDENTITY& identity) {
    switch (message) {
        case MSG_GETFIRST:
            m_nextListed = 0;
            [[fallthrough]];
        case MSG_GETNEXT:
            if (m_nextListed >= m_sources.size()) return TWRC_ENDOFLIST;
            identity = m_sources[m_nextListed++].identity;
            return TWRC_SUCCESS;
        case MSG_GETDEFAULT: {
            const Source* source = defaultSource();
            if (!source) return fail(TWCC_NODS);
            identity = source->identity;
            return TWRC_SUCCESS;
        }
        case MSG_OPENDS:
            return openSource(identity);
        case MSG_CLOSEDS:
            return closeSource(identity);
        case MSG_USERSELECT:
            return userSelect(identity);
        default:
            return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 SourceManager::openSource(TW_IDENTITY& wanted) {
    if (m_open) return fail(TWCC_MAXCONNECTIONS);
    const Source* source =
        wanted.ProductName[0] == '\0' ? defaultSource() : findByName(wanted.ProductName);
    if (!source) {
        if (m_sources.empty() && windowsAvailable()) reportNoSources();
        return fail(TWCC_NODS);
    }
    std::unique_ptr<SaneDevice> device;
    const SANE_Status status = [&] {
        const WaitCursor waiting;
        return SaneDevice::open(source->deviceName, device);
    }();
    if (status != SANE_STATUS_GOOD)
        return fail(status == SANE_STATUS_INVAL ? TWCC_NODS : conditionFor(status));
    m_open = std::make_unique<DataSource>(std::move(device), source->identity);
    wanted = source->identity;
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::closeSource(const TW_IDENTITY& which) {
    if (!m_open || which.Id != m_open->identity().Id) return fail(TWCC_BADDEST);
    if (m_open->state() != 4) return fail(TWCC_SEQERROR);
    m_open.reset();
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::userSelect(TW_IDENTITY& identity) {
    const Source* current = defaultSource();
    if (!current) {
        if (windowsAvailable()) reportNoSources();
        return fail(TWCC_NODS);
    }
    if (identity.ProductName[0] != '\0')
        if (const Source* given = findByName(identity.ProductName)) current = given;
    if (!windowsAvailable()) {  // headless: the default stays
        identity = current->identity;
        return TWRC_SUCCESS;
    }
    std::vector<std::string> lines;
    for (const Source& source : m_sources) {
        std::string line = source.deviceName;
        const std::string model =
            std::string(source.identity.Manufacturer) + " " + source.identity.ProductFamily;
        if (model != " ") line += "  (" + model + ")";
        lines.push_back(line);
    }
    const auto chosen = chooseSource(lines, static_cast<size_t>(current - m_sources.data()));
    if (!chosen) return TWRC_CANCEL;
    const Source& source = m_sources[*chosen];
    rememberSource(stateFolder(), source.deviceName);
    identity = source.identity;
    return TWRC_SUCCESS;
}

}  // namespace tessary::twain
