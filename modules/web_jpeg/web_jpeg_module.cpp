// "Web JPEG..." (export module): saves the page as a JPEG file no larger
// than a byte limit, at the highest quality (up to 85) that fits.
//
// Prepare asks the user through the host for the output file and the size
// limit (1 to 1048576 KiB, starting at 200). A host that cannot ask leaves
// them to the environment: the file to TESSARY_EXPORT_FILE, the limit to
// TESSARY_EXPORT_LIMIT_KB (200 KiB when unset). Without a file (the user
// declined, or nothing is set) Prepare answers "user cancelled" and nothing
// is written.
//
// Each quality tried is a pass over the page: the module asks the host for
// the image band by band (64 rows at a time) and compresses each band into
// memory, keeping at most the limit; a pass stops early as soon as its file
// grows past the limit. Quality 85 is tried first, then a binary search
// below it finds the highest quality that fits. The file is written only
// at the end, beside its final name and for its owner only, and renamed into
// place, so an export that fails or is cancelled leaves no partial file.
// When not even quality 1 fits, the export fails and writes nothing.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/byte_sink.h"
#include "common/host_callbacks.h"
#include "common/host_file.h"
#include "common/host_questions.h"
#include "common/replace_file.h"
#include "common/resolution.h"
#include "common/write_session.h"
#include "jpeg/jpeg_writer.h"
#include "tessary_pipl.h"
#include "web_jpeg/jpeg_size_search.h"

TSPI_DECLARE_PIPL(kWebJpegPiPL, 16000, tspi::kind(TSPI_KIND_EXPORT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Web JPEG..."),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

constexpr const char* kWho = "Web JPEG";
constexpr long kDefaultLimitKiB = 200;
constexpr long kMaxLimitKiB = 1024 * 1024;
constexpr std::int32_t kBandRows = 64;

struct ExportRun {
    std::string path;
    std::size_t limit = 0;
    RasterInfo info;
    JpegSizeSearch search;
    std::unique_ptr<WriteSession> pass;    // the quality being tried
    MemoryByteSink* passOutput = nullptr;  // owned by `pass`
    std::vector<std::uint8_t> bestFile;    // the best file that fitted so far
};

std::unique_ptr<ExportRun> run;

TsPiResult fail(TsPiResult result, const char* message) {
    std::fprintf(stderr, "%s: %s%s%s\n", kWho, message, run ? " " : "",
                 run ? run->path.c_str() : "");
    run.reset();
    return result;
}

void clearRequest(TsPiExportBlock* block) {
    block->theRect = TsPiRect{0, 0, 0, 0};
}

void requestBand(TsPiExportBlock* block) {
    const BandRows rows = run->pass->nextRequest();
    block->theRect = TsPiRect{static_cast<std::int16_t>(rows.firstRow), 0,
                              static_cast<std::int16_t>(rows.firstRow + rows.rowCount),
                              static_cast<std::int16_t>(run->info.width)};
    block->loPlane = 0;
    block->hiPlane = static_cast<std::int16_t>(run->info.channels() - 1);
}

// Starts a pass at the search's current quality.
CodecStatus beginPass() {
    run->pass.reset();
    auto output = std::make_unique<MemoryByteSink>(run->limit);
    run->passOutput = output.get();
    std::unique_ptr<JpegWriter> writer;
    const CodecStatus status =
        JpegWriter::create(std::move(output), run->info, run->search.current(), &writer);
    if (status != CodecStatus::Ok) return status;
    run->pass = std::make_unique<WriteSession>(std::move(writer), run->info, kBandRows);
    return CodecStatus::Ok;
}

// Writes `bytes` to the output file through a temporary file beside it.
CodecStatus writeOutputFile(const std::vector<std::uint8_t>& bytes) {
    return replaceFile(run->path, [&bytes](int fd) {
        FdByteSink sink(duplicateFd(fd));
        const CodecStatus status = sink.write(bytes.data(), bytes.size());
        const CodecStatus closed = sink.close();
        return status == CodecStatus::Ok ? closed : status;
    });
}

// The file to write and the size limit in KiB, asked of the user, else
// taken from the environment. TSPI_ERR_USER_CANCELED when the user declines
// or no file is known.
TsPiResult askDestination(const TsPiExportBlock* block, std::string& path, long& limitKiB) {
    const HostQuestions questions(block);
    std::string suggested = pstringText(block->filename);
    if (!suggested.empty()) suggested += ".jpg";
    TsPiResult asked =
        questions.saveFile("Export Web JPEG", suggested, "JPEG files (*.jpg *.jpeg)", path);
    if (asked == TSPI_ERR_HOST_INSUFFICIENT) {
        const char* fromEnvironment = std::getenv("TESSARY_EXPORT_FILE");
        if (fromEnvironment != nullptr) path = fromEnvironment;
    } else if (asked != TSPI_NO_ERR) {
        return asked;
    }
    if (path.empty()) return TSPI_ERR_USER_CANCELED;

    std::vector<TsPiAskNumber> entries{{"limit", "Largest file size (KiB):", 1,
                                        static_cast<std::int32_t>(kMaxLimitKiB),
                                        static_cast<std::int32_t>(kDefaultLimitKiB)}};
    asked = questions.numbers("Export Web JPEG", entries);
    if (asked == TSPI_ERR_HOST_INSUFFICIENT) {
        limitKiB = environmentInteger(kWho, "TESSARY_EXPORT_LIMIT_KB", 1, kMaxLimitKiB)
                       .value_or(kDefaultLimitKiB);
        return TSPI_NO_ERR;
    }
    if (asked != TSPI_NO_ERR) return asked;
    limitKiB = entries[0].value;
    return TSPI_NO_ERR;
}

TsPiResult prepare(TsPiExportBlock* block) {
    run.reset();
    clearRequest(block);
    std::string path;
    long limitKiB = kDefaultLimitKiB;
    const TsPiResult asked = askDestination(block, path, limitKiB);
    if (asked != TSPI_NO_ERR) return asked;
    run = std::make_unique<ExportRun>();
    run->path = path;
    run->limit = static_cast<std::size_t>(limitKiB) * 1024;

    RasterInfo& info = run->info;
    if (block->imageMode == TSPI_MODE_GRAYSCALE && block->planes >= 1) {
        info.kind = PixelKind::Grey;
    } else if (block->imageMode == TSPI_MODE_RGB && block->planes >= 3) {
        info.kind = PixelKind::Rgb;
    } else {
        return fail(TSPI_ERR_EXPORT_BAD_MODE, "only greyscale and RGB images can be exported to");
    }
    info.width = block->imageSize.h;
    info.height = block->imageSize.v;
    if (info.width < 1 || info.height < 1)
        return fail(TSPI_ERR_EXPORT_BAD_PARAMETERS, "empty image: nothing written to");
    info.horizontalPpi = fixedToPpi(block->imageHRes);
    info.verticalPpi = fixedToPpi(block->imageVRes);
    return TSPI_NO_ERR;
}

TsPiResult start(TsPiExportBlock* block) {
    clearRequest(block);
    if (!run) return TSPI_ERR_EXPORT_BAD_PARAMETERS;
    const CodecStatus status = beginPass();
    if (status != CodecStatus::Ok) return fail(toPluginResult(status), "cannot compress for");
    requestBand(block);
    return TSPI_NO_ERR;
}

TsPiResult proceed(TsPiExportBlock* block) {
    if (!run || !run->pass) {
        clearRequest(block);
        return TSPI_ERR_EXPORT_BAD_PARAMETERS;
    }
    if (userCancelled(block)) {
        clearRequest(block);
        run.reset();
        return TSPI_ERR_USER_CANCELED;
    }
    if (block->data == nullptr) return fail(TSPI_ERR_EXPORT_BAD_PARAMETERS, "no pixels for");
    CodecStatus status = run->pass->consume(static_cast<const std::uint8_t*>(block->data),
                                            static_cast<std::size_t>(block->rowBytes));
    if (status != CodecStatus::Ok) return fail(toPluginResult(status), "cannot compress for");
    reportProgress(block, run->pass->rowsWritten(), run->info.height);

    const bool tooLarge = run->passOutput->overflowed();
    if (!tooLarge && !run->pass->complete()) {
        requestBand(block);
        return TSPI_NO_ERR;
    }
    // The pass is over: complete and fitting, or already past the limit.
    if (!tooLarge) run->bestFile = run->passOutput->bytes();
    run->search.record(!tooLarge);
    if (!run->search.done()) {
        status = beginPass();
        if (status != CodecStatus::Ok) return fail(toPluginResult(status), "cannot compress for");
        requestBand(block);
        return TSPI_NO_ERR;
    }
    clearRequest(block);
    if (run->search.best() == 0)
        return fail(TSPI_ERR_EXPORT_BAD_PARAMETERS,
                    "the image does not fit the size limit even at quality 1;"
                    " nothing written to");
    status = writeOutputFile(run->bestFile);
    if (status != CodecStatus::Ok) return fail(toPluginResult(status), "cannot write");
    run.reset();
    return TSPI_NO_ERR;
}

TsPiResult dispatch(std::int16_t selector, TsPiExportBlock* block) {
    switch (selector) {
        case TSPI_EXPORT_PREPARE:
            return prepare(block);
        case TSPI_EXPORT_START:
            return start(block);
        case TSPI_EXPORT_CONTINUE:
            return proceed(block);
        case TSPI_EXPORT_FINISH:
            run.reset();
            return TSPI_NO_ERR;
        case TSPI_SELECTOR_ABOUT:
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_EXPORT_BAD_PARAMETERS;
    }
}

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* /*data*/,
                                     TsPiResult* result) {
    if (result == nullptr) return;
    if (block == nullptr) {
        *result = TSPI_ERR_EXPORT_BAD_PARAMETERS;
        return;
    }
    try {
        *result = tessary::modules::dispatch(selector, static_cast<TsPiExportBlock*>(block));
    } catch (const std::bad_alloc&) {
        tessary::modules::run.reset();
        *result = TSPI_ERR_MEMORY_FULL;
    } catch (...) {  // nothing may leave the module through the host's frames
        tessary::modules::run.reset();
        *result = TSPI_ERR_EXPORT_BAD_PARAMETERS;
    }
}
