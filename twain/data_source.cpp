#include "data_source.h"

#include <algorithm>

#include "capability_container.h"
#include "environment.h"

namespace tessary::twain {

namespace {

// The strip size offered to the application: large enough that the cost
// per call vanishes, small enough to stay in the cache.
constexpr TW_UINT32 kPreferredStripBytes = 256 * 1024;

// Previews scan the whole area at this resolution (or the device's nearest).
constexpr double kPreviewResolution = 50.0;

constexpr TW_UINT16 kUnknownCount = 0xffff;  // the protocol's -1: more to come

uint32_t packedRowBytes(const SANE_Parameters& parameters) {
    const uint32_t width = static_cast<uint32_t>(std::max(0, parameters.pixels_per_line));
    if (parameters.format == SANE_FRAME_GRAY)
        return parameters.depth == 1 ? (width + 7) / 8 : width;
    return 3 * width;
}

}  // namespace

TW_UINT16 conditionFor(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_GOOD:
            return TWCC_SUCCESS;
        case SANE_STATUS_NO_MEM:
            return TWCC_LOWMEMORY;
        case SANE_STATUS_JAMMED:
            return TWCC_PAPERJAM;
        case SANE_STATUS_ACCESS_DENIED:
            return TWCC_DENIED;
        case SANE_STATUS_INVAL:
        case SANE_STATUS_UNSUPPORTED:
            return TWCC_BADVALUE;
        case SANE_STATUS_IO_ERROR:
            return TWCC_CHECKDEVICEONLINE;
        case SANE_STATUS_DEVICE_BUSY:
        case SANE_STATUS_COVER_OPEN:
        case SANE_STATUS_NO_DOCS:
            return TWCC_OPERATIONERROR;
        default:
            return TWCC_BUMMER;
    }
}

DataSource::DataSource(std::unique_ptr<SaneDevice> device, const TW_IDENTITY& identity)
    : m_device(std::move(device)),
      m_settings(*m_device),
      m_capabilities(m_settings),
      m_identity(identity) {
    // The environment's options shape the defaults the application sees;
    // a faulty list is reported when the source is enabled.
    m_settings.repairResolution();
    if (const auto options = optionList()) m_settings.apply(*options);
    m_capabilities.recordDefaults();
}

DataSource::~DataSource() {
    m_window.reset();
    m_reader.reset();
}

TW_UINT16 DataSource::fail(TW_UINT16 condition) {
    m_condition = condition;
    return TWRC_FAILURE;
}

TW_UINT16 DataSource::call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    if (group == DG_CONTROL && dat == DAT_STATUS) {
        if (message != MSG_GET || !data) return TWRC_FAILURE;
        auto* status = static_cast<TW_STATUS*>(data);
        status->ConditionCode = m_condition;
        status->Reserved = 0;
        return TWRC_SUCCESS;
    }
    m_condition = TWCC_SUCCESS;
    if (!data) return fail(TWCC_BADVALUE);
    if (group == DG_CONTROL) return control(dat, message, data);
    if (group == DG_IMAGE) return image(dat, message, data);
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::control(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    switch (dat) {
        case DAT_CAPABILITY:
            return m_capabilities.handle(message, *static_cast<TW_CAPABILITY*>(data), m_state == 4,
                                         m_condition);
        case DAT_EVENT:
            if (message != MSG_PROCESSEVENT) return fail(TWCC_BADPROTOCOL);
            if (m_state < 5) return fail(TWCC_SEQERROR);
            return processEvent(*static_cast<TW_EVENT*>(data));
        case DAT_USERINTERFACE:
            if (message == MSG_ENABLEDS) {
                if (m_state != 4) return fail(TWCC_SEQERROR);
                return enable(*static_cast<TW_USERINTERFACE*>(data));
            }
            if (message == MSG_DISABLEDS) {
                if (m_state != 5) return fail(TWCC_SEQERROR);
                disable();
                return TWRC_SUCCESS;
            }
            return fail(TWCC_BADPROTOCOL);
        case DAT_SETUPMEMXFER:
            if (message != MSG_GET) return fail(TWCC_BADPROTOCOL);
            return setupMemXfer(*static_cast<TW_SETUPMEMXFER*>(data));
        case DAT_PENDINGXFERS:
            return pendingXfers(message, *static_cast<TW_PENDINGXFERS*>(data));
        default:
            return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::image(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    if ((dat != DAT_IMAGEINFO && dat != DAT_IMAGEMEMXFER) || message != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (m_state < 6 || !m_reader) return fail(TWCC_SEQERROR);
    if (dat == DAT_IMAGEINFO) return imageInfo(*static_cast<TW_IMAGEINFO*>(data));
    return memXfer(*static_cast<TW_IMAGEMEMXFER*>(data));
}

TW_UINT16 DataSource::prepareDevice() {
    const auto options = optionList();
    if (!options || m_settings.apply(*options) != SANE_STATUS_GOOD ||
        m_capabilities.reapply() != SANE_STATUS_GOOD)
        return fail(TWCC_BADVALUE);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::enable(const TW_USERINTERFACE& ui) {
    if (prepareDevice() != TWRC_SUCCESS) return TWRC_FAILURE;
    m_imagesTaken = 0;
    m_dropPages = false;
    m_cancelRequested = false;
    m_pendingEvent = MSG_NULL;
    if (ui.ShowUI && windowsAvailable()) {
        WindowDescription description;
        description.deviceName = m_device->name();
        description.model = std::string(m_identity.Manufacturer) + " " + m_identity.ProductFamily;
        description.pixelTypes = m_settings.pixelTypes();
        description.resolutions = m_settings.resolutions();
        description.areaLimits = m_settings.areaLimits();
        description.current = windowChoices();
        m_window = openSourceWindow(description, *this);
        m_state = 5;
        return TWRC_SUCCESS;
    }
    const SANE_Status status = startImage();
    if (status != SANE_STATUS_GOOD) {
        stopScanning();
        return fail(conditionFor(status));
    }
    m_pendingEvent = MSG_XFERREADY;
    m_state = 5;
    return TWRC_SUCCESS;
}

void DataSource::disable() {
    m_window.reset();
    stopScanning();
    m_pendingEvent = MSG_NULL;
    m_state = 4;
}

TW_UINT16 DataSource::processEvent(TW_EVENT& event) {
    event.TWMessage = m_pendingEvent;
    if (m_pendingEvent == MSG_NULL) return TWRC_NOTDSEVENT;
    if (m_pendingEvent == MSG_XFERREADY) m_state = 6;
    m_pendingEvent = MSG_NULL;
    return TWRC_DSEVENT;
}

TW_UINT16 DataSource::imageInfo(TW_IMAGEINFO& info) {
    if (const SANE_Status status = m_reader->begin(); status != SANE_STATUS_GOOD)
        return fail(conditionFor(status));
    const ScanLayout& layout = m_reader->layout();
    info = TW_IMAGEINFO{};
    info.XResolution = toFix32(m_capabilities.xResolution());
    info.YResolution = toFix32(m_capabilities.yResolution());
    info.ImageWidth = layout.width;
    info.ImageLength = layout.height;
    info.SamplesPerPixel = static_cast<TW_INT16>(layout.samplesPerPixel);
    for (int i = 0; i < layout.samplesPerPixel; ++i)
        info.BitsPerSample[i] = static_cast<TW_INT16>(layout.bitsPerSample);
    info.BitsPerPixel = static_cast<TW_INT16>(layout.samplesPerPixel * layout.bitsPerSample);
    info.Planar = 0;
    info.PixelType = static_cast<TW_INT16>(layout.pixelType);
    info.Compression = TWCP_NONE;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::setupMemXfer(TW_SETUPMEMXFER& setup) {
    uint32_t rowBytes = 0;
    if (m_reader && m_reader->begin() == SANE_STATUS_GOOD) {
        rowBytes = m_reader->layout().bytesPerRow;
    } else {
        SANE_Parameters parameters{};
        if (m_device->parameters(parameters) == SANE_STATUS_GOOD)
            rowBytes = packedRowBytes(parameters);
    }
    rowBytes = std::max<uint32_t>(1, rowBytes);
    setup.MinBufSize = rowBytes;
    setup.MaxBufSize = static_cast<TW_UINT32>(TWON_DONTCARE32);
    setup.Preferred = std::max(rowBytes, kPreferredStripBytes / rowBytes * rowBytes);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::memXfer(TW_IMAGEMEMXFER& transfer) {
    if (m_transferEnded || !m_reader) return fail(TWCC_SEQERROR);
    auto* memory = static_cast<uint8_t*>((transfer.Memory.Flags & TWMF_HANDLE)
                                             ? twHandleLock(transfer.Memory.TheMem)
                                             : transfer.Memory.TheMem);
    if (!memory) return fail(TWCC_BADVALUE);

    SANE_Status status = SANE_STATUS_GOOD;
    if (m_cancelRequested) status = SANE_STATUS_CANCELLED;
    if (status == SANE_STATUS_GOOD) status = m_reader->begin();
    int rows = 0;
    TW_UINT32 top = 0;
    if (status == SANE_STATUS_GOOD) {
        const ScanLayout& layout = m_reader->layout();
        rows = static_cast<int>(std::min<TW_UINT32>(transfer.Memory.Length / layout.bytesPerRow,
                                                    static_cast<TW_UINT32>(m_reader->rowsLeft())));
        if (rows == 0) return fail(TWCC_BADVALUE);
        top = static_cast<TW_UINT32>(layout.height - m_reader->rowsLeft());
        status = m_reader->readRows(memory, rows);
    }
    if (status != SANE_STATUS_GOOD) {
        abandonImage();
        m_transferEnded = true;
        m_dropPages = true;
        if (status != SANE_STATUS_CANCELLED) return fail(conditionFor(status));
        m_state = 7;
        return TWRC_CANCEL;
    }

    const ScanLayout& layout = m_reader->layout();
    // SANE's line art has 1 = black; the protocol's black-and-white pixels
    // have 0 = black (the application inverts before storing set bits as
    // black), so line art leaves here inverted.
    if (layout.pixelType == TWPT_BW) {
        const std::size_t bytes = std::size_t{layout.bytesPerRow} * static_cast<std::size_t>(rows);
        for (std::size_t i = 0; i < bytes; ++i) memory[i] = static_cast<uint8_t>(~memory[i]);
    }
    transfer.Compression = TWCP_NONE;
    transfer.BytesPerRow = layout.bytesPerRow;
    transfer.Columns = static_cast<TW_UINT32>(layout.width);
    transfer.Rows = static_cast<TW_UINT32>(rows);
    transfer.XOffset = 0;
    transfer.YOffset = top;
    transfer.BytesWritten = layout.bytesPerRow * static_cast<TW_UINT32>(rows);
    m_state = 7;
    if (!m_reader->finished()) return TWRC_SUCCESS;
    m_transferEnded = true;
    // A flatbed scan ends here; a feeder keeps going into its next page.
    if (!m_capabilities.feederEnabled()) m_device->cancel();
    return TWRC_XFERDONE;
}

TW_UINT16 DataSource::pendingXfers(TW_UINT16 message, TW_PENDINGXFERS& pending) {
    pending.Reserved = 0;
    if (message == MSG_GET) {
        const bool waiting = m_state >= 6 && !m_transferEnded;
        pending.Count = waiting ? (m_capabilities.feederEnabled() ? kUnknownCount : 1) : 0;
        return TWRC_SUCCESS;
    }
    if (message != MSG_ENDXFER && message != MSG_RESET) return fail(TWCC_BADPROTOCOL);
    if (m_state < 6) return fail(TWCC_SEQERROR);
    if (!m_transferEnded) abandonImage();
    m_reader.reset();
    ++m_imagesTaken;
    if (message == MSG_ENDXFER && startNextPage()) {
        pending.Count = kUnknownCount;
        m_state = 6;
    } else {
        pending.Count = 0;
        backToEnabled();
    }
    return TWRC_SUCCESS;
}

SANE_Status DataSource::startImage() {
    m_reader.reset();
    m_capabilities.freeze();
    const SANE_Status status = m_device->start();
    if (status != SANE_STATUS_GOOD) return status;
    m_reader = std::make_unique<ScanReader>(*m_device);
    m_transferEnded = false;
    return SANE_STATUS_GOOD;
}

void DataSource::abandonImage() {
    m_device->cancel();
}

void DataSource::stopScanning() {
    m_device->cancel();
    m_reader.reset();
    m_capabilities.thaw();
}

bool DataSource::startNextPage() {
    const int wanted = m_capabilities.transferCount();
    if (m_dropPages || m_cancelRequested || !m_capabilities.feederEnabled() ||
        (wanted > 0 && m_imagesTaken >= wanted)) {
        m_device->cancel();
        return false;
    }
    if (startImage() == SANE_STATUS_GOOD) return true;
    stopScanning();
    return false;
}

void DataSource::backToEnabled() {
    m_state = 5;
    stopScanning();
    m_transferEnded = false;
    m_dropPages = false;
    m_cancelRequested = false;
}

WindowChoices DataSource::windowChoices() const {
    WindowChoices choices;
    choices.pixelType = m_settings.pixelType();
    choices.resolution = m_settings.xResolution();
    if (m_settings.areaLimits()) choices.area = m_settings.area();
    return choices;
}

std::string DataSource::applyChoices(const WindowChoices& choices) {
    if (m_capabilities.choose(choices.pixelType, choices.resolution) != SANE_STATUS_GOOD)
        return "The device refused this mode or resolution.";
    if (choices.area && m_settings.setArea(*choices.area) != SANE_STATUS_GOOD)
        return "The device refused this scan area.";
    return {};
}

std::string DataSource::scanRequested(const WindowChoices& choices) {
    if (m_state != 5 || m_pendingEvent != MSG_NULL) return "Busy: the last scan is still pending.";
    if (std::string error = applyChoices(choices); !error.empty()) return error;
    const SANE_Status status = startImage();
    if (status != SANE_STATUS_GOOD) {
        stopScanning();
        return sane_strstatus(status);
    }
    m_imagesTaken = 0;
    m_dropPages = false;
    m_pendingEvent = MSG_XFERREADY;
    return {};
}

std::string DataSource::previewRequested(const WindowChoices& choices, PreviewImage& image) {
    if (m_state != 5 || m_pendingEvent != MSG_NULL) return "Busy: the last scan is still pending.";
    // The whole area in colour (or grey), from the glass rather than the
    // feeder so that no page is used up; the user's choices come back after.
    const bool feeder = m_settings.feederEnabled();
    m_settings.setPixelType(m_settings.pixelTypes().back());  // ascending: colour, else grey
    if (const auto resolutions = m_settings.resolutions()) {
        m_settings.setXResolution(resolutions->nearest(kPreviewResolution));
        m_settings.setYResolution(resolutions->nearest(kPreviewResolution));
    }
    if (const auto limits = m_settings.areaLimits())
        m_settings.setArea(
            {limits->first.min, limits->second.min, limits->first.max, limits->second.max});
    if (feeder) m_settings.setFeederEnabled(false);

    SANE_Status status = m_device->start();
    if (status == SANE_STATUS_GOOD) {
        ScanReader reader(*m_device);
        status = reader.begin();
        if (status == SANE_STATUS_GOOD) {
            const ScanLayout& layout = reader.layout();
            image.width = layout.width;
            image.height = layout.height;
            image.pixelType = layout.pixelType;
            image.bytesPerRow = layout.bytesPerRow;
            image.pixels.resize(static_cast<size_t>(layout.bytesPerRow) *
                                static_cast<size_t>(layout.height));
            status = reader.readRows(image.pixels.data(), layout.height);
        }
    }
    m_device->cancel();
    if (feeder) m_settings.setFeederEnabled(true);
    const std::string restored = applyChoices(choices);
    if (status != SANE_STATUS_GOOD) {
        image = PreviewImage{};
        return sane_strstatus(status);
    }
    return restored;
}

void DataSource::cancelRequested() {
    if (m_state == 5)
        m_pendingEvent = MSG_CLOSEDSREQ;
    else
        m_cancelRequested = true;
}

}  // namespace tessary::twain
