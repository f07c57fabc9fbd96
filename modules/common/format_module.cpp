#include "common/format_module.h"

#include <cstdio>
#include <filesystem>
#include <new>

#include "common/host_file.h"
#include "common/resolution.h"
#include "tessary_ask.h"

namespace tessary::modules {

void clearFormatRequest(TsPiFormatBlock* block) {
    block->data = nullptr;
    block->theRect = TsPiRect{0, 0, 0, 0};
    block->rowBytes = 0;
}

void FormatModule::reset() {
    m_read.reset();
    m_write.reset();
}

void FormatModule::dispatch(std::int16_t selector, TsPiFormatBlock* block, std::intptr_t* data,
                            TsPiResult* result) {
    if (result == nullptr) return;
    if (block == nullptr || data == nullptr) {
        *result = TSPI_ERR_FORMAT_BAD_PARAMETERS;
        return;
    }
    try {
        *result = run(selector, block, data);
    } catch (const std::bad_alloc&) {
        reset();
        *result = TSPI_ERR_MEMORY_FULL;
    } catch (...) {
        reset();
        *result = TSPI_ERR_FORMAT_BAD_PARAMETERS;
    }
}

TsPiResult FormatModule::run(std::int16_t selector, TsPiFormatBlock* block, std::intptr_t* data) {
    switch (selector) {
        case TSPI_SELECTOR_ABOUT:
            return TSPI_NO_ERR;
        case TSPI_FORMAT_READ_PREPARE:
        case TSPI_FORMAT_WRITE_PREPARE:
        case TSPI_FORMAT_OPTIONS_PREPARE:
        case TSPI_FORMAT_ESTIMATE_PREPARE:
            reset();
            return TSPI_NO_ERR;
        case TSPI_FORMAT_READ_START:
            return readStart(block);
        case TSPI_FORMAT_READ_CONTINUE:
            return readContinue(block);
        case TSPI_FORMAT_OPTIONS_START:
            *data = m_codec.chooseOptions(*data);
            [[fallthrough]];
        case TSPI_FORMAT_OPTIONS_CONTINUE:
        case TSPI_FORMAT_ESTIMATE_START:
        case TSPI_FORMAT_ESTIMATE_CONTINUE:
            clearFormatRequest(block);
            return TSPI_NO_ERR;
        case TSPI_FORMAT_WRITE_START:
            return writeStart(block, *data);
        case TSPI_FORMAT_WRITE_CONTINUE:
            return writeContinue(block);
        case TSPI_FORMAT_READ_FINISH:
        case TSPI_FORMAT_OPTIONS_FINISH:
        case TSPI_FORMAT_ESTIMATE_FINISH:
        case TSPI_FORMAT_WRITE_FINISH:
            reset();
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_FORMAT_BAD_PARAMETERS;
    }
}

TsPiResult FormatModule::fail(CodecStatus status, const char* action,
                              const TsPiFormatBlock* block) {
    if (status != CodecStatus::Cancelled) {
        const std::string path = fileSpecPath(block->fileSpec);
        std::fprintf(stderr, "%s module: cannot %s %s: %s\n", m_codec.name(), action,
                     path.empty() ? "the file" : path.c_str(), describe(status));
    }
    reset();
    return toPluginResult(status);
}

TsPiResult FormatModule::readStart(TsPiFormatBlock* block) {
    reset();
    clearFormatRequest(block);
    std::unique_ptr<FdByteSource> source;
    CodecStatus status =
        FdByteSource::open(openHostFileForReading(block->dataFork, block->fileSpec), &source);
    if (status != CodecStatus::Ok) return fail(status, "open", block);
    std::unique_ptr<RasterReader> reader;
    m_codec.setWorkerThreads(tspiWorkerThreads(block->hostSignature, block->hostProc));
    status = m_codec.openReader(std::move(source), moduleMemoryBudget(block), &reader);
    if (status != CodecStatus::Ok) return fail(status, "read", block);

    m_read = std::make_unique<ReadSession>(std::move(reader), /*planar=*/true, block->bufferProcs);
    const RasterInfo& info = m_read->info();
    describeImage(block, info);
    block->depth = 8;
    block->imageHRes = ppiToFixed(info.horizontalPpi);
    block->imageVRes = ppiToFixed(info.verticalPpi);
    return TSPI_NO_ERR;
}

TsPiResult FormatModule::readContinue(TsPiFormatBlock* block) {
    if (!m_read) return TSPI_ERR_FORMAT_BAD_PARAMETERS;
    if (userCancelled(block)) return fail(CodecStatus::Cancelled, "read", block);
    DecodedBand band;
    const CodecStatus status = m_read->nextBand(&band);
    if (status != CodecStatus::Ok) {
        clearFormatRequest(block);
        return fail(status, "read", block);
    }
    describeBand(block, m_read->info(), band);
    reportProgress(block, m_read->rowsDelivered(), m_read->info().height);
    if (band.data == nullptr) reportDamage(block);
    return TSPI_NO_ERR;
}

void FormatModule::reportDamage(const TsPiFormatBlock* block) const {
    const std::string damage = m_read->damage();
    if (damage.empty()) return;
    const std::string path = fileSpecPath(block->fileSpec);
    const std::string name = path.empty()
                                 ? std::string("The file")
                                 : "The file " + std::filesystem::path(path).filename().string();
    const std::string text =
        name + " is damaged (" + damage + "). Parts of the image may be missing or wrong.";
    if (!tspiReportWarning(block->hostSignature, block->hostProc, text.c_str()))
        std::fprintf(stderr, "%s module: %s\n", m_codec.name(), text.c_str());
}

void FormatModule::requestBand(TsPiFormatBlock* block) {
    const BandRows rows = m_write->nextRequest();
    if (rows.rowCount == 0) {
        clearFormatRequest(block);
        return;
    }
    const RasterInfo& info = m_write->info();
    block->theRect.top = static_cast<std::int16_t>(rows.firstRow);
    block->theRect.bottom = static_cast<std::int16_t>(rows.firstRow + rows.rowCount);
    block->theRect.left = 0;
    block->theRect.right = static_cast<std::int16_t>(info.width);
    block->loPlane = 0;
    block->hiPlane = static_cast<std::int16_t>(info.channels() - 1);
    // Column bytes of 1 with several planes: each plane a block of rows.
    block->colBytes = static_cast<std::int16_t>(m_write->planar() ? 1 : info.channels());
    block->rowBytes = static_cast<std::int32_t>(m_write->bandRowBytes());
    block->data = m_write->bandBuffer();
}

TsPiResult FormatModule::writeStart(TsPiFormatBlock* block, std::intptr_t settings) {
    reset();
    clearFormatRequest(block);
    RasterInfo info;
    info.width = block->imageSize.h;
    info.height = block->imageSize.v;
    if (block->imageMode == TSPI_MODE_GRAYSCALE && block->planes >= 1) {
        info.kind = PixelKind::Grey;
    } else if (block->imageMode == TSPI_MODE_RGB && block->planes >= 3) {
        info.kind = PixelKind::Rgb;
    } else {
        return fail(CodecStatus::BadParameters, "write this image mode to", block);
    }
    if (info.width < 1 || info.height < 1 || block->depth != 8)
        return fail(CodecStatus::BadParameters, "write", block);
    info.horizontalPpi = fixedToPpi(block->imageHRes);
    info.verticalPpi = fixedToPpi(block->imageVRes);

    UniqueFd fd;
    CodecStatus status = openHostFileForWriting(block->dataFork, &fd);
    if (status != CodecStatus::Ok) return fail(status, "open", block);
    std::unique_ptr<RasterWriter> writer;
    m_codec.setWorkerThreads(tspiWorkerThreads(block->hostSignature, block->hostProc));
    status =
        m_codec.openWriter(std::move(fd), fileSpecPath(block->fileSpec), info, settings, &writer);
    if (status != CodecStatus::Ok) return fail(status, "write", block);
    m_write = std::make_unique<WriteSession>(std::move(writer), info,
                                             largeBandRows(info.rowBytes(), info.height),
                                             /*planar=*/true, block->bufferProcs);
    requestBand(block);
    return TSPI_NO_ERR;
}

TsPiResult FormatModule::writeContinue(TsPiFormatBlock* block) {
    if (!m_write) return TSPI_ERR_FORMAT_BAD_PARAMETERS;
    if (userCancelled(block)) return fail(CodecStatus::Cancelled, "write", block);
    // The host's write advance filled the band buffer this module handed
    // out, with the row bytes asked for.
    const CodecStatus status = m_write->consume(m_write->bandBuffer(), m_write->bandRowBytes());
    if (status != CodecStatus::Ok) {
        clearFormatRequest(block);
        return fail(status, "write", block);
    }
    reportProgress(block, m_write->rowsWritten(), m_write->info().height);
    requestBand(block);
    return TSPI_NO_ERR;
}

}  // namespace tessary::modules
