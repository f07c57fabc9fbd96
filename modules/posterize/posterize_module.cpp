// "Posterize" (filter module, category "Adjust"): reduces each colour
// channel of a greyscale or RGB image to a few evenly spaced levels.
//
// The number of levels (2 to 255, default 4) is the filter's parameter,
// kept by the host in the parameters handle between runs. The Parameters
// selector asks the user for it through the host, starting from the levels
// of the last run (kept in the module's data word); a host that cannot ask
// leaves it to TESSARY_POSTERIZE_LEVELS from the environment, when set.
//
// The filter asks for the whole filter rectangle at once as its output (the
// host fills the output with the current pixels, which are posterized in
// place) and leaves masking to the host (auto mask stays on). Only when the
// rectangle is larger than half the memory the host offers is it taken in
// bands of rows that fit.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/filter_request.h"
#include "common/host_callbacks.h"
#include "common/host_file.h"
#include "common/host_questions.h"
#include "posterize/posterize_table.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kPosterizePiPL, 16000, tspi::kind(TSPI_KIND_FILTER),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Posterize"),
                  tspi::category("Adjust"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

// Contents of the parameters handle.
struct PosterizeParameters {
    std::uint32_t signature;
    std::int32_t levels;
};
constexpr std::uint32_t kParametersSignature = TSPI_FOURCC('P', 'S', 'T', 'Z');

int levelsFromEnvironment() {
    return static_cast<int>(environmentInteger("Posterize", "TESSARY_POSTERIZE_LEVELS",
                                               PosterizeTable::kMinLevels,
                                               PosterizeTable::kMaxLevels)
                                .value_or(PosterizeTable::kDefaultLevels));
}

// The levels stored in the block's parameters, or those of the environment
// (or the default) when there are none usable.
int levelsOf(const TsPiFilterBlock* block) {
    const TsPiHandleSuite* handles = block->handleProcs;
    if (block->parameters != nullptr && handles != nullptr && handles->lockProc != nullptr &&
        handles->getSizeProc != nullptr &&
        handles->getSizeProc(block->parameters) >=
            static_cast<std::int32_t>(sizeof(PosterizeParameters))) {
        PosterizeParameters stored{};
        const void* data = handles->lockProc(block->parameters, 0);
        if (data != nullptr) std::memcpy(&stored, data, sizeof(stored));
        if (handles->unlockProc != nullptr) handles->unlockProc(block->parameters);
        if (stored.signature == kParametersSignature &&
            stored.levels >= PosterizeTable::kMinLevels &&
            stored.levels <= PosterizeTable::kMaxLevels)
            return stored.levels;
    }
    return levelsFromEnvironment();
}

bool validLevels(std::intptr_t levels) {
    return levels >= PosterizeTable::kMinLevels && levels <= PosterizeTable::kMaxLevels;
}

// The levels the user chooses, starting from `remembered` (the last run's
// levels, or 0). Without anyone to ask, those of the environment or the
// default. TSPI_ERR_USER_CANCELED when the user declines.
TsPiResult askLevels(const TsPiFilterBlock* block, std::intptr_t remembered, int& levels) {
    const int start =
        validLevels(remembered) ? static_cast<int>(remembered) : PosterizeTable::kDefaultLevels;
    std::vector<TsPiAskNumber> entries{
        {"levels", "Levels:", PosterizeTable::kMinLevels, PosterizeTable::kMaxLevels, start}};
    const TsPiResult asked = HostQuestions(block).numbers("Posterize", entries);
    if (asked == TSPI_ERR_HOST_INSUFFICIENT) {
        levels = levelsFromEnvironment();
        return TSPI_NO_ERR;
    }
    if (asked != TSPI_NO_ERR) return asked;
    levels = entries[0].value;
    return TSPI_NO_ERR;
}

TsPiResult storeParameters(TsPiFilterBlock* block, std::intptr_t* remembered) {
    int levels = PosterizeTable::kDefaultLevels;
    const TsPiResult asked = askLevels(block, remembered != nullptr ? *remembered : 0, levels);
    if (asked != TSPI_NO_ERR) return asked;
    if (remembered != nullptr) *remembered = levels;
    const TsPiHandleSuite* handles = block->handleProcs;
    if (handles == nullptr || handles->newProc == nullptr || handles->lockProc == nullptr)
        return TSPI_NO_ERR;  // nothing to keep them in: each run reads the environment
    const PosterizeParameters parameters{kParametersSignature, levels};
    TsPiHandle handle = handles->newProc(static_cast<std::int32_t>(sizeof(parameters)));
    if (handle == nullptr) return TSPI_ERR_MEMORY_FULL;
    void* data = handles->lockProc(handle, 0);
    if (data == nullptr) {
        if (handles->disposeProc != nullptr) handles->disposeProc(handle);
        return TSPI_ERR_MEMORY_FULL;
    }
    std::memcpy(data, &parameters, sizeof(parameters));
    if (handles->unlockProc != nullptr) handles->unlockProc(handle);
    block->parameters = handle;
    return TSPI_NO_ERR;
}

// One run: the table, the band asked for last and the rows still to do.
struct PosterizeRun {
    PosterizeTable table;
    TsPiRect filterRect;
    int planes;
    std::int32_t bandRows;
    std::int32_t nextTop;
    TsPiRect band;
};

std::unique_ptr<PosterizeRun> run;

void requestFrom(TsPiFilterBlock* block, std::int32_t top) {
    clearFilterRequests(block);
    if (top >= run->filterRect.bottom) return;
    run->band = run->filterRect;
    run->band.top = static_cast<std::int16_t>(top);
    run->band.bottom = static_cast<std::int16_t>(
        std::min<std::int32_t>(top + run->bandRows, run->filterRect.bottom));
    block->outRect = servableRequest(run->band);
    block->outLoPlane = 0;
    block->outHiPlane = static_cast<std::int16_t>(run->planes - 1);
}

TsPiResult start(TsPiFilterBlock* block) {
    run.reset();
    clearFilterRequests(block);
    const int planes = colourPlanesOf(block);
    if (planes == 0) return TSPI_ERR_FILTER_BAD_MODE;
    if (isEmpty(block->filterRect)) return TSPI_NO_ERR;
    const std::int64_t rowBytes = static_cast<std::int64_t>(widthOf(block->filterRect)) * planes;
    const std::int64_t budget = block->maxSpace > 0 ? block->maxSpace / 2 : INT32_MAX;
    const std::int64_t height = heightOf(block->filterRect);
    const std::int32_t bandRows = static_cast<std::int32_t>(
        rowBytes * height <= budget ? height : std::max<std::int64_t>(1, budget / rowBytes));
    run.reset(new PosterizeRun{PosterizeTable(levelsOf(block)), block->filterRect, planes, bandRows,
                               block->filterRect.top, TsPiRect{}});
    requestFrom(block, run->nextTop);
    return TSPI_NO_ERR;
}

TsPiResult proceed(TsPiFilterBlock* block) {
    if (!run) {
        clearFilterRequests(block);
        return TSPI_NO_ERR;
    }
    if (userCancelled(block)) return TSPI_ERR_USER_CANCELED;
    const TsPiRect done = run->band;
    if (block->outData == nullptr || isEmpty(done)) return TSPI_ERR_FILTER_BAD_PARAMETERS;
    run->table.apply(
        static_cast<std::uint8_t*>(block->outData), block->outRowBytes, heightOf(done),
        static_cast<std::size_t>(widthOf(done)) * static_cast<std::size_t>(run->planes));
    run->nextTop = done.bottom;
    reportProgress(block, run->nextTop - run->filterRect.top, heightOf(run->filterRect));
    requestFrom(block, run->nextTop);
    return TSPI_NO_ERR;
}

TsPiResult dispatch(std::int16_t selector, TsPiFilterBlock* block, std::intptr_t* data) {
    switch (selector) {
        case TSPI_FILTER_PARAMETERS:
            return storeParameters(block, data);
        case TSPI_FILTER_PREPARE:
            return TSPI_NO_ERR;
        case TSPI_FILTER_START:
            return start(block);
        case TSPI_FILTER_CONTINUE:
            return proceed(block);
        case TSPI_FILTER_FINISH:
            run.reset();
            return TSPI_NO_ERR;
        case TSPI_SELECTOR_ABOUT:
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_FILTER_BAD_PARAMETERS;
    }
}

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    if (result == nullptr) return;
    if (block == nullptr) {
        *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
        return;
    }
    try {
        *result = tessary::modules::dispatch(selector, static_cast<TsPiFilterBlock*>(block), data);
    } catch (const std::bad_alloc&) {
        tessary::modules::run.reset();
        *result = TSPI_ERR_MEMORY_FULL;
    } catch (...) {  // nothing may leave the module through the host's frames
        tessary::modules::run.reset();
        *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
    }
}
