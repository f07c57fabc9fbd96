#include "tools/edit/text_tool.h"

#include <algorithm>
#include <new>
#include <utility>

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "effects/geometry/geometry_change.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/text_rasterizer.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {
// The typeface field holds 32 characters with its terminator.
constexpr std::size_t kTypefaceChars = 31;
// The largest subsample count used: N^2 + 1 coverages stay a small table.
constexpr std::int32_t kMaxSubsamples = 16;
}  // namespace

TextTool::TextTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void TextTool::initialise() {
    setAll(16, 3);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void TextTool::loadOptions(const ToolBoxPrefs* record) {
    if (record == nullptr) {
        m_styleFlags = 0;
        m_size = kDefaultSize;
        m_alignment = kAlignLeft;
        return;
    }
    m_styleFlags = record->toolWord28;
    m_size = record->toolWord29;
    m_alignment = record->toolWord31;
}

void TextTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord28 = m_styleFlags;
    record.toolWord29 = m_size;
    record.toolWord31 = m_alignment;
}

void TextTool::setTypeface(std::string name) {
    if (name.size() > kTypefaceChars) name.resize(kTypefaceChars);
    m_typeface = std::move(name);
}

void TextTool::setText(std::string text) {
    if (text.size() > kMaxTextChars) text.resize(kMaxTextChars);
    m_text = std::move(text);
}

std::vector<std::string> TextTool::splitLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back().push_back(c);
        }
    }
    return lines;
}

ErrorCode TextTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    if (!view.askTextOptions(*this)) return kErrNone;
    TextRasterizer* rasterizer = view.textRasterizer();
    if (rasterizer == nullptr) return kErrNone;

    const ToolGlobals& shared = globals();
    const std::int32_t n = shared.antiAlias ? std::clamp(shared.subsamples, 1, kMaxSubsamples) : 1;
    TextRequest request;
    TextBitmap bitmap;
    try {
        request.lines = splitLines(m_text);
        request.typeface = m_typeface;
        request.size = m_size;
        request.style = m_styleFlags;
        request.alignment = std::clamp(m_alignment, kAlignLeft, kAlignRight);
        request.scale = n;
        if (!rasterizer->rasterize(request, bitmap)) return kErrMemory;
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    // The bitmap comes from outside the engine: its sizes must agree.
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        static_cast<std::uint64_t>(bitmap.pixels.size()) !=
            static_cast<std::uint64_t>(bitmap.width) * static_cast<std::uint64_t>(bitmap.height))
        return kErrNone;

    // The block in image pixels, its top-left at the press point, clipped.
    const std::int64_t blockWidth = (std::int64_t{bitmap.width} + n - 1) / n;
    const std::int64_t blockHeight = (std::int64_t{bitmap.height} + n - 1) / n;
    const ToolPoint at = event.imagePoint;
    const Rect image = page.bounds();
    const std::int64_t left = std::max<std::int64_t>(at.x, image.left);
    const std::int64_t top = std::max<std::int64_t>(at.y, image.top);
    const std::int64_t right = std::min<std::int64_t>(at.x + blockWidth, image.right);
    const std::int64_t bottom = std::min<std::int64_t>(at.y + blockHeight, image.bottom);
    if (right <= left || bottom <= top) return kErrNone;
    const Rect block{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                     static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};

    // coverage[count] for the set pixels of one N x N cell.
    const auto opacity = static_cast<std::uint32_t>(std::clamp(shared.opacity, 0, 255));
    const auto cells = static_cast<std::uint32_t>(n * n);
    std::vector<std::uint8_t> coverageOf(cells + 1);
    for (std::uint32_t c = 0; c <= cells; ++c) {
        coverageOf[c] =
            n == 1 ? (c != 0 ? 255 : 0) : static_cast<std::uint8_t>(c * opacity / cells);
    }
    std::vector<std::uint8_t> row;
    std::vector<std::uint32_t> counts;
    try {
        row.resize(static_cast<std::size_t>(block.width()));
        counts.resize(static_cast<std::size_t>(block.width()));
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);
    if (const ErrorCode code = page.removeMask(); code != kErrNone) return change.fail(code);
    const int k = page.colourPlaneCount();
    if (!data->insertPlane(k, 0)) return change.fail(kErrDisk);

    // The mask: bitmap cell (x - at.x, y - at.y) of N x N pixels per image
    // pixel, counted.
    for (std::int32_t y = block.top; y < block.bottom; ++y) {
        std::fill(counts.begin(), counts.end(), 0u);
        const std::int64_t cellTop = (std::int64_t{y} - at.y) * n;
        for (std::int64_t by = cellTop; by < cellTop + n && by < bitmap.height; ++by) {
            const std::uint8_t* source =
                bitmap.pixels.data() + static_cast<std::size_t>(by) * bitmap.width;
            for (std::int32_t i = 0; i < block.width(); ++i) {
                const std::int64_t cellLeft = (std::int64_t{block.left} + i - at.x) * n;
                const std::int64_t cellRight = std::min<std::int64_t>(cellLeft + n, bitmap.width);
                for (std::int64_t bx = cellLeft; bx < cellRight; ++bx)
                    counts[static_cast<std::size_t>(i)] += source[bx] != 0 ? 1u : 0u;
            }
        }
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = coverageOf[counts[i]];
        if (!data->writeRow(k, block.left, y, block.width(), row.data()))
            return change.fail(kErrDisk);
    }
    // The floating planes: the foreground everywhere, the mask decides.
    for (int p = 0; p < k; ++p) {
        const std::uint8_t sample = k == 1
                                        ? GreyWeights::greyOfColour(shared.foreground)
                                        : static_cast<std::uint8_t>(shared.foreground >> (8 * p));
        if (!data->insertPlane(k + 1 + p, sample)) return change.fail(kErrDisk);
    }
    page.setSelectionRect(block);

    if (const ErrorCode code = change.commit(kUndoKind, block); code != kErrNone) return code;
    page.setModified(true);
    page.countChange();
    view.invalidateImage(block);
    return kErrNone;
}

}  // namespace tessary
