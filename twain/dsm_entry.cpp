// The library's one exported symbol: the source manager's entry point.

#include <type_traits>

#include "source_manager.h"
#include "twain_protocol.h"

namespace {

tessary::twain::SourceManager& manager() {
    // Lives until the library is unloaded (or the process ends), which
    // closes any open source and stops the SANE library.
    static tessary::twain::SourceManager instance;
    return instance;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* pOrigin,
                                                                      TW_IDENTITY* pDest,
                                                                      TW_UINT32 DG, TW_UINT16 DAT,
                                                                      TW_UINT16 MSG,
                                                                      TW_MEMREF pData) {
    return manager().entry(pOrigin, pDest, DG, DAT, MSG, pData);
}

// The entry point matches the protocol's declared signature.
static_assert(std::is_same_v<decltype(&DSM_Entry), DSMENTRYPROC>);
