#include "web_jpeg/jpeg_size_search.h"

namespace tessary::modules {

void JpegSizeSearch::record(bool fitted) {
    if (m_current == 0) return;
    if (fitted) {
        m_best = m_current;
        m_low = m_current + 1;
    } else {
        m_high = m_current - 1;
    }
    // The top quality is tried first: when it fits, low passes high at once.
    if (m_low > m_high) {
        m_current = 0;
        return;
    }
    m_current = (m_low + m_high) / 2;
}

}  // namespace tessary::modules
