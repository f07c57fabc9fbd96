// "TIFF Pages" (import module): opens every page of a multi-page TIFF file
// as a document of its own, titled "<file name> (page <n>)".
//
// Prepare asks the user for the file through the host. A host that cannot
// ask leaves it to the environment variable TESSARY_IMPORT_FILE; without a
// file (the user declined, or nothing is set) the module answers Prepare
// with "user cancelled", so the host shows nothing. Each acquire cycle delivers
// one page band by band and asks for another cycle ("acquire again") while
// pages remain; a page this module cannot decode is skipped with a message
// on stderr. The module asks for Finalize so that its state is released
// however the host ends the run.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "common/host_callbacks.h"
#include "common/host_file.h"
#include "common/host_questions.h"
#include "common/read_session.h"
#include "tessary_ask.h"
#include "tessary_pipl.h"
#include "tiff/tiff_reader.h"

TSPI_DECLARE_PIPL(kTiffPagesPiPL, 16000, tspi::kind(TSPI_KIND_IMPORT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("TIFF Pages..."),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

constexpr const char* kWho = "TIFF Pages";

struct ImportRun {
    std::string path;
    std::string title;           // the file's name without its extension
    TiffReader* tiff = nullptr;  // owned by `session`
    std::unique_ptr<ReadSession> session;
};

std::unique_ptr<ImportRun> run;

// Import results for a codec failure: the file's content is reported as a
// failed import, everything else (an image too large included) by its own
// code.
TsPiResult importResult(CodecStatus status) {
    switch (status) {
        case CodecStatus::Corrupt:
        case CodecStatus::Unsupported:
            return TSPI_ERR_IMPORT_FAILED;
        default:
            return toPluginResult(status);
    }
}

TsPiResult fail(CodecStatus status, const char* what) {
    std::fprintf(stderr, "%s: %s %s: %s\n", kWho, what, run ? run->path.c_str() : "",
                 describe(status));
    run.reset();
    return importResult(status);
}

// Moves to the next page this module can decode; false when none is left.
bool advanceToReadablePage() {
    while (run->tiff->hasNextPage()) {
        const CodecStatus status = run->tiff->nextPage();
        if (status == CodecStatus::Ok) {
            run->session->restart();
            return true;
        }
        std::fprintf(stderr, "%s: skipping page %d of %s: %s\n", kWho, run->tiff->pageIndex() + 1,
                     run->path.c_str(), describe(status));
        if (status != CodecStatus::Unsupported && status != CodecStatus::TooLarge) break;
    }
    return false;
}

TsPiResult prepare(TsPiImportBlock* block) {
    run.reset();
    block->acquireAgain = 0;
    std::string path;
    const TsPiResult asked = HostQuestions(block).openFile(
        "Import TIFF Pages", "TIFF files (*.tif *.tiff);;All files (*)", path);
    if (asked == TSPI_ERR_HOST_INSUFFICIENT) {
        const char* fromEnvironment = std::getenv("TESSARY_IMPORT_FILE");
        if (fromEnvironment != nullptr) path = fromEnvironment;
    } else if (asked != TSPI_NO_ERR) {
        return asked;
    }
    if (path.empty()) return TSPI_ERR_USER_CANCELED;

    run = std::make_unique<ImportRun>();
    run->path = path;
    run->title = std::filesystem::path(run->path).stem().string();
    std::unique_ptr<FdByteSource> source;
    CodecStatus status = FdByteSource::openPath(run->path.c_str(), &source);
    if (status != CodecStatus::Ok) return fail(status, "cannot open");
    std::unique_ptr<TiffReader> tiff;
    CodecStatus pageStatus = CodecStatus::Ok;
    status = TiffReader::openPages(std::move(source), &tiff, &pageStatus, moduleMemoryBudget(block),
                                   tspiWorkerThreads(block->hostSignature, block->hostProc));
    if (status != CodecStatus::Ok) return fail(status, "cannot read");
    run->tiff = tiff.get();
    run->session =
        std::make_unique<ReadSession>(std::move(tiff), /*planar=*/false, block->bufferProcs);
    if (pageStatus != CodecStatus::Ok) {
        std::fprintf(stderr, "%s: skipping page 1 of %s: %s\n", kWho, run->path.c_str(),
                     describe(pageStatus));
        if (pageStatus == CodecStatus::Corrupt || !advanceToReadablePage())
            return fail(pageStatus, "no page to import in");
    }
    block->wantFinalize = 1;
    return TSPI_NO_ERR;
}

TsPiResult startPage(TsPiImportBlock* block) {
    block->data = nullptr;
    block->acquireAgain = 0;
    if (!run) return TSPI_ERR_IMPORT_BAD_PARAMETERS;
    describeImage(block, run->session->info());
    setPString(block->filename,
               run->title + " (page " + std::to_string(run->tiff->pageIndex() + 1) + ")");
    return TSPI_NO_ERR;
}

TsPiResult continuePage(TsPiImportBlock* block) {
    if (!run) return TSPI_ERR_IMPORT_BAD_PARAMETERS;
    if (userCancelled(block)) {
        run.reset();
        return TSPI_ERR_USER_CANCELED;
    }
    DecodedBand band;
    const CodecStatus status = run->session->nextBand(&band);
    if (status != CodecStatus::Ok) {
        block->data = nullptr;
        return fail(status, "cannot read a page of");
    }
    describeBand(block, run->session->info(), band);
    reportProgress(block, run->session->rowsDelivered(), run->session->info().height);
    return TSPI_NO_ERR;
}

TsPiResult finishPage(TsPiImportBlock* block) {
    block->acquireAgain = 0;
    if (!run) return TSPI_NO_ERR;
    // A page delivered in full leads on to the next one; anything else
    // (an error or cancel on the host's side) ends the import.
    const bool delivered = run->session->rowsDelivered() == run->session->info().height;
    if (delivered && advanceToReadablePage()) {
        block->acquireAgain = 1;
    } else {
        run.reset();
    }
    return TSPI_NO_ERR;
}

TsPiResult dispatch(std::int16_t selector, TsPiImportBlock* block) {
    switch (selector) {
        case TSPI_IMPORT_PREPARE:
            return prepare(block);
        case TSPI_IMPORT_START:
            return startPage(block);
        case TSPI_IMPORT_CONTINUE:
            return continuePage(block);
        case TSPI_IMPORT_FINISH:
            return finishPage(block);
        case TSPI_IMPORT_FINALIZE:
            run.reset();
            return TSPI_NO_ERR;
        case TSPI_SELECTOR_ABOUT:
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_IMPORT_BAD_PARAMETERS;
    }
}

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* /*data*/,
                                     TsPiResult* result) {
    if (result == nullptr) return;
    if (block == nullptr) {
        *result = TSPI_ERR_IMPORT_BAD_PARAMETERS;
        return;
    }
    try {
        *result = tessary::modules::dispatch(selector, static_cast<TsPiImportBlock*>(block));
    } catch (const std::bad_alloc&) {
        tessary::modules::run.reset();
        *result = TSPI_ERR_MEMORY_FULL;
    } catch (...) {  // nothing may leave the module through the host's frames
        tessary::modules::run.reset();
        *result = TSPI_ERR_IMPORT_FAILED;
    }
}
