#include "common/write_session.h"

#include <algorithm>

namespace tessary::modules {

WriteSession::WriteSession(std::unique_ptr<RasterWriter> writer, const RasterInfo& info,
                           std::int32_t bandHeight, bool planar, const TsPiBufferSuite* buffers)
    : m_writer(std::move(writer)),
      m_info(info),
      m_bandHeight(std::max<std::int32_t>(bandHeight, 1)),
      m_planar(planar && m_writer->takesPlanar()),
      m_buffers(buffers) {
    m_next = requestAfter(0);
}

std::size_t WriteSession::bandRowBytes() const {
    return m_planar ? static_cast<std::size_t>(m_info.width) : m_info.rowBytes();
}

BandRows WriteSession::requestAfter(std::int32_t rowsDone) const {
    BandRows rows;
    const std::int32_t remaining = m_info.height - rowsDone;
    if (remaining <= 0) return rows;
    rows.planar = m_planar;
    if (m_writer->rowOrder() == RowOrder::TopDown) {
        rows.firstRow = rowsDone;
        rows.rowCount = std::min(remaining, m_bandHeight);
    } else {
        // Rows [0, remaining) are left: the band of the band grid that
        // holds the last of them.
        rows.firstRow = (remaining - 1) / m_bandHeight * m_bandHeight;
        rows.rowCount = remaining - rows.firstRow;
    }
    return rows;
}

std::uint8_t* WriteSession::bandBuffer() {
    if (m_buffer.data() == nullptr)  // the same size for either layout
        m_buffer.allocate(m_buffers, m_info.rowBytes() * static_cast<std::size_t>(m_bandHeight));
    return m_buffer.data();
}

CodecStatus WriteSession::consume(const std::uint8_t* source, std::size_t sourceRowBytes) {
    if (m_failed || complete() || source == nullptr) return CodecStatus::BadParameters;
    CodecStatus status = m_planar
                             ? m_writer->writePlanarRows(source, sourceRowBytes, m_next.rowCount)
                             : m_writer->writeRows(source, sourceRowBytes, m_next.rowCount);
    if (status == CodecStatus::Ok) {
        m_rowsWritten += m_next.rowCount;
        m_next = requestAfter(m_rowsWritten);
        if (complete()) status = m_writer->finish();
    }
    if (status != CodecStatus::Ok) m_failed = true;
    return status;
}

}  // namespace tessary::modules
