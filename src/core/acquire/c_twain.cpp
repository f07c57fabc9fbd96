#include "acquire/c_twain.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "acquire/source_manager_location.h"
#include "acquire/twain_identity.h"
#include "acquire/twain_ports.h"

namespace tessary {

namespace {

class HeapTransferAllocator : public TransferAllocator {
public:
    void* allocate(std::size_t bytes) override { return std::malloc(bytes); }
    void release(void* block) override { std::free(block); }
};

}  // namespace

TransferAllocator& heapTransferAllocator() {
    static HeapTransferAllocator allocator;
    return allocator;
}

CTwain::CTwain() : m_applicationIdentity(tessary::applicationIdentity()) {
    std::memset(&m_sourceIdentity, 0, sizeof m_sourceIdentity);
}

CTwain::~CTwain() {
    closeDownTo(kManagerNotLoaded);
}

// --- Loading ---------------------------------------------------------------------

bool CTwain::loadManager() {
    return loadManager(sourceManagerCandidates());
}

bool CTwain::loadManager(const std::vector<std::filesystem::path>& candidates) {
    if (m_state >= kManagerLoaded) return true;
    for (const std::filesystem::path& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) continue;
        // The first file that exists is the manager; one that does not load
        // leaves acquisition unavailable.
        if (!m_library.open(path)) return false;
        auto entry = reinterpret_cast<DSMENTRYPROC>(m_library.symbol(TW_DSM_ENTRY_NAME));
        if (entry == nullptr) {
            m_library.close();
            return false;
        }
        return finishLoading(entry);
    }
    return false;
}

bool CTwain::loadManager(DSMENTRYPROC entry) {
    if (m_state >= kManagerLoaded) return true;
    if (entry == nullptr) return false;
    return finishLoading(entry);
}

bool CTwain::finishLoading(DSMENTRYPROC entry) {
    m_entry = entry;
    m_loaded = true;
    m_applicationIdentity = tessary::applicationIdentity();
    setState(kManagerLoaded);
    return true;
}

bool CTwain::unloadManager() {
    if (m_state != kManagerLoaded) return false;
    m_library.close();
    m_entry = nullptr;
    m_loaded = false;
    setState(kManagerNotLoaded);
    return true;
}

// --- Call paths ------------------------------------------------------------------

bool CTwain::managerCall(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message,
                         TW_MEMREF data) {
    return call(nullptr, group, argumentType, message, data);
}

bool CTwain::sourceCall(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message,
                        TW_MEMREF data) {
    return call(&m_sourceIdentity, group, argumentType, message, data);
}

bool CTwain::call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argumentType,
                  TW_UINT16 message, TW_MEMREF data) {
    if (m_entry == nullptr) return false;
    const TW_UINT16 returnCode =
        m_entry(&m_applicationIdentity, destination, group, argumentType, message, data);
    m_lastReturnCode = returnCode;
    if (returnCode == TWRC_FAILURE) {
        // The condition is only available until the next call.
        TW_STATUS status{};
        const TW_UINT16 asked =
            m_entry(&m_applicationIdentity, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        m_lastConditionCode = asked == TWRC_SUCCESS ? status.ConditionCode : TWCC_BUMMER;
    }
    updateState(group, argumentType, message, data, returnCode);
    return returnCode == TWRC_SUCCESS;
}

void CTwain::updateState(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data,
                         TW_UINT16 returnCode) {
    const bool success = returnCode == TWRC_SUCCESS;
    if (group == DG_IMAGE) {
        if ((argumentType == DAT_IMAGEMEMXFER || argumentType == DAT_IMAGENATIVEXFER) &&
            (success || returnCode == TWRC_XFERDONE || returnCode == TWRC_CANCEL))
            setState(kTransferring);
        return;
    }
    if (group != DG_CONTROL) return;
    switch (argumentType) {
        case DAT_PARENT:
            if (success && message == MSG_OPENDSM) setState(kManagerOpen);
            if (success && message == MSG_CLOSEDSM) setState(kManagerLoaded);
            break;
        case DAT_IDENTITY:
            if (success && message == MSG_OPENDS) setState(kSourceOpen);
            if (success && message == MSG_CLOSEDS) setState(kManagerOpen);
            break;
        case DAT_USERINTERFACE:
            // A source that cannot run without its interface enables with it
            // and says so with TWRC_CHECKSTATUS.
            if (message == MSG_ENABLEDS && (success || returnCode == TWRC_CHECKSTATUS))
                setState(kSourceEnabled);
            if (success && message == MSG_DISABLEDS) setState(kSourceOpen);
            break;
        case DAT_EVENT:
            if (message == MSG_PROCESSEVENT && returnCode == TWRC_DSEVENT && data != nullptr) {
                const TW_UINT16 answer = static_cast<const TW_EVENT*>(data)->TWMessage;
                if (answer == MSG_XFERREADY) setState(kTransferReady);
                if (answer == MSG_CLOSEDSREQ) setState(kSourceEnabled);
            }
            break;
        case DAT_PENDINGXFERS:
            if (success && message == MSG_ENDXFER && data != nullptr)
                setState(static_cast<const TW_PENDINGXFERS*>(data)->Count != 0 ? kTransferReady
                                                                               : kSourceEnabled);
            if (success && message == MSG_RESET) setState(kSourceEnabled);
            break;
        default:
            break;
    }
}

void CTwain::setState(std::int32_t state) {
    if (state == m_state) return;
    const std::int32_t previous = m_state;
    m_state = state;
    stateChanged(previous);
}

// --- Operations ------------------------------------------------------------------

bool CTwain::openManager() {
    if (m_state < kManagerLoaded) loadManager();
    if (m_state >= kManagerOpen) return true;
    void* parent = m_parentWindow;
    return managerCall(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
}

bool CTwain::closeManager() {
    closeSource();
    if (m_state != kManagerOpen) return m_state < kManagerOpen;
    void* parent = m_parentWindow;
    return managerCall(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
}

bool CTwain::openDefaultSource() {
    if (m_state != kManagerOpen) return false;
    std::memset(&m_sourceIdentity, 0, sizeof m_sourceIdentity);
    return managerCall(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &m_sourceIdentity);
}

bool CTwain::enableSource() {
    if (m_state != kSourceOpen) return false;
    m_userInterface.ShowUI = static_cast<TW_BOOL>(m_showUI);
    m_userInterface.ModalUI = 0;
    m_userInterface.hParent = m_parentWindow;
    sourceCall(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_userInterface);
    return m_state == kSourceEnabled;
}

bool CTwain::disableSource() {
    if (m_state != kSourceEnabled) return false;
    return sourceCall(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_userInterface);
}

bool CTwain::closeSource() {
    if (m_state == kSourceEnabled && !disableSource()) return false;
    if (m_state != kSourceOpen) return m_state < kSourceOpen;
    return managerCall(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &m_sourceIdentity);
}

bool CTwain::endTransfer() {
    if (m_state != kTransferring) return false;
    return sourceCall(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &m_pendingTransfers);
}

bool CTwain::reset() {
    if (m_state != kTransferReady) return false;
    return sourceCall(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &m_pendingTransfers);
}

bool CTwain::closeDownTo(std::int32_t target) {
    while (m_state > target) {
        const std::int32_t before = m_state;
        switch (m_state) {
            case kTransferring:
                endTransfer();
                break;
            case kTransferReady:
                reset();
                break;
            case kSourceEnabled:
                disableSource();
                break;
            case kSourceOpen:
                closeSource();
                break;
            case kManagerOpen:
                closeManager();
                break;
            default:
                unloadManager();
                break;
        }
        if (m_state == before) return false;
    }
    return true;
}

bool CTwain::selectSource() {
    const std::int32_t remembered = m_state;
    bool chosen = false;
    if (openManager()) {
        managerCall(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &m_sourceIdentity);
        chosen = managerCall(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &m_sourceIdentity);
    }
    closeDownTo(remembered);
    return chosen;
}

bool CTwain::listSources(std::vector<TW_IDENTITY>& sources) {
    sources.clear();
    const std::int32_t remembered = m_state;
    if (!openManager()) {
        closeDownTo(remembered);
        return false;
    }
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    TW_UINT16 message = MSG_GETFIRST;
    while (managerCall(DG_CONTROL, DAT_IDENTITY, message, &identity)) {
        sources.push_back(identity);
        message = MSG_GETNEXT;
    }
    closeDownTo(remembered);
    return true;
}

bool CTwain::setCapability(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 value) {
    TW_HANDLE container = twHandleNew(sizeof(TW_ONEVALUE));
    if (container == nullptr) return false;
    auto* one = static_cast<TW_ONEVALUE*>(twHandleLock(container));
    one->ItemType = itemType;
    one->Item = value;
    TW_CAPABILITY request{capability, TWON_ONEVALUE, container};
    const bool set = sourceCall(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
    twHandleFree(container);
    return set;
}

bool CTwain::setCapability(TW_UINT16 capability, TW_FIX32 value) {
    TW_UINT32 item = 0;
    static_assert(sizeof item == sizeof value);
    std::memcpy(&item, &value, sizeof item);
    return setCapability(capability, TWTY_FIX32, item);
}

}  // namespace tessary
