#include "effects/geometry/geometry_change.h"

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

GeometryChange::GeometryChange(Page& page) : m_page(page) {}

GeometryChange::~GeometryChange() {
    abort();
}

ErrorCode GeometryChange::open() {
    TS_ASSERT(!m_open);
    PageData* data = m_page.pageData();
    TS_ASSERT(data != nullptr);
    m_type = m_page.type();
    m_selection = m_page.storedSelectionRect();
    m_horizontalResolution = m_page.horizontalResolution();
    m_verticalResolution = m_page.verticalResolution();
    if (!data->beginChange()) return kErrDisk;
    m_open = true;
    return kErrNone;
}

ErrorCode GeometryChange::commit(std::uint32_t undoKind, const Rect& changed) {
    TS_ASSERT(m_open);
    // The record goes in while the change is still open, so that a record
    // that cannot be stored still lets the whole edit be taken back.
    if (!m_page.saveState(undoKind, 0, changed)) {
        abort();
        return kErrDisk;
    }
    m_page.pageData()->endChange();
    m_open = false;
    return kErrNone;
}

void GeometryChange::abort() {
    if (!m_open) return;
    m_page.pageData()->abortChange();
    m_page.setType(m_type);
    m_page.setSelectionRect(m_selection);
    m_page.setResolution(m_horizontalResolution, m_verticalResolution);
    m_open = false;
}

ErrorCode GeometryChange::fail(ErrorCode code) {
    if (code != kErrNone) abort();
    return code;
}

}  // namespace tessary
