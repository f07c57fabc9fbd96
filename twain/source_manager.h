#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data_source.h"
#include "sane_device.h"
#include "twain_protocol.h"

namespace tessary::twain {

// The source manager behind DSM_Entry: state 2 (loaded) and 3 (open, with
// the SANE library started), the sources (one per SANE device, Ids given
// here), the default source and the one open source.
//
// Identities: ProductName is the SANE device name cut to 33 characters,
// ProductFamily the model, Manufacturer the vendor. The default source is
// $TESSARY_TWAIN_DEVICE, else the remembered one (when still listed), else
// the first device. One application and one open source at a time.
class SourceManager {
public:
    SourceManager();
    ~SourceManager();
    SourceManager(const SourceManager&) = delete;
    SourceManager& operator=(const SourceManager&) = delete;

    // The protocol's entry: calls to the manager (no destination) and calls
    // passed on to the open source.
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 dat,
                    TW_UINT16 message, TW_MEMREF data);

private:
    struct Source {
        TW_IDENTITY identity;
        std::string deviceName;
    };

    TW_UINT16 fail(TW_UINT16 condition);
    TW_UINT16 openManager(TW_IDENTITY& application);
    void closeManager();
    TW_UINT16 identity(TW_UINT16 message, TW_IDENTITY& identity);
    TW_UINT16 openSource(TW_IDENTITY& wanted);
    TW_UINT16 closeSource(const TW_IDENTITY& which);
    TW_UINT16 userSelect(TW_IDENTITY& identity);
    const Source* defaultSource() const;
    const Source* findByName(const char* productName) const;
    void addSource(const SaneDeviceInfo& device);

    int m_state = 2;
    TW_UINT16 m_condition = TWCC_SUCCESS;
    std::unique_ptr<SaneSession> m_sane;
    std::vector<Source> m_sources;
    size_t m_nextListed = 0;
    TW_UINT32 m_nextId = 1;
    std::unique_ptr<DataSource> m_open;
};

}  // namespace tessary::twain
