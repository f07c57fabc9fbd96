#pragma once

// A minimal application side of the acquisition protocol for the source
// manager's tests: every call goes through DSM_Entry as the editor makes it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "twain_protocol.h"

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16,
                               TW_MEMREF);

namespace tessary::test {

// Sets an environment variable for the object's lifetime (unset: nullptr).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// One transferred image: its information and its rows packed as sent.
struct TwainImage {
    TW_IMAGEINFO info{};
    uint32_t bytesPerRow = 0;
    std::vector<uint8_t> rows;
    int strips = 0;
    const uint8_t* row(int y) const { return rows.data() + static_cast<size_t>(y) * bytesPerRow; }
};

class TwainDriver {
public:
    TwainDriver();
    // Closes whatever is still open, down to a loaded manager.
    ~TwainDriver();

    TW_UINT16 manager(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 source(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data);
    TW_UINT16 managerCondition();
    TW_UINT16 sourceCondition();

    TW_UINT16 openManager();
    // The product names GETFIRST / GETNEXT list.
    std::vector<std::string> list();
    // OPENDS with this product name ("" for the default source).
    TW_UINT16 openSource(const std::string& productName = "");
    TW_UINT16 setCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item);
    // MSG_GETCURRENT's one value.
    std::optional<TW_UINT32> currentValue(TW_UINT16 cap);
    TW_UINT16 enable(bool showUI = false);
    // MSG_PROCESSEVENT's message (MSG_NULL when the source has none).
    TW_UINT16 processEvent();
    // IMAGEINFO, SETUPMEMXFER and strips until the source ends the image;
    // checks each strip's fields. `stripRows` > 0 sizes the buffer for that
    // many rows instead of the preferred size. Answers the last return code.
    TW_UINT16 transfer(TwainImage& image, int stripRows = 0);
    // MSG_ENDXFER's pending count (-1 as 0xffff).
    TW_UINT16 endTransfer();

    // Headless scan of the default source with the current environment:
    // open, set the pixel type (unless negative), enable, wait for the image
    // and transfer it in strips of `stripRows` (0: the preferred size).
    TW_UINT16 scanOnce(int pixelType, TwainImage& image, int stripRows = 0);

    TW_IDENTITY application{};
    TW_IDENTITY identity{};

    // SANE's test backend writes each scan from a thread of its own, and
    // sane_cancel (also called by the backend at the end of the data) stops
    // that thread with an asynchronous cancel that can deadlock in the C
    // library when it lands while the thread is ending. Scans that fit in
    // the backend's pipe (64 KiB) end the thread right after they start:
    // enable(), endTransfer() and the tests that start scans through the
    // window wait for that, so that no cancel meets the thread.
    void waitForBackendThread() const;

private:
    size_t m_threads;  // the process's threads before any scan
};

}  // namespace tessary::test
