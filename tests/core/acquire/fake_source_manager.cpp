#include "fake_source_manager.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessary::test {

namespace {

void copyName(char* field, std::size_t bytes, const char* text) {
    std::memset(field, 0, bytes);
    std::strncpy(field, text, bytes - 1);
}

}  // namespace

TW_IDENTITY fakeIdentity(const char* name, const char* family, const char* manufacturer) {
    TW_IDENTITY identity;
    std::memset(&identity, 0, sizeof identity);
    copyName(identity.ProductName, sizeof identity.ProductName, name);
    copyName(identity.ProductFamily, sizeof identity.ProductFamily, family);
    copyName(identity.Manufacturer, sizeof identity.Manufacturer, manufacturer);
    return identity;
}

void FakeSourceManager::start(FakeScript script) {
    *this = FakeSourceManager{};
    m_script = std::move(script);
}

int FakeSourceManager::countCalls(TW_UINT16 argumentType, TW_UINT16 message) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const FakeCall& c) {
        return c.argumentType == argumentType && c.message == message;
    }));
}

TW_UINT16 FakeSourceManager::answer(TW_UINT16 returnCode, TW_UINT16 condition) {
    m_condition = condition;
    return returnCode;
}

TW_UINT16 FakeSourceManager::entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                                   TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data) {
    if (group == DG_CONTROL && argumentType == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = m_condition;
        return TWRC_SUCCESS;
    }
    if (firstOrigin.empty() && origin != nullptr) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(origin);
        firstOrigin.assign(bytes, bytes + sizeof(TW_IDENTITY));
    }
    const TW_UINT16 returnCode = group == DG_IMAGE
                                     ? image(argumentType, message, data)
                                     : control(destination, argumentType, message, data);
    calls.push_back({group, argumentType, message, returnCode, destination != nullptr});
    return returnCode;
}

TW_UINT16 FakeSourceManager::control(TW_IDENTITY* destination, TW_UINT16 argumentType,
                                     TW_UINT16 message, TW_MEMREF data) {
    switch (argumentType) {
        case DAT_PARENT:
            if (message == MSG_OPENDSM && m_state == 2) {
                m_state = 3;
                return TWRC_SUCCESS;
            }
            if (message == MSG_CLOSEDSM && m_state == 3) {
                m_state = 2;
                return TWRC_SUCCESS;
            }
            return answer(TWRC_FAILURE, TWCC_SEQERROR);
        case DAT_IDENTITY: {
            auto* identity = static_cast<TW_IDENTITY*>(data);
            if (m_state < 3 || destination != nullptr) return answer(TWRC_FAILURE, TWCC_SEQERROR);
            switch (message) {
                case MSG_GETDEFAULT:
                case MSG_USERSELECT:
                    *identity = fakeIdentity("Fake Scanner", "Fakes", "Tests");
                    return TWRC_SUCCESS;
                case MSG_GETFIRST:
                    m_listed = 0;
                    [[fallthrough]];
                case MSG_GETNEXT:
                    if (m_listed >= m_script.sources.size()) return TWRC_ENDOFLIST;
                    *identity = m_script.sources[m_listed++];
                    return TWRC_SUCCESS;
                case MSG_OPENDS:
                    if (m_state != 3) return answer(TWRC_FAILURE, TWCC_SEQERROR);
                    sourceNameEmptyAtOpen = identity->ProductName[0] == '\0';
                    *identity = fakeIdentity("Fake Scanner", "Fakes", "Tests");
                    identity->Id = 7;
                    m_state = 4;
                    return TWRC_SUCCESS;
                case MSG_CLOSEDS:
                    if (m_state != 4) return answer(TWRC_FAILURE, TWCC_SEQERROR);
                    m_state = 3;
                    return TWRC_SUCCESS;
                default:
                    return answer(TWRC_FAILURE, TWCC_BADPROTOCOL);
            }
        }
        case DAT_CAPABILITY: {
            auto* capability = static_cast<TW_CAPABILITY*>(data);
            if (m_state != 4 || message != MSG_SET) return answer(TWRC_FAILURE, TWCC_SEQERROR);
            if (capability->ConType != TWON_ONEVALUE ||
                twHandleSize(capability->hContainer) < sizeof(TW_ONEVALUE))
                return answer(TWRC_FAILURE, TWCC_BADVALUE);
            capabilitySets.push_back(*capability);
            capabilityValues.push_back(
                *static_cast<const TW_ONEVALUE*>(twHandleLock(capability->hContainer)));
            return TWRC_SUCCESS;
        }
        case DAT_USERINTERFACE:
            if (message == MSG_ENABLEDS && m_state == 4) {
                userInterface = *static_cast<TW_USERINTERFACE*>(data);
                m_state = 5;
                return TWRC_SUCCESS;
            }
            if (message == MSG_DISABLEDS && m_state == 5) {
                m_state = 4;
                return TWRC_SUCCESS;
            }
            return answer(TWRC_FAILURE, TWCC_SEQERROR);
        case DAT_EVENT: {
            if (m_state < 5) return answer(TWRC_FAILURE, TWCC_SEQERROR);
            auto* event = static_cast<TW_EVENT*>(data);
            if (m_state != 5 || event->pEvent == nullptr) return TWRC_NOTDSEVENT;
            if (++eventRounds < m_script.roundsBeforeReady) return TWRC_NOTDSEVENT;
            if (m_script.userCloses) {
                event->TWMessage = MSG_CLOSEDSREQ;
                return TWRC_DSEVENT;
            }
            if (m_image >= m_script.images.size()) return TWRC_NOTDSEVENT;
            event->TWMessage = MSG_XFERREADY;
            m_state = 6;
            return TWRC_DSEVENT;
        }
        case DAT_SETUPMEMXFER:
            if (m_state < 4) return answer(TWRC_FAILURE, TWCC_SEQERROR);
            *static_cast<TW_SETUPMEMXFER*>(data) = m_script.setup;
            return TWRC_SUCCESS;
        case DAT_PENDINGXFERS: {
            auto* pending = static_cast<TW_PENDINGXFERS*>(data);
            if (message == MSG_ENDXFER && (m_state == 6 || m_state == 7))
                return endTransfer(*pending, false);
            if (message == MSG_RESET && m_state == 6) return endTransfer(*pending, true);
            return answer(TWRC_FAILURE, TWCC_SEQERROR);
        }
        default:
            return answer(TWRC_FAILURE, TWCC_BADPROTOCOL);
    }
}

TW_UINT16 FakeSourceManager::endTransfer(TW_PENDINGXFERS& pending, bool drop) {
    m_image = drop ? m_script.images.size() : m_image + 1;
    m_strip = 0;
    m_nextRow = 0;
    const std::size_t left = m_script.images.size() - std::min(m_image, m_script.images.size());
    pending.Count = static_cast<TW_UINT16>(left);
    m_state = left != 0 ? 6 : 5;
    return TWRC_SUCCESS;
}

TW_UINT16 FakeSourceManager::image(TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data) {
    if (m_state < 6 || m_image >= m_script.images.size() || message != MSG_GET)
        return answer(TWRC_FAILURE, TWCC_SEQERROR);
    const FakeImage& im = current();
    switch (argumentType) {
        case DAT_IMAGEINFO: {
            auto* info = static_cast<TW_IMAGEINFO*>(data);
            std::memset(info, 0, sizeof *info);
            info->XResolution = {300, 0};
            info->YResolution = {150, 0};
            info->ImageWidth = im.width;
            info->ImageLength = im.height;
            info->SamplesPerPixel = im.samplesPerPixel;
            info->BitsPerPixel = im.bitsPerPixel;
            info->PixelType = im.pixelType;
            return TWRC_SUCCESS;
        }
        case DAT_PALETTE8: {
            auto* palette = static_cast<TW_PALETTE8*>(data);
            palette->NumColors = static_cast<TW_UINT16>(im.palette.size());
            palette->PaletteType = TWPA_RGB;
            std::copy(im.palette.begin(), im.palette.end(), palette->Colors);
            return TWRC_SUCCESS;
        }
        case DAT_IMAGEMEMXFER:
            return memoryTransfer(*static_cast<TW_IMAGEMEMXFER*>(data));
        default:
            return answer(TWRC_FAILURE, TWCC_BADPROTOCOL);
    }
}

TW_UINT16 FakeSourceManager::memoryTransfer(TW_IMAGEMEMXFER& transfer) {
    const FakeImage& im = current();
    if (transfer.Memory.Flags != (TWMF_APPOWNS | TWMF_POINTER) || transfer.Memory.TheMem == nullptr)
        return answer(TWRC_FAILURE, TWCC_BADVALUE);
    bufferLengths.push_back(TW_UINT32{transfer.Memory.Length});  // a copy: the field is packed
    if (static_cast<int>(m_strip) == im.failAtStrip) {
        ++m_strip;
        return answer(TWRC_FAILURE, TWCC_OPERATIONERROR);
    }
    auto* out = static_cast<std::uint8_t*>(transfer.Memory.TheMem);
    const std::size_t rasterRows = im.bytesPerRow ? im.raster.size() / im.bytesPerRow : 0;
    bool last = false;
    if (!im.strips.empty()) {
        const FakeStrip& strip = im.strips[m_strip];
        const TW_UINT32 sampleBytes = static_cast<TW_UINT32>(im.samplesPerPixel);
        const TW_UINT32 rowBytes = strip.columns * sampleBytes;
        if (std::uint64_t{rowBytes} * strip.rows > transfer.Memory.Length)
            return answer(TWRC_FAILURE, TWCC_LOWMEMORY);
        for (TW_UINT32 r = 0; r < strip.rows; ++r) {
            for (TW_UINT32 b = 0; b < rowBytes; ++b) {
                const std::size_t row = strip.y + r;
                const std::size_t column = strip.x * sampleBytes + b;
                out[r * rowBytes + b] = row < rasterRows && column < im.bytesPerRow
                                            ? im.raster[row * im.bytesPerRow + column]
                                            : 0;
            }
        }
        transfer.BytesPerRow = rowBytes;
        transfer.Columns = strip.columns;
        transfer.Rows = strip.rows;
        transfer.XOffset = strip.x;
        transfer.YOffset = strip.y;
        last = m_strip + 1 == im.strips.size();
    } else {
        TW_UINT32 rows = transfer.Memory.Length / im.bytesPerRow;
        if (im.rowsPerStrip != 0) rows = std::min(rows, im.rowsPerStrip);
        rows = std::min<TW_UINT32>(rows, static_cast<TW_UINT32>(rasterRows - m_nextRow));
        if (rows == 0) return answer(TWRC_FAILURE, TWCC_LOWMEMORY);
        std::memcpy(out, im.raster.data() + std::size_t{m_nextRow} * im.bytesPerRow,
                    std::size_t{rows} * im.bytesPerRow);
        transfer.BytesPerRow = im.bytesPerRow;
        transfer.Columns = static_cast<TW_UINT32>(im.width);
        transfer.Rows = rows;
        transfer.XOffset = 0;
        transfer.YOffset = m_nextRow;
        m_nextRow += rows;
        last = m_nextRow == rasterRows;
    }
    if (im.claimedBytesPerRow != 0) transfer.BytesPerRow = im.claimedBytesPerRow;
    transfer.Compression = TWCP_NONE;
    transfer.BytesWritten = transfer.BytesPerRow * transfer.Rows;
    ++m_strip;
    m_state = 7;
    return last ? TWRC_XFERDONE : TWRC_SUCCESS;
}

FakeSourceManager& fakeManager() {
    static FakeSourceManager manager;
    return manager;
}

TW_UINT16 fakeEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data) {
    return fakeManager().entry(origin, destination, group, argumentType, message, data);
}

}  // namespace tessary::test
