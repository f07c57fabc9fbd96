#include "model/page.h"

#include <algorithm>
#include <new>

#include "model/blend_table.h"
#include "model/page_data.h"
#include "model/page_state_record.h"
#include "model/page_traverse.h"
#include "platform/assert.h"

namespace tessary {

namespace {

Rect intersect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.empty()) return Rect{};
    return r;
}

}  // namespace

Page::Page(const PageEnvironment& environment) : m_environment(environment) {}

Page::~Page() = default;

void Page::setResolution(double horizontal, double vertical) {
    m_horizontalResolution = horizontal;
    m_verticalResolution = vertical;
}

int Page::planeCount() const {
    return m_data ? m_data->planeCount() : 0;
}

bool Page::acceptedShape(std::int32_t type, int planeCount) {
    return (type == kTypeGrey && (planeCount == 1 || planeCount == 2)) ||
           (type == kTypeRgb && (planeCount == 3 || planeCount == 4));
}

bool Page::shape(std::int32_t type, std::int32_t width, std::int32_t height, int planeCount,
                 const std::uint8_t* fills) {
    if (!acceptedShape(type, planeCount) || width < 1 || height < 1) return false;
    TS_ASSERT(fills != nullptr);

    PageStateRecord record;
    record.changed = Rect{0, 0, width, height};
    record.type = static_cast<std::uint32_t>(type);
    record.selection = m_selection;
    record.horizontalResolution = m_horizontalResolution;
    record.verticalResolution = m_verticalResolution;
    const PageStateRecord::Bytes bytes = record.encode();

    if (!m_data) {
        std::unique_ptr<PageData> data(
            new (std::nothrow) PageData(m_environment.store, m_environment.pageDataList));
        if (!data) return false;
        data->setHistoryDepth(m_environment.historyDepth);
        if (!data->reshape(planeCount, width, height, fills, bytes.data(), bytes.size())) {
            return false;
        }
        m_data = std::move(data);
    } else if (!m_data->reshape(planeCount, width, height, fills, bytes.data(), bytes.size())) {
        return false;
    }
    m_type = type;
    return true;
}

bool Page::shapeWhite(std::int32_t type, std::int32_t width, std::int32_t height, int planeCount) {
    std::uint8_t fills[ImageData::kMaxPlanes];
    std::fill(std::begin(fills), std::end(fills), std::uint8_t{255});
    return shape(type, width, height, planeCount, fills);
}

bool Page::storeCanHold(std::int32_t width, std::int32_t height, int planeCount) const {
    if (width < 1 || height < 1 || planeCount < 1) return true;
    const VMTile& store = m_environment.store;
    const auto tileWidth = static_cast<std::uint64_t>(store.tileWidth());
    const auto tileHeight = static_cast<std::uint64_t>(store.tileHeight());
    const std::uint64_t across = (static_cast<std::uint64_t>(width) + tileWidth - 1) / tileWidth;
    const std::uint64_t down = (static_cast<std::uint64_t>(height) + tileHeight - 1) / tileHeight;
    return across * down * static_cast<std::uint64_t>(planeCount) <= store.tileCount();
}

Rect Page::bounds() const {
    if (!m_data) return Rect{};
    return Rect{0, 0, m_data->width(), m_data->height()};
}

Rect Page::selectionRect() const {
    return hasMask() || hasFloat() ? m_selection : bounds();
}

// ---------------------------------------------------------------------------
// Selection

ErrorCode Page::addMask() {
    TS_ASSERT(m_data != nullptr);
    const int k = colourPlaneCount();
    if (planeCount() > k && !m_data->removePlane(k)) return kErrDisk;
    if (!m_data->insertPlane(k, 255)) return kErrDisk;
    m_selection = bounds();
    return kErrNone;
}

ErrorCode Page::removeMask() {
    TS_ASSERT(m_data != nullptr);
    if (hasMask() && !m_data->removePlane(colourPlaneCount())) return kErrDisk;
    m_selection = Rect{};
    return kErrNone;
}

ErrorCode Page::invertSelection() {
    TS_ASSERT(m_data != nullptr);
    if (!hasMask()) return kErrNone;
    const int k = colourPlaneCount();
    const Rect image = bounds();
    PageTraverse walk(*m_data, image, k, k, PageTraverse::kRead | PageTraverse::kWrite);
    if (!walk.start()) return kErrMemory;
    // The bounds of the new samples above 1 are taken on the way, from the
    // image's samples only: the samples of the last tiles beyond the image
    // keep whatever they held and must not widen the selection.
    std::int32_t left = image.right, top = image.bottom, right = image.left, bottom = image.top;
    while (walk.hasRow()) {
        std::uint8_t* mask = walk.row(k);
        std::int32_t first = -1, last = -1;
        for (std::int32_t i = 0; i < walk.width(); ++i) {
            mask[i] = static_cast<std::uint8_t>(255 - mask[i]);
            if (mask[i] > 1) {
                if (first < 0) first = i;
                last = i;
            }
        }
        if (first >= 0) {
            left = std::min(left, image.left + first);
            right = std::max(right, image.left + last + 1);
            top = std::min(top, walk.readY());
            bottom = walk.readY() + 1;
        }
        walk.advance();
    }
    if (walk.writeFailed() || walk.readFailed()) return kErrDisk;
    m_selection = left < right ? Rect{left, top, right, bottom} : image;
    return kErrNone;
}

bool Page::isSelected(std::int32_t x, std::int32_t y) const {
    if (!hasMask() && !hasFloat()) return false;
    std::uint8_t sample = 0;
    m_data->readRowOrFill(colourPlaneCount(), x, y, 1, &sample, 0);
    return sample != 0;
}

// ---------------------------------------------------------------------------
// Floating selection

ErrorCode Page::liftFloat() {
    TS_ASSERT(m_data != nullptr);
    if (!hasMask()) return kErrNone;
    const int k = colourPlaneCount();
    for (int p = 0; p < k; ++p) {
        if (!m_data->insertPlane(k + 1 + p, 0) || !m_data->sharePlane(k + 1 + p, *m_data, p)) {
            // Best effort back to mask only, so the plane layout stays valid.
            while (m_data->planeCount() > k + 1) {
                if (!m_data->removePlane(m_data->planeCount() - 1)) break;
            }
            return kErrDisk;
        }
    }
    return kErrNone;
}

ErrorCode Page::mergeFloat() {
    TS_ASSERT(m_data != nullptr);
    if (!hasFloat()) return kErrNone;
    const int k = colourPlaneCount();
    const Rect area = intersect(m_selection, bounds());
    if (!area.empty()) {
        const auto width = static_cast<std::size_t>(area.width());
        std::unique_ptr<std::uint8_t[]> mask(new (std::nothrow) std::uint8_t[width]);
        std::unique_ptr<std::uint8_t[]> colour(new (std::nothrow) std::uint8_t[width]);
        std::unique_ptr<std::uint8_t[]> floating(new (std::nothrow) std::uint8_t[width]);
        if (!mask || !colour || !floating) return kErrMemory;
        const BlendTable& blend = m_environment.blend;
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            m_data->readRowOrFill(k, area.left, y, area.width(), mask.get(), 0);
            for (int p = 0; p < k; ++p) {
                m_data->readRow(p, area.left, y, area.width(), colour.get());
                m_data->readRowOrFill(k + 1 + p, area.left, y, area.width(), floating.get(), 0);
                for (std::size_t i = 0; i < width; ++i) {
                    colour[i] = blend.blend(mask[i], floating[i], colour[i]);
                }
                if (!m_data->writeRow(p, area.left, y, area.width(), colour.get())) return kErrDisk;
            }
        }
    }
    for (int p = 2 * k; p > k; --p) {
        if (!m_data->removePlane(p)) return kErrDisk;
    }
    return kErrNone;
}

ErrorCode Page::dropFloat() {
    TS_ASSERT(m_data != nullptr);
    if (!hasFloat()) return kErrNone;
    const int k = colourPlaneCount();
    for (int p = 2 * k; p > k; --p) {
        if (!m_data->removePlane(p)) return kErrDisk;
    }
    return kErrNone;
}

std::uint32_t Page::colourAt(std::int32_t x, std::int32_t y) const {
    if (!m_data) return 0;
    const Rect image = bounds();
    if (x < image.left || x >= image.right || y < image.top || y >= image.bottom) return 0;
    const int k = colourPlaneCount();
    std::uint8_t colour[3] = {0, 0, 0};
    for (int p = 0; p < k; ++p) m_data->readRow(p, x, y, 1, &colour[p]);
    if (hasFloat()) {
        // The float and its mask are read with zeros outside their planes, so
        // a point beside the floating pixels shows the colour planes.
        std::uint8_t mask = 0;
        m_data->readRowOrFill(k, x, y, 1, &mask, 0);
        for (int p = 0; p < k; ++p) {
            std::uint8_t floating = 0;
            m_data->readRowOrFill(k + 1 + p, x, y, 1, &floating, 0);
            colour[p] = m_environment.blend.blend(mask, floating, colour[p]);
        }
    }
    if (k == 1) colour[1] = colour[2] = colour[0];
    return std::uint32_t{colour[0]} | std::uint32_t{colour[1]} << 8 |
           std::uint32_t{colour[2]} << 16;
}

// ---------------------------------------------------------------------------
// State records, undo and redo

bool Page::saveState(std::uint32_t undoKind, std::uint32_t parameter, const Rect& changed) {
    TS_ASSERT(m_data != nullptr);
    PageStateRecord record;
    record.kind = undoKind;
    record.parameter = parameter;
    record.changed = changed;
    record.type = static_cast<std::uint32_t>(m_type);
    record.selection = m_selection;
    record.horizontalResolution = m_horizontalResolution;
    record.verticalResolution = m_verticalResolution;
    const PageStateRecord::Bytes bytes = record.encode();
    if (!m_data->writeStateRecord(bytes.data(), bytes.size())) return false;
    m_modified = true;
    return true;
}

Rect Page::restoreState() {
    if (!m_data || !m_data->current()) return Rect{};
    const PageStateRecord record = PageStateRecord::readFrom(*m_data->current());
    if (record.type != kTypeGrey && record.type != kTypeRgb) return Rect{};
    m_type = static_cast<std::int32_t>(record.type);
    m_selection = record.selection;
    m_horizontalResolution = record.horizontalResolution;
    m_verticalResolution = record.verticalResolution;
    return record.changed;
}

Rect Page::undo() {
    if (!canUndo()) return Rect{};
    const Rect changed = PageStateRecord::readFrom(*m_data->current()).changed;
    m_data->undo();
    restoreState();
    return changed;
}

Rect Page::redo() {
    if (!canRedo()) return Rect{};
    m_data->redo();
    restoreState();
    return PageStateRecord::readFrom(*m_data->current()).changed;
}

bool Page::canUndo() const {
    return m_data && m_data->undoCount() > 0;
}
bool Page::canRedo() const {
    return m_data && m_data->redoCount() > 0;
}
std::uint32_t Page::undoKind() const {
    return m_data ? m_data->undoKind() : 0;
}
std::uint32_t Page::redoKind() const {
    return m_data ? m_data->redoKind() : 0;
}

}  // namespace tessary
