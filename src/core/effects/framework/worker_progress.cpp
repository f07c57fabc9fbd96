#include "effects/framework/worker_progress.h"

#include <algorithm>
#include <limits>

namespace tessary {

WorkerProgress::WorkerProgress(ProgressPort* port, std::int64_t total)
    : m_port(port), m_total(std::max<std::int64_t>(total, 0)) {
    while ((m_total >> m_shift) > std::numeric_limits<std::int32_t>::max()) ++m_shift;
}

bool WorkerProgress::step() {
    ++m_done;
    if (!m_port) return false;
    const auto done = static_cast<std::int32_t>(std::min(m_done, m_total) >> m_shift);
    return m_port->update(done, static_cast<std::int32_t>(m_total >> m_shift));
}

}  // namespace tessary
