#include "exchange/page_scrap.h"

#include <limits>
#include <new>

#include "exchange/dib_reader.h"
#include "exchange/dib_writer.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

bool fitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Sets every sample of `plane` outside (0, 0)-(width, height) to 0: the
// parts of the edge tiles beyond the image, and any rows or columns of the
// grid before the origin. Writing 0 into a constant-0 tile costs nothing, so
// only edge tiles that held something else get stored.
bool clearOutside(PageData& data, int plane, std::int32_t width, std::int32_t height) {
    const ImageData::PlaneRecord record = data.current()->plane(plane);
    const std::int64_t left = record.originX;
    const std::int64_t top = record.originY;
    const std::int64_t right = record.right();
    const std::int64_t bottom = record.bottom();
    if (left >= 0 && top >= 0 && right <= width && bottom <= height) return true;
    const std::int64_t across = right - left;
    if (!fitsInt32(across) || !fitsInt32(right)) return false;
    std::unique_ptr<std::uint8_t[]> zeros(new (std::nothrow)
                                              std::uint8_t[static_cast<std::size_t>(across)]());
    if (!zeros) return false;
    const auto x0 = static_cast<std::int32_t>(left);
    for (std::int64_t y64 = top; y64 < bottom; ++y64) {
        const auto y = static_cast<std::int32_t>(y64);
        if (y < 0 || y >= height) {
            if (!data.writeRow(plane, x0, y, static_cast<std::int32_t>(across), zeros.get())) {
                return false;
            }
            continue;
        }
        if (left < 0 &&
            !data.writeRow(plane, x0, y, static_cast<std::int32_t>(-left), zeros.get())) {
            return false;
        }
        if (right > width &&
            !data.writeRow(plane, width, y, static_cast<std::int32_t>(right - width),
                           zeros.get())) {
            return false;
        }
    }
    return true;
}

}  // namespace

PageScrap::PageScrap(VMTile& store, PageDataList* list) : m_store(store), m_list(list) {}

PageScrap::~PageScrap() = default;

std::int32_t PageScrap::width() const {
    return m_contents ? m_contents->width() : 0;
}

std::int32_t PageScrap::height() const {
    return m_contents ? m_contents->height() : 0;
}

int PageScrap::colourPlaneCount() const {
    if (!m_contents) return 0;
    return m_bits == kGreyBits ? 1 : 3;
}

int PageScrap::maskPlane() const {
    return m_contents ? colourPlaneCount() : -1;
}

void PageScrap::clear() {
    m_contents.reset();
    m_bits = 0;
}

std::unique_ptr<PageData> PageScrap::newContents() const {
    return std::unique_ptr<PageData>(new (std::nothrow) PageData(m_store, m_list));
}

// ---------------------------------------------------------------------------
// Copy

bool PageScrap::copy(const PageData& source, int colourPlanes, const Rect& rect) {
    const int k = colourPlanes;
    if ((k != 1 && k != 3) || !source.initialised()) return false;
    const int planes = source.planeCount();
    if (planes != k && planes != k + 1 && planes != 2 * k + 1) return false;
    const std::int64_t width = std::int64_t{rect.right} - rect.left;
    const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
    if (width < 1 || height < 1 || !fitsInt32(width) || !fitsInt32(height) ||
        !fitsInt32(-std::int64_t{rect.left}) || !fitsInt32(-std::int64_t{rect.top})) {
        return false;
    }

    // The previous contents go first: their tiles may be what this copy needs.
    clear();
    std::unique_ptr<PageData> data = newContents();
    if (!data || !data->createCopy(source)) return false;

    // Bring the planes to colour planes + mask.
    if (planes == k) {
        if (!data->insertPlane(k, 255)) return false;
    } else if (planes == 2 * k + 1) {
        // Float: a copy of the mask after the float planes, then everything
        // before the float planes goes.
        if (!data->insertPlane(2 * k + 1, 255) || !data->sharePlane(2 * k + 1, *data, k)) {
            return false;
        }
        for (int p = k; p >= 0; --p) {
            if (!data->removePlane(p)) return false;
        }
    }

    // Move the rectangle to (0, 0) and cut the contents to its size.
    const auto dx = static_cast<std::int32_t>(-std::int64_t{rect.left});
    const auto dy = static_cast<std::int32_t>(-std::int64_t{rect.top});
    for (int p = 0; p <= k; ++p) {
        if (!data->offsetPlane(p, dx, dy, 0)) return false;
    }
    const std::uint8_t zeros[4] = {0, 0, 0, 0};
    const auto w = static_cast<std::int32_t>(width);
    const auto h = static_cast<std::int32_t>(height);
    if (!data->resize(w, h, zeros)) return false;
    if (!clearOutside(*data, k, w, h)) return false;

    m_contents = std::move(data);
    m_bits = k == 1 ? kGreyBits : kColourBits;
    m_publishPending = true;
    return true;
}

bool PageScrap::copy(const Page& source) {
    if (!source.pageData()) return false;
    return copy(*source.pageData(), source.colourPlaneCount(), source.selectionRect());
}

// ---------------------------------------------------------------------------
// Paste

bool PageScrap::makeColour() {
    TS_ASSERT(m_contents && m_bits == kGreyBits);
    PageData& data = *m_contents;
    if (!data.insertPlane(1, 0)) return false;
    if (!data.insertPlane(2, 0)) {
        data.removePlane(1);
        return false;
    }
    if (!data.sharePlane(1, data, 0) || !data.sharePlane(2, data, 0)) {
        // Back to grey + mask; removing planes needs no new tiles.
        data.removePlane(2);
        data.removePlane(1);
        return false;
    }
    m_bits = kColourBits;
    return true;
}

bool PageScrap::writeGreyPlane(int greyPlane) {
    PageData& data = *m_contents;
    const std::int32_t w = data.width();
    const auto count = static_cast<std::size_t>(w);
    std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[4 * count]);
    if (!rows) return false;
    std::uint8_t* red = rows.get();
    std::uint8_t* green = red + count;
    std::uint8_t* blue = green + count;
    std::uint8_t* mask = blue + count;
    for (std::int32_t y = 0; y < data.height(); ++y) {
        data.readRow(3, 0, y, w, mask);
        data.readRow(0, 0, y, w, red);
        data.readRow(1, 0, y, w, green);
        data.readRow(2, 0, y, w, blue);
        // Only pixels whose mask is not 0 are converted; the rest stay 0.
        for (std::size_t x = 0; x < count; ++x) {
            red[x] = mask[x] != 0 ? GreyWeights::grey(red[x], green[x], blue[x]) : 0;
        }
        if (!data.writeRow(greyPlane, 0, y, w, red)) return false;
    }
    return true;
}

bool PageScrap::paste(PageData& target, int colourPlanes, std::int32_t x, std::int32_t y) {
    const int k = colourPlanes;
    if (!m_contents || (k != 1 && k != 3) || !target.initialised()) return false;
    const int originalPlanes = target.planeCount();
    if (originalPlanes != k && originalPlanes != k + 1) return false;
    const std::int64_t dx64 = std::int64_t{x} - m_contents->width() / 2;
    const std::int64_t dy64 = std::int64_t{y} - m_contents->height() / 2;
    if (!fitsInt32(dx64) || !fitsInt32(dy64)) return false;
    const auto dx = static_cast<std::int32_t>(dx64);
    const auto dy = static_cast<std::int32_t>(dy64);

    constexpr int kWorkingPlane = 4;
    bool working = false;
    auto fail = [&] {
        if (working) m_contents->removePlane(kWorkingPlane);
        while (target.planeCount() > originalPlanes) {
            if (!target.removePlane(target.planeCount() - 1)) break;
        }
        return false;
    };

    // The contents' planes that go into the target: the colour source
    // planes and the mask.
    int sources[3] = {0, 1, 2};
    if (k == 1 && m_bits == kColourBits) {
        if (!m_contents->insertPlane(kWorkingPlane, 0)) return fail();
        working = true;
        if (!writeGreyPlane(kWorkingPlane)) return fail();
        sources[0] = kWorkingPlane;
    } else if (k == 3 && m_bits == kGreyBits) {
        if (!makeColour()) return fail();
    }
    const int contentsMask = maskPlane();

    if (originalPlanes == k && !target.insertPlane(k, 0)) return fail();
    for (int p = 0; p < k; ++p) {
        if (!target.insertPlane(k + 1 + p, 0) ||
            !target.sharePlane(k + 1 + p, *m_contents, sources[p])) {
            return fail();
        }
    }
    if (!target.sharePlane(k, *m_contents, contentsMask)) return fail();
    for (int p = k; p <= 2 * k; ++p) {
        if (!target.offsetPlane(p, dx, dy, 0)) return fail();
    }
    if (working) m_contents->removePlane(kWorkingPlane);
    return true;
}

ErrorCode PageScrap::pasteIntoPage(Page& page, std::int32_t x, std::int32_t y) {
    PageData* data = page.pageData();
    if (!m_contents || !data || page.hasFloat()) return kErrGeneral;
    const int k = page.colourPlaneCount();
    if (!paste(*data, k, x, y)) return kErrDisk;
    Rect bounds;
    data->boundsAbove(k, 1, bounds);
    page.setSelectionRect(bounds);
    return kErrNone;
}

ErrorCode PageScrap::pasteIntoNewPage(Page& page) {
    if (!m_contents) return kErrNone;
    const Rect all = page.bounds();
    const std::int32_t cx = static_cast<std::int32_t>((std::int64_t{all.left} + all.right) / 2);
    const std::int32_t cy = static_cast<std::int32_t>((std::int64_t{all.top} + all.bottom) / 2);
    ErrorCode code = pasteIntoPage(page, cx, cy);
    if (code == kErrNone) code = page.mergeFloat();
    if (code == kErrNone) code = page.removeMask();
    return code;
}

// ---------------------------------------------------------------------------
// Exchange with the platform clipboard

DibError PageScrap::importBitmap(std::span<const std::uint8_t> bytes) {
    DibReader reader;
    const DibError opened = reader.open(bytes);
    if (opened != DibError::kNone) return opened;

    std::unique_ptr<PageData> data = newContents();
    if (!data) return DibError::kNoMemory;
    const std::uint8_t fills[4] = {0, 0, 0, 255};
    const std::int32_t w = reader.width();
    const std::int32_t h = reader.height();
    if (!data->create(4, w, h, fills)) return DibError::kStoreFailed;
    const DibError read = reader.readInto(*data, 0);
    if (read != DibError::kNone) return read;
    if (!clearOutside(*data, 3, w, h)) return DibError::kStoreFailed;

    m_contents = std::move(data);
    m_bits = kColourBits;
    return DibError::kNone;
}

bool PageScrap::publish(std::vector<std::uint8_t>& dib) {
    const bool pending = m_publishPending;
    m_publishPending = false;
    if (!pending || !m_contents) return false;
    return writeDib(dib) == DibError::kNone;
}

DibError PageScrap::writeDib(std::vector<std::uint8_t>& dib) const {
    if (!m_contents) return DibError::kNoImage;
    return writePlanesAsDib(*m_contents, 0, colourPlaneCount(), m_contents->width(),
                            m_contents->height(), dib);
}

}  // namespace tessary
