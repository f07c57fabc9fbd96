// The fake source manager as a library, as the host loads a real one.

#include "fake_source_manager.h"

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(
    TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argumentType,
    TW_UINT16 message, TW_MEMREF data) {
    return tessary::test::fakeEntry(origin, destination, group, argumentType, message, data);
}

extern "C" __attribute__((visibility("default"))) tessary::test::FakeSourceManager*
tessaryFakeManager() {
    return &tessary::test::fakeManager();
}
