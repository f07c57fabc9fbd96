#include "effects/tonal/type_conversion.h"

#include "effects/framework/effect_run.h"
#include "effects/framework/scratch_buffer.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {

namespace {

ErrorCode rgbToGrey(Page& page) {
    PageData& data = *page.pageData();
    const std::int32_t width = data.width();
    const auto samples = static_cast<std::size_t>(width);
    auto rows = allocateScratch<std::uint8_t>(3 * samples);
    if (!rows) return kErrMemory;
    std::uint8_t* red = rows.get();
    std::uint8_t* green = red + samples;
    std::uint8_t* blue = green + samples;
    for (std::int32_t y = 0; y < data.height(); ++y) {
        data.readRow(0, 0, y, width, red);
        data.readRow(1, 0, y, width, green);
        data.readRow(2, 0, y, width, blue);
        GreyWeights::rgbRowToGrey(red, green, blue, red, width);
        if (!data.writeRow(0, 0, y, width, red)) return kErrDisk;
    }
    if (!data.removePlane(2) || !data.removePlane(1)) return kErrDisk;
    page.setType(Page::kTypeGrey);
    return kErrNone;
}

// Copies plane 0 of the current state into a new plane `index`. When plane
// 0 is still as it was before the change its tiles are shared; after a
// merged float it is copied row by row.
ErrorCode insertGreyCopy(Page& page, int index, bool planeZeroChanged) {
    PageData& data = *page.pageData();
    if (!data.insertPlane(index, 0)) return kErrDisk;
    if (!planeZeroChanged) return data.sharePlane(index, data, 0) ? kErrNone : kErrDisk;
    const std::int32_t width = data.width();
    auto row = allocateScratch<std::uint8_t>(static_cast<std::size_t>(width));
    if (!row) return kErrMemory;
    for (std::int32_t y = 0; y < data.height(); ++y) {
        data.readRow(0, 0, y, width, row.get());
        if (!data.writeRow(index, 0, y, width, row.get())) return kErrDisk;
    }
    return kErrNone;
}

ErrorCode greyToRgb(Page& page, bool planeZeroChanged) {
    if (const ErrorCode code = insertGreyCopy(page, 1, planeZeroChanged)) return code;
    if (const ErrorCode code = insertGreyCopy(page, 2, planeZeroChanged)) return code;
    page.setType(Page::kTypeRgb);
    return kErrNone;
}

}  // namespace

ErrorCode convertPageType(Page& page, std::int32_t targetType) {
    PageData* data = page.pageData();
    if (data == nullptr || targetType == page.type()) return kErrNone;
    if (targetType != Page::kTypeGrey && targetType != Page::kTypeRgb) return kErrNone;
    if (!data->beginChange()) return kErrDisk;

    const std::int32_t startType = page.type();
    const bool merged = page.hasFloat();
    ErrorCode code = page.mergeFloat();
    if (code == kErrNone)
        code = targetType == Page::kTypeGrey ? rgbToGrey(page) : greyToRgb(page, merged);
    if (code == kErrNone && !page.saveState(kUndoKindConversion, 0, page.bounds()))
        code = kErrMemory;
    if (code != kErrNone) {
        data->abortChange();
        page.setType(startType);
        return code;
    }
    data->endChange();
    return kErrNone;
}

}  // namespace tessary
