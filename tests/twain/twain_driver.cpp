#include "twain_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace tessary::test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

namespace {

size_t threadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<size_t>(std::distance(begin(tasks), end(tasks)));
}

}  // namespace

void TwainDriver::waitForBackendThread() const {
    // Bounded: a thread that never ends fails the test instead of hanging it.
    for (int i = 0; i < 5000 && threadCount() > m_threads; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_LE(threadCount(), m_threads) << "the backend's reader thread did not end";
}

TwainDriver::TwainDriver() : m_threads(threadCount()) {
    application.Version.MajorNum = 1;
    application.Version.Language = TWLG_USA;
    application.Version.Country = TWCY_USA;
    std::strcpy(application.Version.Info, "1.0 b1");
    application.ProtocolMajor = 1;
    application.ProtocolMinor = 5;
    application.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(application.Manufacturer, "Orvane Inc.");
    std::strcpy(application.ProductFamily, "Tessary");
    std::strcpy(application.ProductName, "Tessary");
}

TwainDriver::~TwainDriver() {
    // Each step is refused in the wrong state, so the whole ladder is safe.
    TW_PENDINGXFERS pending{};
    source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    TW_USERINTERFACE ui{};
    source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    manager(DAT_IDENTITY, MSG_CLOSEDS, &identity);
    TW_UINT32 parent = 0;
    manager(DAT_PARENT, MSG_CLOSEDSM, &parent);
}

TW_UINT16 TwainDriver::manager(TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return DSM_Entry(&application, nullptr, DG_CONTROL, dat, message, data);
}

TW_UINT16 TwainDriver::source(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message, TW_MEMREF data) {
    return DSM_Entry(&application, &identity, group, dat, message, data);
}

TW_UINT16 TwainDriver::managerCondition() {
    TW_STATUS status{};
    EXPECT_EQ(manager(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

TW_UINT16 TwainDriver::sourceCondition() {
    TW_STATUS status{};
    EXPECT_EQ(source(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

TW_UINT16 TwainDriver::openManager() {
    TW_UINT32 parent = 0;
    return manager(DAT_PARENT, MSG_OPENDSM, &parent);
}

std::vector<std::string> TwainDriver::list() {
    std::vector<std::string> names;
    TW_IDENTITY found{};
    for (TW_UINT16 rc = manager(DAT_IDENTITY, MSG_GETFIRST, &found); rc == TWRC_SUCCESS;
         rc = manager(DAT_IDENTITY, MSG_GETNEXT, &found))
        names.emplace_back(found.ProductName);
    return names;
}

TW_UINT16 TwainDriver::openSource(const std::string& productName) {
    identity = TW_IDENTITY{};
    std::strncpy(identity.ProductName, productName.c_str(), sizeof identity.ProductName - 1);
    return manager(DAT_IDENTITY, MSG_OPENDS, &identity);
}

TW_UINT16 TwainDriver::setCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, twHandleNew(sizeof(TW_ONEVALUE))};
    auto* value = static_cast<TW_ONEVALUE*>(twHandleLock(capability.hContainer));
    value->ItemType = itemType;
    value->Item = item;
    const TW_UINT16 rc = source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    twHandleFree(capability.hContainer);
    return rc;
}

std::optional<TW_UINT32> TwainDriver::currentValue(TW_UINT16 cap) {
    TW_CAPABILITY capability{cap, 0, nullptr};
    if (source(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) != TWRC_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(capability.ConType, TWON_ONEVALUE);
    const TW_UINT32 item = static_cast<TW_ONEVALUE*>(twHandleLock(capability.hContainer))->Item;
    twHandleFree(capability.hContainer);
    return item;
}

TW_UINT16 TwainDriver::enable(bool showUI) {
    TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUI), 0, nullptr};
    const TW_UINT16 rc = source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (rc == TWRC_SUCCESS && !showUI) waitForBackendThread();  // the scan has started
    return rc;
}

TW_UINT16 TwainDriver::processEvent() {
    int hostEvent = 0;
    TW_EVENT event{&hostEvent, MSG_NULL};
    const TW_UINT16 rc = source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    EXPECT_TRUE(rc == TWRC_DSEVENT || rc == TWRC_NOTDSEVENT) << rc;
    return rc == TWRC_DSEVENT ? event.TWMessage : MSG_NULL;
}

TW_UINT16 TwainDriver::transfer(TwainImage& image, int stripRows) {
    image = TwainImage{};
    TW_UINT16 rc = source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &image.info);
    if (rc != TWRC_SUCCESS) return rc;
    TW_SETUPMEMXFER setup{};
    EXPECT_EQ(source(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_LE(setup.MinBufSize, setup.Preferred);
    const TW_UINT32 size =
        stripRows > 0 ? setup.MinBufSize * static_cast<TW_UINT32>(stripRows) : setup.Preferred;
    std::vector<uint8_t> buffer(size);
    for (;;) {
        TW_IMAGEMEMXFER strip{};
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, size, buffer.data()};
        rc = source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return rc;
        // Whole rows from the left edge, each strip below the last.
        EXPECT_EQ(strip.XOffset, 0u);
        EXPECT_EQ(strip.Columns, static_cast<TW_UINT32>(image.info.ImageWidth));
        if (image.strips == 0) image.bytesPerRow = strip.BytesPerRow;
        EXPECT_EQ(strip.BytesPerRow, image.bytesPerRow);
        EXPECT_EQ(strip.YOffset * static_cast<size_t>(image.bytesPerRow), image.rows.size());
        EXPECT_EQ(strip.BytesWritten, strip.Rows * strip.BytesPerRow);
        EXPECT_LE(strip.BytesWritten, size);
        if (stripRows > 0) {
            EXPECT_LE(strip.Rows, static_cast<TW_UINT32>(stripRows));
        }
        image.rows.insert(image.rows.end(), buffer.begin(), buffer.begin() + strip.BytesWritten);
        ++image.strips;
        if (rc == TWRC_XFERDONE) break;
    }
    EXPECT_EQ(image.rows.size(),
              static_cast<size_t>(image.bytesPerRow) * static_cast<size_t>(image.info.ImageLength));
    return rc;
}

TW_UINT16 TwainDriver::endTransfer() {
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    if (pending.Count != 0) waitForBackendThread();  // the feeder's next page has started
    return pending.Count;
}

TW_UINT16 TwainDriver::scanOnce(int pixelType, TwainImage& image, int stripRows) {
    if (openManager() != TWRC_SUCCESS || openSource() != TWRC_SUCCESS) return TWRC_FAILURE;
    EXPECT_EQ(setCapability(ICAP_XFERMECH, TWTY_INT16, TWSX_MEMORY), TWRC_SUCCESS);
    if (pixelType >= 0) {
        EXPECT_EQ(setCapability(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT32>(pixelType)),
                  TWRC_SUCCESS);
    }
    if (const TW_UINT16 rc = enable(); rc != TWRC_SUCCESS) return rc;
    if (processEvent() != MSG_XFERREADY) return TWRC_FAILURE;
    return transfer(image, stripRows);
}

}  // namespace tessary::test
