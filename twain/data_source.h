#pragma once

#include <memory>
#include <string>

#include "device_settings.h"
#include "sane_device.h"
#include "scan_reader.h"
#include "source_capabilities.h"
#include "twain_protocol.h"
#include "user_interface.h"

namespace tessary::twain {

// One open source: a SANE device behind the protocol's source states
// 4 (open), 5 (enabled), 6 (transfer ready) and 7 (transferring).
//
// Images: a scan is started (sane_start) when the image is offered, so in
// state 6 the device has begun and its parameters are exact. Each image is
// handed out in memory strips of whole rows; the last strip answers
// TWRC_XFERDONE. With the feeder selected, ending a transfer starts the
// next page: when it starts, one more transfer is pending (count -1), when
// the feeder is empty none is. A SANE error while reading ends the image
// with TWRC_FAILURE (SANE_STATUS_CANCELLED with TWRC_CANCEL), cancels the
// scan and drops further pages; the source stays usable.
//
// Without a window (TESSARY_TWAIN_HEADLESS, no QApplication, or ShowUI
// false) enabling starts the scan at once and the next MSG_PROCESSEVENT
// answers MSG_XFERREADY. With its window the user's Scan does so; Cancel or
// closing the window answers MSG_CLOSEDSREQ.
class DataSource final : private SourceWindowClient {
public:
    DataSource(std::unique_ptr<SaneDevice> device, const TW_IDENTITY& identity);
    ~DataSource() override;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    const TW_IDENTITY& identity() const { return m_identity; }
    int state() const { return m_state; }

    // One call from the application (pDest = this source). Sets the
    // condition code DAT_STATUS reports (except for DAT_STATUS itself).
    TW_UINT16 call(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);

private:
    TW_UINT16 fail(TW_UINT16 condition);
    TW_UINT16 control(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 image(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 enable(const TW_USERINTERFACE& ui);
    void disable();
    TW_UINT16 processEvent(TW_EVENT& event);
    TW_UINT16 imageInfo(TW_IMAGEINFO& info);
    TW_UINT16 setupMemXfer(TW_SETUPMEMXFER& setup);
    TW_UINT16 memXfer(TW_IMAGEMEMXFER& transfer);
    TW_UINT16 pendingXfers(TW_UINT16 message, TW_PENDINGXFERS& pending);

    // Sets the environment's options and then the application's values;
    // a refused one fails with TWCC_BADVALUE.
    TW_UINT16 prepareDevice();
    // sane_start for the next image; on success a reader waits for it.
    SANE_Status startImage();
    // Ends the current image's scan early (skipped, cancelled or failed).
    void abandonImage();
    // After a transfer ends: starts the next page when one may follow.
    bool startNextPage();
    // Ends any scan and lets the device answer option queries again.
    void stopScanning();
    void backToEnabled();

    // SourceWindowClient
    std::string scanRequested(const WindowChoices& choices) override;
    std::string previewRequested(const WindowChoices& choices, PreviewImage& image) override;
    void cancelRequested() override;
    WindowChoices windowChoices() const;
    std::string applyChoices(const WindowChoices& choices);

    std::unique_ptr<SaneDevice> m_device;
    DeviceSettings m_settings;
    SourceCapabilities m_capabilities;
    TW_IDENTITY m_identity;
    int m_state = 4;
    TW_UINT16 m_condition = TWCC_SUCCESS;

    std::unique_ptr<SourceWindow> m_window;
    TW_UINT16 m_pendingEvent = MSG_NULL;   // MSG_XFERREADY or MSG_CLOSEDSREQ to deliver
    std::unique_ptr<ScanReader> m_reader;  // the current image while in states 6 and 7
    bool m_transferEnded = false;          // the current image answered XFERDONE, CANCEL or FAILURE
    bool m_dropPages = false;              // no further pages after the current image
    bool m_cancelRequested = false;
    int m_imagesTaken = 0;  // images ended since enabling or the last Scan
};

// The condition code for a SANE status.
TW_UINT16 conditionFor(SANE_Status status);

}  // namespace tessary::twain
