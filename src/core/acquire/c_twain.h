#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/shared_library.h"
#include "twain_protocol.h"

namespace tessary {

class AcquiredPagePort;
class Page;
class TransferAllocator;
class TwainMessagePump;

// The application's side of the acquisition protocol: one object per
// process that loads the source manager library, opens it and its default
// source, and transfers images from the source in memory mode, strip by
// strip, into pages.
//
// Every call goes through one of two paths: a manager call (origin the
// application identity, no destination) or a source call (destination the
// source identity). Each stores the return code, updates the state and
// returns true for TWRC_SUCCESS; without a loaded manager it does nothing and
// returns false.
//
// States: 1 manager not loaded, 2 loaded, 3 manager open, 4 source open,
// 5 source enabled, 6 transfer ready, 7 transferring. After the successful
// calls: open manager 3, close manager 2, open source 4, close source 3,
// enable 5, disable 4; an event answering "transfer ready" 6, "close
// request" 5; an image transfer answering success, done or cancel 7; end of
// transfer 6 while transfers are pending, else 5; reset 5.
//
// A missing manager is no error: the state stays 1 and every operation
// returns false without effect.
class CTwain {
public:
    enum State : std::int32_t {
        kManagerNotLoaded = 1,
        kManagerLoaded = 2,
        kManagerOpen = 3,
        kSourceOpen = 4,
        kSourceEnabled = 5,
        kTransferReady = 6,
        kTransferring = 7,
    };

    // Result of acquire() when the user closed the source, the application
    // closed, or no transfer buffer could be had.
    static constexpr int kAcquireCancelled = 2;

    // What acquire() needs besides the page. The pump and the page port must
    // be given; the allocator defaults to the heap.
    struct AcquireServices {
        TwainMessagePump* pump = nullptr;
        AcquiredPagePort* pages = nullptr;
        TransferAllocator* allocator = nullptr;
        // Called once the source is open and set to memory transfers, before
        // it is enabled (to set its capabilities). False ends the
        // acquisition with the last return code (TWRC_FAILURE when that was
        // a success).
        std::function<bool(CTwain&)> configureSource;
    };

    CTwain();
    // Closes everything down and unloads the manager.
    virtual ~CTwain();
    CTwain(const CTwain&) = delete;
    CTwain& operator=(const CTwain&) = delete;

    // --- The manager library ------------------------------------------------
    // In state 1: loads the first candidate that exists (see
    // source_manager_location.h), finds DSM_Entry and moves to state 2. A
    // missing file, a library that does not load or exports no DSM_Entry
    // leaves state 1. True when the manager is loaded afterwards.
    bool loadManager();
    bool loadManager(const std::vector<std::filesystem::path>& candidates);
    // In state 1: uses `entry` as the manager without a library (for tests
    // and for a manager linked into the program). Null leaves state 1.
    bool loadManager(DSMENTRYPROC entry);
    // In state 2: releases the library, state 1.
    bool unloadManager();

    // --- Operations -----------------------------------------------------------
    // DG_CONTROL / DAT_PARENT / MSG_OPENDSM with the parent window, after
    // loading the manager when it is not loaded.
    bool openManager();
    // Closes the source, then from state 3 on MSG_CLOSEDSM.
    bool closeManager();
    // Only in state 3: empties the source identity (id 0, no product name)
    // and opens the manager's default source.
    bool openDefaultSource();
    // Only in state 4: MSG_ENABLEDS with the show-UI field and the parent.
    bool enableSource();
    // Only in state 5: MSG_DISABLEDS.
    bool disableSource();
    // From state 5 disables first, then from 4 MSG_CLOSEDS.
    virtual bool closeSource();
    // Only in state 7: DG_CONTROL / DAT_PENDINGXFERS / MSG_ENDXFER; the
    // pending count is left in pendingCount().
    bool endTransfer();
    // Only in state 6: MSG_RESET, dropping the pending transfers.
    bool reset();
    // Undoes the current state (7 end transfer, 6 reset, 5 disable, 4 close
    // source, 3 close manager, 2 unload) until the state is at or below
    // `target` or a step fails. True when the target was reached.
    bool closeDownTo(std::int32_t target);

    // The Select Source command: opens the manager, asks for the default
    // source (MSG_GETDEFAULT) and lets the manager show its selection dialog
    // on it (MSG_USERSELECT); then closes down to the state it started in.
    bool selectSource();
    // The sources the manager knows (MSG_GETFIRST, MSG_GETNEXT until the end
    // of the list), opening the manager for it and closing down again
    // afterwards. False when the manager could not be opened.
    bool listSources(std::vector<TW_IDENTITY>& sources);

    // Acquires into `page` (an empty page the caller made): opens the
    // manager and the default source, sets memory transfers, enables the
    // source and runs the pump until the source has an image ready, then
    // transfers every pending image. Every image but the last goes to the
    // page port as soon as it is complete (the next one goes into a new page
    // from the port); the last stays in `page`. Closes the source and the
    // manager before returning (state 2). Returns 0 when the last image is
    // complete, kAcquireCancelled when the user closed the source or no
    // buffer could be had, or the return code of the call that failed
    // (TWRC_FAILURE for failures on this side: a page that cannot be
    // shaped, a strip that does not fit the image, a full tile store). On
    // failure the image in `page` is incomplete; earlier images stay with
    // the port.
    int acquire(std::unique_ptr<Page>& page, const AcquireServices& services);

    // MSG_SET of a one-value capability (in state 4, between opening and
    // enabling). Values of types up to 32 bits travel in the container's
    // item field; a TW_FIX32 as its bytes.
    bool setCapability(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 value);
    bool setCapability(TW_UINT16 capability, TW_FIX32 value);

    // --- The two call paths -------------------------------------------------
    bool managerCall(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data);
    bool sourceCall(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data);

    // --- State ------------------------------------------------------------------
    std::int32_t state() const { return m_state; }
    bool loaded() const { return m_loaded; }
    TW_UINT16 lastReturnCode() const { return m_lastReturnCode; }
    // The condition code the manager or source gave for the last call that
    // answered TWRC_FAILURE (DAT_STATUS asked at once); TWCC_SUCCESS before.
    TW_UINT16 lastConditionCode() const { return m_lastConditionCode; }
    TW_INT16 pendingCount() const { return static_cast<TW_INT16>(m_pendingTransfers.Count); }
    const TW_IDENTITY& applicationIdentity() const { return m_applicationIdentity; }
    const TW_IDENTITY& sourceIdentity() const { return m_sourceIdentity; }

    // The window the manager and the source take as their parent (opaque
    // here; the editor passes its main window as a QWidget*). Null: none.
    void setParentWindow(void* window) { m_parentWindow = window; }
    void* parentWindow() const { return m_parentWindow; }
    // 1 (the default): the source shows its own interface when enabled.
    void setShowUI(std::int32_t show) { m_showUI = show; }

protected:
    // Called after every change of state, with the state before it.
    virtual void stateChanged(std::int32_t /*previous*/) {}
    // Called when an acquisition ends with a result other than 0 or a
    // cancel, before the source is closed.
    virtual void reportFailure(int /*result*/) {}

private:
    bool call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message,
              TW_MEMREF data);
    void updateState(TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data,
                     TW_UINT16 returnCode);
    void setState(std::int32_t state);
    bool finishLoading(DSMENTRYPROC entry);

    // Steps 2 and 3 of an acquisition: memory transfers, the caller's
    // settings, enabling, and the event loop. 0 when an image is ready.
    int prepareTransfer(const AcquireServices& services);
    int waitForImage(TwainMessagePump& pump);
    // One image into `page`; `pending` tells whether more follow.
    int transferImage(Page& page, TransferAllocator& allocator, bool& pending);

    // Fields in the order the design gives them.
    std::int32_t m_state = kManagerNotLoaded;
    TW_IDENTITY m_applicationIdentity;
    TW_UINT16 m_lastReturnCode = TWRC_SUCCESS;
    TW_USERINTERFACE m_userInterface{};
    std::int32_t m_showUI = 1;
    TW_PENDINGXFERS m_pendingTransfers{};
    void* m_parentWindow = nullptr;

    // The manager library and its entry point, and the source opened last.
    platform::SharedLibrary m_library;
    DSMENTRYPROC m_entry = nullptr;
    bool m_loaded = false;
    TW_IDENTITY m_sourceIdentity;
    TW_UINT16 m_lastConditionCode = TWCC_SUCCESS;
};

}  // namespace tessary
