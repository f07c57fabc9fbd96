#pragma once

// A source manager with one scripted source, for the acquisition tests. It
// keeps the protocol's states itself and refuses calls out of sequence
// (TWRC_FAILURE, TWCC_SEQERROR), so a host that skips or reorders a step
// fails the test. Built into the test program (entered through fakeEntry)
// and into a shared library exporting DSM_Entry (reached through the real
// loading path).

#include <cstdint>
#include <vector>

#include "twain_protocol.h"

namespace tessary::test {

// A strip the source claims, in image pixels.
struct FakeStrip {
    TW_UINT32 x, y, columns, rows;
};

// One image the source transfers.
struct FakeImage {
    TW_INT16 pixelType = TWPT_RGB;
    TW_INT16 samplesPerPixel = 3;
    TW_INT16 bitsPerPixel = 24;
    TW_INT32 width = 0;  // as announced in the image information
    TW_INT32 height = 0;
    // The source's rows, bytesPerRow apart; there may be more of them than
    // announced.
    TW_UINT32 bytesPerRow = 0;
    std::vector<std::uint8_t> raster;
    std::vector<TW_ELEMENT8> palette;
    // Without explicit strips: whole raster rows, at most rowsPerStrip (0:
    // as many as fit the buffer) per strip, top to bottom.
    TW_UINT32 rowsPerStrip = 0;
    // Explicit strips (samples of whole bytes only), taken from the raster
    // with zeros where it has no samples.
    std::vector<FakeStrip> strips;
    int failAtStrip = -1;              // answers TWRC_FAILURE to this strip (0 = first)
    TW_UINT32 claimedBytesPerRow = 0;  // reported instead of the true value when set
};

struct FakeScript {
    std::vector<FakeImage> images;
    int roundsBeforeReady = 2;  // event rounds before "transfer ready"
    bool userCloses = false;    // "close request" instead of "transfer ready"
    TW_SETUPMEMXFER setup{1024, 1 << 20, 64000};
    std::vector<TW_IDENTITY> sources;  // the manager's source list
};

struct FakeCall {
    TW_UINT32 group;
    TW_UINT16 argumentType;
    TW_UINT16 message;
    TW_UINT16 returnCode;
    bool toSource;
};

class FakeSourceManager {
public:
    void start(FakeScript script);
    TW_UINT16 entry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data);

    // What the host did.
    std::vector<FakeCall> calls;            // DAT_STATUS questions left out
    std::vector<std::uint8_t> firstOrigin;  // the origin's bytes at the first call
    std::vector<TW_CAPABILITY> capabilitySets;
    std::vector<TW_ONEVALUE> capabilityValues;
    std::vector<TW_UINT32> bufferLengths;  // Memory.Length of each strip request
    int eventRounds = 0;
    bool sourceNameEmptyAtOpen = false;
    TW_USERINTERFACE userInterface{};

    int countCalls(TW_UINT16 argumentType, TW_UINT16 message) const;

private:
    TW_UINT16 answer(TW_UINT16 returnCode, TW_UINT16 condition = TWCC_SUCCESS);
    TW_UINT16 control(TW_IDENTITY* destination, TW_UINT16 argumentType, TW_UINT16 message,
                      TW_MEMREF data);
    TW_UINT16 image(TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 memoryTransfer(TW_IMAGEMEMXFER& transfer);
    TW_UINT16 endTransfer(TW_PENDINGXFERS& pending, bool drop);
    const FakeImage& current() const { return m_script.images[m_image]; }

    FakeScript m_script;
    int m_state = 2;
    std::size_t m_image = 0;
    std::size_t m_strip = 0;
    TW_UINT32 m_nextRow = 0;
    std::size_t m_listed = 0;
    TW_UINT16 m_condition = TWCC_SUCCESS;
};

// The test program's manager, and its entry point.
FakeSourceManager& fakeManager();
TW_UINT16 fakeEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32 group,
                    TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data);

// The name under which the shared library exports its manager.
inline constexpr const char* kFakeManagerSymbol = "tessaryFakeManager";

// A source identity named `name`.
TW_IDENTITY fakeIdentity(const char* name, const char* family, const char* manufacturer);

}  // namespace tessary::test
