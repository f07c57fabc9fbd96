// "Unsharp Mask 3x3" (filter module, category "Sharpen"): sharpens a
// greyscale or RGB image by adding back the difference between each sample
// and the mean of its 3 × 3 neighbourhood.
//
// The filter works band by band across Continue calls: each call asks for
// the next band of rows of the filter rectangle as output, and for the same
// band grown by one pixel on every side (cut to the image) as input, so that
// every output pixel sees its whole neighbourhood. Its column sums live in a
// scratch buffer taken from the host's buffer suite. Each band reports
// progress and checks the abort procedure; a cancel ends the run with
// "user cancelled". Masking is left to the host (auto mask stays on).

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/filter_request.h"
#include "common/host_buffer.h"
#include "common/host_callbacks.h"
#include "tessary_pipl.h"
#include "unsharp/unsharp_kernel.h"

TSPI_DECLARE_PIPL(kUnsharpPiPL, 16000, tspi::kind(TSPI_KIND_FILTER),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Unsharp Mask 3x3"),
                  tspi::category("Sharpen"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::entryPoint("PluginMain"));

namespace tessary::modules {
namespace {

// Output rows per band; fewer when the host offers little memory.
constexpr std::int32_t kBandRows = 64;

struct UnsharpRun {
    TsPiRect filterRect;
    TsPiPoint imageSize;
    int planes = 0;
    std::int32_t bandRows = kBandRows;
    HostBuffer scratch;
    // The band asked for last: its output rows and their neighbourhood.
    TsPiRect output{};
    TsPiRect input{};
};

std::unique_ptr<UnsharpRun> run;

// Asks for output rows [top, top + bandRows) of the filter rectangle and
// their neighbourhood as input; nothing once the rectangle is done.
void requestFrom(TsPiFilterBlock* block, std::int32_t top) {
    clearFilterRequests(block);
    const TsPiRect& filter = run->filterRect;
    if (top >= filter.bottom) return;
    const std::int32_t bottom = std::min<std::int32_t>(top + run->bandRows, filter.bottom);
    run->output = TsPiRect{static_cast<std::int16_t>(top), filter.left,
                           static_cast<std::int16_t>(bottom), filter.right};
    run->input = TsPiRect{
        static_cast<std::int16_t>(std::max(top - 1, 0)),
        static_cast<std::int16_t>(std::max(filter.left - 1, 0)),
        static_cast<std::int16_t>(std::min<std::int32_t>(bottom + 1, run->imageSize.v)),
        static_cast<std::int16_t>(std::min<std::int32_t>(filter.right + 1, run->imageSize.h))};
    block->outRect = servableRequest(run->output);
    block->inRect = servableRequest(run->input);
    block->inLoPlane = block->outLoPlane = 0;
    block->inHiPlane = block->outHiPlane = static_cast<std::int16_t>(run->planes - 1);
}

TsPiResult start(TsPiFilterBlock* block) {
    run.reset();
    clearFilterRequests(block);
    const int planes = colourPlanesOf(block);
    if (planes == 0) return TSPI_ERR_FILTER_BAD_MODE;
    const TsPiRect& filter = block->filterRect;
    if (isEmpty(filter)) return TSPI_NO_ERR;
    if (filter.top < 0 || filter.left < 0 || filter.bottom > block->imageSize.v ||
        filter.right > block->imageSize.h)
        return TSPI_ERR_FILTER_BAD_PARAMETERS;

    run = std::make_unique<UnsharpRun>();
    run->filterRect = filter;
    run->imageSize = block->imageSize;
    run->planes = planes;
    // Input and output of one band must fit the memory the host offers.
    const std::int64_t rowBytes = static_cast<std::int64_t>(widthOf(filter) + 2) * planes;
    if (block->maxSpace > 0)
        run->bandRows = static_cast<std::int32_t>(
            std::clamp<std::int64_t>((block->maxSpace / rowBytes - 2) / 2, 1, kBandRows));
    const std::size_t scratchBytes =
        UnsharpKernel::scratchSamples(widthOf(filter) + 2, planes) * sizeof(std::uint16_t);
    const TsPiResult result =
        run->scratch.allocate(block->bufferProcs, scratchBytes, /*heapFallback=*/false);
    if (result != TSPI_NO_ERR) {
        run.reset();
        return result;
    }
    requestFrom(block, filter.top);
    return TSPI_NO_ERR;
}

TsPiResult proceed(TsPiFilterBlock* block) {
    if (!run) {
        clearFilterRequests(block);
        return TSPI_NO_ERR;
    }
    if (userCancelled(block)) return TSPI_ERR_USER_CANCELED;
    // The answers may hold a column more than asked for (servableRequest);
    // the kernel sees only the band's own pixels.
    const TsPiRect in = run->input;
    const TsPiRect out = run->output;
    if (block->inData == nullptr || block->outData == nullptr || isEmpty(in) || isEmpty(out))
        return TSPI_ERR_FILTER_BAD_PARAMETERS;
    UnsharpKernel::sharpenBand(static_cast<const std::uint8_t*>(block->inData), block->inRowBytes,
                               PixelArea{in.top, in.left, in.bottom, in.right},
                               static_cast<std::uint8_t*>(block->outData), block->outRowBytes,
                               PixelArea{out.top, out.left, out.bottom, out.right}, run->planes,
                               reinterpret_cast<std::uint16_t*>(run->scratch.data()));
    reportProgress(block, out.bottom - run->filterRect.top, heightOf(run->filterRect));
    requestFrom(block, out.bottom);
    return TSPI_NO_ERR;
}

TsPiResult dispatch(std::int16_t selector, TsPiFilterBlock* block) {
    switch (selector) {
        case TSPI_FILTER_PARAMETERS:
        case TSPI_FILTER_PREPARE:
        case TSPI_SELECTOR_ABOUT:
            return TSPI_NO_ERR;
        case TSPI_FILTER_START:
            return start(block);
        case TSPI_FILTER_CONTINUE:
            return proceed(block);
        case TSPI_FILTER_FINISH:
            run.reset();
            return TSPI_NO_ERR;
        default:
            return TSPI_ERR_FILTER_BAD_PARAMETERS;
    }
}

}  // namespace
}  // namespace tessary::modules

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* /*data*/,
                                     TsPiResult* result) {
    if (result == nullptr) return;
    if (block == nullptr) {
        *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
        return;
    }
    try {
        *result = tessary::modules::dispatch(selector, static_cast<TsPiFilterBlock*>(block));
    } catch (const std::bad_alloc&) {
        tessary::modules::run.reset();
        *result = TSPI_ERR_MEMORY_FULL;
    } catch (...) {  // nothing may leave the module through the host's frames
        tessary::modules::run.reset();
        *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
    }
}
