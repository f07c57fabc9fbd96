#include "common/read_session.h"

namespace tessary::modules {

ReadSession::ReadSession(std::unique_ptr<RasterReader> reader) : m_reader(std::move(reader)) {}

void ReadSession::restart() {
    m_buffer.clear();
    m_rowsDelivered = 0;
    m_failed = false;
}

CodecStatus ReadSession::nextBand(DecodedBand* band) {
    *band = DecodedBand();
    if (m_failed) return CodecStatus::BadParameters;
    const RasterInfo& info = m_reader->info();
    const std::size_t rowBytes = info.rowBytes();
    if (m_buffer.empty())
        m_buffer.resize(rowBytes * static_cast<std::size_t>(m_reader->bandHeight()));
    BandRows rows;
    const CodecStatus status = m_reader->readBand(m_buffer.data(), rowBytes, &rows);
    if (status != CodecStatus::Ok) {
        m_failed = true;
        return status;
    }
    if (rows.rowCount == 0) return CodecStatus::Ok;
    m_rowsDelivered += rows.rowCount;
    band->data = m_buffer.data();
    band->rowBytes = rowBytes;
    band->rows = rows;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
