#include "cli/batch_scan.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

#include "acquire/acquire_commands.h"
#include "acquire/c_twain.h"
#include "acquire/twain_ports.h"
#include "cli/batch_engine.h"
#include "cli/batch_program.h"
#include "model/page.h"

namespace tessary {

namespace {

constexpr const char* kProgram = "tessary-batch";

// Without a window there are no events to run; a source still scanning is
// asked again after a short nap rather than in a busy loop.
class BatchPump : public TwainMessagePump {
public:
    bool runEvents() override {
        if (m_rounds++ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    }

private:
    int m_rounds = 0;
};

class CollectedPages : public AcquiredPagePort {
public:
    explicit CollectedPages(const PageEnvironment& environment) : m_environment(environment) {}
    std::unique_ptr<Page> newPage() override { return std::make_unique<Page>(m_environment); }
    void pageAcquired(std::unique_ptr<Page> page) override { pages.push_back(std::move(page)); }
    std::vector<std::unique_ptr<Page>> pages;

private:
    PageEnvironment m_environment;
};

void setHeadless(const std::string& device) {
    ::setenv("TESSARY_TWAIN_HEADLESS", "1", 1);
    if (!device.empty()) ::setenv("TESSARY_TWAIN_DEVICE", device.c_str(), 1);
}

TW_FIX32 toFix32(double value) {
    const double whole = std::floor(value);
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(whole);
    fix.Frac = static_cast<TW_UINT16>(std::lround((value - whole) * 65536.0) & 0xFFFF);
    return fix;
}

const char* conditionText(unsigned condition) {
    switch (condition) {
        case TWCC_LOWMEMORY:
            return "not enough memory";
        case TWCC_NODS:
            return "no such source";
        case TWCC_MAXCONNECTIONS:
            return "the source is in use";
        case TWCC_OPERATIONERROR:
            return "the device failed";
        case TWCC_BADCAP:
        case TWCC_CAPUNSUPPORTED:
            return "a setting the source does not have";
        case TWCC_BADVALUE:
            return "a value the source does not accept";
        case TWCC_SEQERROR:
        case TWCC_BADPROTOCOL:
            return "a protocol error";
        case TWCC_PAPERJAM:
            return "a paper jam";
        case TWCC_CHECKDEVICEONLINE:
            return "the device is not online";
        default:
            return "an error";
    }
}

}  // namespace

std::string pagePath(const std::string& output, int page) {
    const std::filesystem::path path(output);
    std::string name =
        path.stem().string() + "-" + std::to_string(page) + path.extension().string();
    return (path.parent_path() / name).string();
}

bool applyScanSettings(CTwain& twain, const ScanSettings& settings, std::string& refused) {
    if (settings.mode != ScanSettings::Mode::Default) {
        const TW_UINT32 type = settings.mode == ScanSettings::Mode::Colour ? TWPT_RGB
                               : settings.mode == ScanSettings::Mode::Grey ? TWPT_GRAY
                                                                           : TWPT_BW;
        if (!twain.setCapability(ICAP_PIXELTYPE, TWTY_UINT16, type)) {
            refused = "the scan mode";
            return false;
        }
    }
    if (settings.resolution > 0) {
        const TW_FIX32 dpi = toFix32(settings.resolution);
        if (!twain.setCapability(ICAP_XRESOLUTION, dpi) ||
            !twain.setCapability(ICAP_YRESOLUTION, dpi)) {
            refused = "the resolution";
            return false;
        }
    }
    if (settings.feeder && !twain.setCapability(CAP_FEEDERENABLED, TWTY_BOOL, 1)) {
        refused = "the document feeder";
        return false;
    }
    return true;
}

std::string describeScanFailure(int result, unsigned condition) {
    if (result == CTwain::kAcquireCancelled) return "the scan was cancelled";
    if (result == TWRC_FAILURE)
        return std::string("the scan failed: ") + conditionText(condition) + " (condition " +
               std::to_string(condition) + ")";
    return "the scan failed (return code " + std::to_string(result) + ")";
}

int runListScanners(std::FILE* out) {
    setHeadless({});
    CTwain twain;
    if (!twain.loadManager()) return kBatchExitOk;
    std::vector<TW_IDENTITY> sources;
    twain.listSources(sources);
    for (const TW_IDENTITY& source : sources)
        std::fprintf(out, "%.33s\t%.33s\t%.33s\n", source.ProductName, source.ProductFamily,
                     source.Manufacturer);
    return kBatchExitOk;
}

int runBatchScan(BatchEngine& engine, const BatchOptions& options,
                 const std::vector<std::optional<BatchCommand>>& commands, std::FILE* out,
                 std::FILE* err) {
    setHeadless(options.scanSettings.device);
    CTwain twain;
    if (!twain.loadManager()) return kBatchExitOk;

    BatchPump pump;
    CollectedPages pages(engine.environment());
    std::string refused;
    CTwain::AcquireServices services;
    services.pump = &pump;
    services.pages = &pages;
    services.configureSource = [&](CTwain& source) {
        return applyScanSettings(source, options.scanSettings, refused);
    };
    const auto began = std::chrono::steady_clock::now();
    const int result = AcquireCommand(twain, services);
    if (options.time) {
        std::fprintf(
            out, "%-32s %12.6f s\n", "scan",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    }

    const bool numbered = options.scanSettings.feeder || pages.pages.size() > 1;
    int exitCode = kBatchExitOk;
    for (std::size_t i = 0; i < pages.pages.size() && exitCode == kBatchExitOk; ++i) {
        const std::string path =
            numbered ? pagePath(options.output, static_cast<int>(i) + 1) : options.output;
        exitCode = runStepsAndSave(engine, pages.pages[i], options, commands, path, out, err);
        pages.pages[i].reset();
    }
    if (result != TWRC_SUCCESS) {
        std::string message = refused.empty()
                                  ? describeScanFailure(result, twain.lastConditionCode())
                                  : "the source refused " + refused;
        std::fprintf(err, "%s: %s\n", kProgram, message.c_str());
        if (!pages.pages.empty())
            std::fprintf(err, "%s: %zu page(s) before the failure were saved\n", kProgram,
                         pages.pages.size());
        return kBatchExitFailed;
    }
    return exitCode;
}

}  // namespace tessary
