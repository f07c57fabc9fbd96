// CTwain::acquire: from opening the source to the last strip of the last
// pending image.

#include <cstring>

#include "acquire/c_twain.h"
#include "acquire/image_transfer.h"
#include "acquire/twain_ports.h"
#include "model/page.h"
#include "model/pro_data_buffer.h"
#include "platform/assert.h"

namespace tessary {

namespace {

// The transfer buffer's size when the source does not name one.
constexpr std::size_t kDefaultBufferBytes = 100000;
// Strips without pixels are skipped; a source that sends this many in a row
// is making no progress, and the image fails instead of waiting forever.
constexpr int kMaxEmptyStrips = 64;

// What the host hands the source with every event round. The source
// manager's sources take their input through the application's own event
// dispatch and do not read it.
struct HostEvent {
    std::uint32_t round = 0;
};

// The transfer buffer, released on every way out of an image.
class BufferHold {
public:
    BufferHold(TransferAllocator& allocator, TransferImage& image)
        : m_allocator(allocator), m_image(image) {}
    ~BufferHold() {
        if (m_image.buffer != nullptr) m_allocator.release(m_image.buffer);
        m_image.buffer = nullptr;
        m_image.bufferBytes = 0;
    }
    BufferHold(const BufferHold&) = delete;
    BufferHold& operator=(const BufferHold&) = delete;

private:
    TransferAllocator& m_allocator;
    TransferImage& m_image;
};

}  // namespace

int CTwain::acquire(std::unique_ptr<Page>& page, const AcquireServices& services) {
    TS_ASSERT(page != nullptr && services.pump != nullptr && services.pages != nullptr);
    TransferAllocator& allocator =
        services.allocator != nullptr ? *services.allocator : heapTransferAllocator();
    int result = prepareTransfer(services);
    while (result == TWRC_SUCCESS) {
        bool pending = false;
        result = transferImage(*page, allocator, pending);
        if (result != TWRC_SUCCESS) break;
        if (!pending) {
            disableSource();
            break;
        }
        page->setModified(true);
        services.pages->pageAcquired(std::move(page));
        page = services.pages->newPage();
        if (page == nullptr) result = TWRC_FAILURE;
    }
    if (result != TWRC_SUCCESS && result != kAcquireCancelled) reportFailure(result);
    closeDownTo(kManagerLoaded);
    return result;
}

int CTwain::prepareTransfer(const AcquireServices& services) {
    // The code of the call that failed; a failure without a call (no
    // manager, a step refused in the wrong state) is a plain failure.
    auto failed = [this] {
        return m_lastReturnCode != TWRC_SUCCESS ? int{m_lastReturnCode} : int{TWRC_FAILURE};
    };
    m_lastReturnCode = TWRC_SUCCESS;
    if (!openManager() || !openDefaultSource()) return failed();
    if (!setCapability(ICAP_XFERMECH, TWTY_INT16, TWSX_MEMORY)) return failed();
    if (services.configureSource && !services.configureSource(*this)) return failed();
    if (!enableSource()) return failed();
    return waitForImage(*services.pump);
}

int CTwain::waitForImage(TwainMessagePump& pump) {
    HostEvent hostEvent;
    while (true) {
        if (!pump.runEvents()) return kAcquireCancelled;
        ++hostEvent.round;
        TW_EVENT event{&hostEvent, MSG_NULL};
        sourceCall(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        // A source that fails to answer events is gone; waiting for it
        // would never end.
        if (m_lastReturnCode == TWRC_FAILURE) return TWRC_FAILURE;
        if (m_lastReturnCode != TWRC_DSEVENT) continue;
        if (event.TWMessage == MSG_XFERREADY) return TWRC_SUCCESS;
        if (event.TWMessage == MSG_CLOSEDSREQ) return kAcquireCancelled;
    }
}

int CTwain::transferImage(Page& page, TransferAllocator& allocator, bool& pending) {
    pending = false;
    TransferImage image;
    BufferHold hold(allocator, image);

    // The image's description (a failure leaves it empty, so the page
    // cannot be shaped), and the palette of palette images.
    TW_IMAGEINFO info;
    std::memset(&info, 0, sizeof info);
    sourceCall(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    const bool described = describeImage(info, image);
    if (image.shape.conversion == ProDataBuffer::kSourceIndexed) {
        TW_PALETTE8 palette;
        std::memset(&palette, 0, sizeof palette);
        if (sourceCall(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette)) takePalette(palette, image);
    }

    // The buffer the source writes strips into.
    TW_SETUPMEMXFER setup{};
    std::size_t preferred = kDefaultBufferBytes;
    std::size_t minimum = 1;
    if (sourceCall(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup)) {
        if (setup.Preferred != 0 && setup.Preferred != TWON_DONTCARE32) preferred = setup.Preferred;
        if (setup.MinBufSize != TWON_DONTCARE32) minimum = setup.MinBufSize;
    }
    image.buffer = allocateTransferBuffer(allocator, preferred, minimum, image.bufferBytes);
    if (image.buffer == nullptr) return kAcquireCancelled;

    // A white page of the image's type and size; CMYK and unknown types
    // have no page type, and the image fails here.
    if (!described ||
        !page.shapeWhite(image.shape.pageType, image.width, image.height, image.shape.planes))
        return TWRC_FAILURE;
    if (image.horizontalResolution >= 1.0 && image.verticalResolution >= 1.0)
        page.setResolution(image.horizontalResolution, image.verticalResolution);

    ProDataBuffer buffer;
    buffer.setSourceKind(image.shape.conversion);
    if (buffer.sourceKind() == ProDataBuffer::kSourceIndexed)
        buffer.setColourTable(image.colours.data());

    TW_IMAGEMEMXFER transfer;
    std::memset(&transfer, 0, sizeof transfer);
    transfer.Compression = TWCP_NONE;
    transfer.BytesPerRow = transfer.Columns = transfer.Rows = TWON_DONTCARE32;
    transfer.XOffset = transfer.YOffset = transfer.BytesWritten = TWON_DONTCARE32;
    int emptyStrips = 0;
    while (true) {
        transfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        transfer.Memory.Length = static_cast<TW_UINT32>(image.bufferBytes);
        transfer.Memory.TheMem = image.buffer;
        sourceCall(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer);
        const TW_UINT16 answer = m_lastReturnCode;
        const bool done = answer == TWRC_XFERDONE;
        if (answer == TWRC_FAILURE || answer == TWRC_CANCEL) {
            endTransfer();
            return answer;
        }
        if (answer != TWRC_SUCCESS && !done) return answer;
        if (done) {
            if (!endTransfer()) return TWRC_FAILURE;
            pending = pendingCount() != 0;
        }
        switch (placeStrip(transfer, image)) {
            case StripPlacement::Placed:
                emptyStrips = 0;
                if (!writeStrip(page, buffer, image)) return TWRC_FAILURE;
                break;
            case StripPlacement::Empty:
                if (++emptyStrips > kMaxEmptyStrips) return TWRC_FAILURE;
                break;
            case StripPlacement::Overrun:
            case StripPlacement::BadLayout:
                return TWRC_FAILURE;
        }
        if (done) return TWRC_SUCCESS;
    }
}

}  // namespace tessary
